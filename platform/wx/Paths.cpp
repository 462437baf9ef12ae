#include "platform/wx/Paths.h"

#include <sys/stat.h>
#include <wx/filename.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>
#include <cstdlib>

namespace platform {

namespace {

bool IsFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::string ExecutableFolder() {
    wxFileName exe(wxStandardPaths::Get().GetExecutablePath());
    exe.Normalize(wxPATH_NORM_ABSOLUTE | wxPATH_NORM_DOTS);
    return exe.GetPath().utf8_string();
}

std::string ResourceArchivePath() {
    const std::string folder = ExecutableFolder();
    const std::string beside = folder + "/ProjectResources.res";
    if (IsFile(beside)) return beside;
    wxFileName installed(
        wxString::FromUTF8(folder + "/../share/mirovan-control/ProjectResources.res"));
    installed.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE);
    const std::string shared = installed.GetFullPath().utf8_string();
    return IsFile(shared) ? shared : std::string();
}

std::string DefaultSettingsPath() {
    // The XDG rule: only an absolute XDG_CONFIG_HOME counts.
    std::string config;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        config = xdg;
    } else {
        config = wxGetHomeDir().utf8_string() + "/.config";
    }
    while (config.size() > 1 && config.back() == '/') config.pop_back();
    return config + "/example.kestrovel.MirovanControlLE/Settings.mvle";
}

std::string FirmwareUpdaterPath() {
    return ExecutableFolder() + "/FirmwareUpdate.app";
}

}  // namespace platform
