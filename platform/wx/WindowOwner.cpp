#include "platform/wx/WindowOwner.h"

#include <gtk/gtk.h>
#include <wx/toplevel.h>

namespace platform {

void FloatOn(wxTopLevelWindow* window, wxTopLevelWindow* owner) {
    if (!window || !owner || window == owner) return;
    GtkWidget* widget = window->GetHandle();
    GtkWidget* ownerWidget = owner->GetHandle();
    if (!GTK_IS_WINDOW(widget) || !GTK_IS_WINDOW(ownerWidget)) return;
    // The transient-for hint: window managers keep a window above the one it is transient for.
    // Not all of them move it into that window's layer when the hint changes, so it takes the
    // owner's stay-on-top state as well.
    gtk_window_set_transient_for(GTK_WINDOW(widget), GTK_WINDOW(ownerWidget));
    gtk_window_set_keep_above(GTK_WINDOW(widget), owner->HasFlag(wxSTAY_ON_TOP));
    // Raised without being activated: the keyboard stays with the main window.
    if (window->IsShown()) {
        if (GdkWindow* native = gtk_widget_get_window(widget)) gdk_window_raise(native);
    }
}

}  // namespace platform
