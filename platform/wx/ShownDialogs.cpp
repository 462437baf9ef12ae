#include "platform/wx/ShownDialogs.h"

#include <gtk/gtk.h>

namespace platform {

void CancelShownDialogs() {
    // Held while answering: an answer may destroy a dialog.
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w; w = w->next) g_object_ref(w->data);
    for (GList* w = windows; w; w = w->next) {
        if (GTK_IS_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data)))
            gtk_dialog_response(GTK_DIALOG(w->data), GTK_RESPONSE_CANCEL);
    }
    g_list_free_full(windows, g_object_unref);
}

}  // namespace platform
