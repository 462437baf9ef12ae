#include "platform/wx/Paths.h"

#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstdlib>

#include "platform/OwnFolder.h"

// The names here are taken from the system as bytes. The toolkit's own copies of them are
// decoded with the locale's conversion, which outside UTF-8 locales turns a folder name that
// is not ASCII into another one (or drops it).

namespace platform {

namespace {

// What comes before the last "/" of an absolute path: its folder without a trailing "/", so
// "" for a file at the root. Names are appended to it with their own "/".
std::string BeforeLastSlash(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// How the program was started, for finding it where /proc is missing.
std::string sProgramArgument;
std::string sStartFolder;

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsExecutableFile(const std::string& path) {
    return IsRegularFile(path) && ::access(path.c_str(), X_OK) == 0;
}

// path made absolute, with "." and ".." and links resolved; "" when it cannot be.
std::string Resolved(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return std::string();
    std::string absolute(resolved);
    std::free(resolved);
    return absolute;
}

// The home folder that the user's account names, whatever the environment says.
std::string AccountHomeFolder() {
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? user->pw_dir : "/";
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    return home && home[0] ? home : AccountHomeFolder();
}

const char kSettingsFolderName[] = "/example.kestrovel.MirovanControlLE";

}  // namespace

bool IsNonFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

void NoteProgramStart(const char* argument) {
    sProgramArgument = argument ? argument : "";
    char* folder = ::getcwd(nullptr, 0);
    sStartFolder = folder ? folder : "";
    std::free(folder);
}

std::string ExecutableNamedBy(const std::string& argument, const std::string& startFolder,
                              const std::string& searchPath) {
    if (argument.empty()) return std::string();
    if (argument.find('/') != std::string::npos) {
        const std::string path = argument[0] == '/' ? argument : startFolder + "/" + argument;
        return IsExecutableFile(path) ? Resolved(path) : std::string();
    }
    // As the shell searched: each folder in turn, an empty entry standing for the start folder.
    size_t begin = 0;
    for (;;) {
        const size_t end = std::min(searchPath.find(':', begin), searchPath.size());
        const std::string folder = searchPath.substr(begin, end - begin);
        const std::string path = (folder.empty() ? startFolder : folder) + "/" + argument;
        if (IsExecutableFile(path)) return Resolved(path);
        if (end == searchPath.size()) return std::string();
        begin = end + 1;
    }
}

std::string ExecutableFolder() {
    // The kernel's name of the running executable: absolute, with links resolved. A file
    // replaced while it runs gets " (deleted)" after its name, which leaves its folder as it
    // was. Without /proc (a chroot, container or sandbox) the name the program was started
    // by is looked up as the shell did.
    char exe[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", exe, sizeof exe);
    if (length > 0 && static_cast<size_t>(length) < sizeof exe)
        return BeforeLastSlash(std::string(exe, static_cast<size_t>(length)));
    const char* searchPath = std::getenv("PATH");
    return BeforeLastSlash(
        ExecutableNamedBy(sProgramArgument, sStartFolder, searchPath ? searchPath : ""));
}

std::string ResourceArchivePath() {
    const std::string folder = ExecutableFolder();
    const std::string beside = folder + "/ProjectResources.res";
    if (IsRegularFile(beside)) return beside;
    // The folder has no "." or ".." in it, so its parent is its name less the last part.
    const std::string shared =
        BeforeLastSlash(folder) + "/share/mirovan-control/ProjectResources.res";
    return IsRegularFile(shared) ? shared : std::string();
}

std::string SettingsFolder() {
    // The XDG rule: only an absolute XDG_CONFIG_HOME counts.
    std::string config;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        config = xdg;
    } else {
        config = HomeFolder() + "/.config";
    }
    while (config.size() > 1 && config.back() == '/') config.pop_back();
    return config + kSettingsFolderName;
}

std::string DefaultSettingsPath() {
    return SettingsFolder() + "/Settings.mvle";
}

std::string SingleCopyFolder() {
    for (const std::string& folder :
         {SettingsFolder(), AccountHomeFolder() + "/.config" + kSettingsFolderName}) {
        const int fd = OpenOwnFolder(folder);
        if (fd < 0) continue;
        ::close(fd);
        return folder;
    }
    return std::string();
}

std::string EarlierLockFilePath() {
    const passwd* user = ::getpwuid(::getuid());
    if (!user || !user->pw_name) return std::string();
    return HomeFolder() + "/MirovanControlLE-" + user->pw_name + ".lock";
}

std::string FirmwareUpdaterPath() {
    return ExecutableFolder() + "/FirmwareUpdate.app";
}

}  // namespace platform
