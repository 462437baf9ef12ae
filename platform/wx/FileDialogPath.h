#pragma once
// The file chosen in a file dialog, as the bytes of its name, and the save dialog's question
// whether to replace it.

#include <functional>
#include <string>

class wxFileDialog;

namespace platform {

// The path chosen in dialog, which has just ended with wxID_OK. Taken from GTK's chooser as
// the file-name bytes: the toolkit's own GetPath decodes them as UTF-8, which loses a name in
// another file-name encoding (G_FILENAME_ENCODING, or the locale's, such as ISO-8859-1).
std::string FileDialogPath(const wxFileDialog& dialog);

// Offers the existing file at path (file-name bytes) in dialog, a save dialog, when it is next
// shown: its folder is opened and its name filled in.
void OfferFileDialogPath(wxFileDialog& dialog, const std::string& path);

// savePath gives the path that a file chosen in dialog, a save dialog with
// wxFD_OVERWRITE_PROMPT, is saved under. GTK's question whether to replace an existing file
// names the file as chosen, so GTK asks it only when savePath leaves that path as it is; the
// caller asks about any other path that exists.
void AskReplaceOnlyForPathAsChosen(wxFileDialog& dialog,
                                   std::function<std::string(const std::string&)> savePath);

}  // namespace platform
