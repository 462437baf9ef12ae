#include "platform/wx/Launcher.h"

#include <sys/stat.h>
#include <unistd.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <cstdio>

namespace platform {

bool OpenWebPage(const std::string& url) {
    // A page that cannot be opened is not the user's concern: wx would report the failure
    // in an error box (with whatever errno was left over), so its log is silenced for the
    // call and the failure goes to standard error only.
    bool opened = false;
    {
        wxLogNull quiet;
        opened = wxLaunchDefaultBrowser(wxString::FromUTF8(url));
    }
    if (!opened) std::fprintf(stderr, "Could not open %s in a web browser.\n", url.c_str());
    return opened;
}

bool LaunchUpdater(const std::string& path) {
    struct stat st;
    if (path.empty() || path[0] != '/' || ::stat(path.c_str(), &st) != 0) return false;
    // As for web pages, a failure (no process could be started) goes to standard error
    // only, not into wx's error box.
    bool started = false;
    {
        wxLogNull quiet;
        if (S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0) {
            // An argument vector, not a command line: a path with blanks stays one argument.
            const char* argv[] = {path.c_str(), nullptr};
            started = wxExecute(argv, wxEXEC_ASYNC) > 0;
        } else {
            // The path's bytes as a file name, which need not be UTF-8.
            started = wxLaunchDefaultApplication(wxString(path.c_str(), *wxConvFileName));
        }
    }
    if (!started) std::fprintf(stderr, "Could not start the firmware updater %s.\n", path.c_str());
    return started;
}

}  // namespace platform
