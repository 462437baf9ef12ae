#include "platform/wx/FileNameText.h"

namespace platform {

wxString FileNameText(const std::string& bytes) {
    wxString shown(bytes.data(), *wxConvFileName, bytes.size());
    if (shown.empty() && !bytes.empty())
        shown = wxString(bytes.data(), wxConvISO8859_1, bytes.size());
    return shown;
}

}  // namespace platform
