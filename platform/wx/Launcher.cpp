#include "platform/wx/Launcher.h"

#include <sys/stat.h>
#include <unistd.h>
#include <wx/utils.h>

namespace platform {

bool OpenWebPage(const std::string& url) {
    return wxLaunchDefaultBrowser(wxString::FromUTF8(url));
}

bool LaunchUpdater(const std::string& path) {
    struct stat st;
    if (path.empty() || path[0] != '/' || ::stat(path.c_str(), &st) != 0) return false;
    if (S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0) {
        // An argument vector, not a command line: a path with blanks stays one argument.
        const char* argv[] = {path.c_str(), nullptr};
        return wxExecute(argv, wxEXEC_ASYNC) > 0;
    }
    return wxLaunchDefaultApplication(wxString::FromUTF8(path));
}

}  // namespace platform
