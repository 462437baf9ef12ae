#include "platform/wx/ReplaceQuestion.h"

#include <wx/msgdlg.h>

#include "platform/wx/FileNameText.h"

namespace platform {

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

}  // namespace platform
