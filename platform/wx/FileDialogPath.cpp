#include "platform/wx/FileDialogPath.h"

#include <gtk/gtk.h>
#include <wx/filedlg.h>

namespace platform {

std::string FileDialogPath(const wxFileDialog& dialog) {
    gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog.GetHandle()));
    if (!name) return std::string();
    std::string path(name);
    g_free(name);
    return path;
}

}  // namespace platform
