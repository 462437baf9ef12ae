#include "platform/wx/FileDialogPath.h"

#include <gtk/gtk.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>

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

bool ReplaceAllowed(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = path.substr(0, slash);  // "" for a file in "/"
    const std::string folderName =
        folder.empty() ? "/" : folder.substr(folder.find_last_of('/') + 1);
    wxMessageDialog question(nullptr,
                             wxString::Format(wxString::FromUTF8("A file named “%s” already "
                                                                 "exists.  Do you want to "
                                                                 "replace it?"),
                                              FileNameText(path.substr(slash + 1))),
                             "", wxYES_NO | wxICON_QUESTION);
    question.SetExtendedMessage(wxString::Format(
        wxString::FromUTF8("The file already exists in “%s”.  Replacing it will overwrite its "
                           "contents."),
        FileNameText(folderName)));
    // Yes and No, because the toolkit puts No before Yes and the default on Yes, as GTK puts
    // Cancel before Replace and the default on Replace; OK and Cancel come the other way round.
    question.SetYesNoLabels("&Replace", wxID_CANCEL);
    return question.ShowModal() == wxID_YES;
}

wxString FileNameText(const std::string& bytes) {
    wxString shown(bytes.data(), *wxConvFileName, bytes.size());
    if (shown.empty() && !bytes.empty())
        shown = wxString(bytes.data(), wxConvISO8859_1, bytes.size());
    return shown;
}

}  // namespace platform
