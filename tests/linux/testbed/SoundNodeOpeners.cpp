#include "tests/linux/testbed/SoundNodeOpeners.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>

namespace testbed {
namespace {

// The raw system call: the preload would read a path under /proc from the testbed's own /proc.
int RawOpenAt(int folder, const char* path, int flags) {
    return static_cast<int>(::syscall(SYS_openat, folder, path, flags));
}

}  // namespace

std::vector<pid_t> OpenersOf(const std::string& path) {
    std::vector<pid_t> openers;
    const int proc = RawOpenAt(AT_FDCWD, "/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* processes = proc >= 0 ? ::fdopendir(proc) : nullptr;
    if (!processes) {
        if (proc >= 0) ::close(proc);
        return openers;
    }
    while (const dirent* process = ::readdir(processes)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(process->d_name));
        if (pid <= 0) continue;
        const std::string fdFolder = std::string(process->d_name) + "/fd";
        const int fds =
            RawOpenAt(::dirfd(processes), fdFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* links = fds >= 0 ? ::fdopendir(fds) : nullptr;
        if (!links) {
            if (fds >= 0) ::close(fds);
            continue;
        }
        while (const dirent* link = ::readdir(links)) {
            char target[4096];
            const long n =
                ::syscall(SYS_readlinkat, ::dirfd(links), link->d_name, target, sizeof target);
            if (n > 0 && std::string(target, static_cast<size_t>(n)) == path)
                openers.push_back(pid);
        }
        ::closedir(links);
    }
    ::closedir(processes);
    return openers;
}

}  // namespace testbed
