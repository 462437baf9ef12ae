#include "platform/wx/Paths.h"

#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>

// The names here are taken from the system as bytes. The toolkit's own copies of them are
// decoded with the locale's conversion, which outside UTF-8 locales turns a folder name that
// is not ASCII into another one (or drops it).

namespace platform {

namespace {

bool IsFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The folder part of an absolute path, without a trailing "/".
std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0]) return home;
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? user->pw_dir : "/";
}

}  // namespace

std::string ExecutableFolder() {
    // The kernel's name of the running executable: absolute, with links resolved. A file
    // replaced while it runs gets " (deleted)" after its name, which leaves its folder as it
    // was.
    char exe[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", exe, sizeof exe);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof exe) return std::string();
    return FolderOf(std::string(exe, static_cast<size_t>(length)));
}

std::string ResourceArchivePath() {
    const std::string folder = ExecutableFolder();
    const std::string beside = folder + "/ProjectResources.res";
    if (IsFile(beside)) return beside;
    // The folder has no "." or ".." in it, so its parent is its name less the last part.
    const std::string shared = FolderOf(folder) + "/share/mirovan-control/ProjectResources.res";
    return IsFile(shared) ? shared : std::string();
}

std::string DefaultSettingsPath() {
    // The XDG rule: only an absolute XDG_CONFIG_HOME counts.
    std::string config;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        config = xdg;
    } else {
        config = HomeFolder() + "/.config";
    }
    while (config.size() > 1 && config.back() == '/') config.pop_back();
    return config + "/example.kestrovel.MirovanControlLE/Settings.mvle";
}

std::string FirmwareUpdaterPath() {
    return ExecutableFolder() + "/FirmwareUpdate.app";
}

}  // namespace platform
