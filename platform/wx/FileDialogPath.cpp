#include "platform/wx/FileDialogPath.h"

#include <gtk/gtk.h>
#include <wx/filedlg.h>

namespace platform {

namespace {

using SavePath = std::function<std::string(const std::string&)>;

// GtkFileChooser::confirm-overwrite, emitted when the chosen file exists: GTK's question, or
// none when another file will be written.
GtkFileChooserConfirmation ConfirmOverwrite(GtkFileChooser* chooser, gpointer savePath) {
    gchar* name = gtk_file_chooser_get_filename(chooser);
    if (!name) return GTK_FILE_CHOOSER_CONFIRMATION_CONFIRM;
    const std::string chosen(name);
    g_free(name);
    return (*static_cast<SavePath*>(savePath))(chosen) == chosen
               ? GTK_FILE_CHOOSER_CONFIRMATION_CONFIRM
               : GTK_FILE_CHOOSER_CONFIRMATION_ACCEPT_FILENAME;
}

}  // namespace

std::string FileDialogPath(const wxFileDialog& dialog) {
    gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog.GetHandle()));
    if (!name) return std::string();
    std::string path(name);
    g_free(name);
    return path;
}

void OfferFileDialogPath(wxFileDialog& dialog, const std::string& path) {
    gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(dialog.GetHandle()), path.c_str());
}

void AskReplaceOnlyForPathAsChosen(wxFileDialog& dialog, SavePath savePath) {
    g_signal_connect_data(
        dialog.GetHandle(), "confirm-overwrite", G_CALLBACK(ConfirmOverwrite),
        new SavePath(std::move(savePath)),
        [](gpointer data, GClosure*) { delete static_cast<SavePath*>(data); }, GConnectFlags(0));
}

}  // namespace platform
