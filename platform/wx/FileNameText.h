#pragma once
// File names in the texts that the program shows: the bytes of a name are in the file-name
// encoding, which need not be the locale's.

#include <wx/string.h>
#include <string>

namespace platform {

// Text that shows the bytes of a file name. Should that conversion fail, each byte is shown
// as a character of its own rather than nothing.
wxString FileNameText(const std::string& bytes);

}  // namespace platform
