#pragma once
// The file chosen in a file dialog, as the bytes of its name.

#include <string>

class wxFileDialog;

namespace platform {

// The path chosen in dialog, which has just ended with wxID_OK. Taken from GTK's chooser as
// the file-name bytes: the toolkit's own GetPath decodes them as UTF-8, which loses a name in
// another file-name encoding (G_FILENAME_ENCODING, or the locale's, such as ISO-8859-1).
std::string FileDialogPath(const wxFileDialog& dialog);

}  // namespace platform
