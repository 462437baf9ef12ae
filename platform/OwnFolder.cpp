#include "platform/OwnFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace platform {

namespace {

// Whether fd is a folder of this user's; closed, when nobody else may add or remove names in
// it either.
bool Owned(int fd, bool closed) {
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (!closed || (st.st_mode & (S_IWGRP | S_IWOTH)) == 0);
}

// The folder at path, made inside its parent when missing. A parent need only be this user's:
// a home folder that the user's group may write to still holds a closed folder of its own.
int OpenFolder(const std::string& path, bool closed) {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        const size_t slash = path.find_last_of('/');
        if (slash == std::string::npos || slash + 1 == path.size()) return -1;
        const int parent = OpenFolder(slash == 0 ? "/" : path.substr(0, slash), false);
        if (parent < 0) return -1;
        const std::string name = path.substr(slash + 1);
        if (::mkdirat(parent, name.c_str(), 0700) == 0 || errno == EEXIST)
            fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(parent);
    }
    if (fd >= 0 && !Owned(fd, closed)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

int OpenOwnFolder(const std::string& path) {
    if (path.empty() || path[0] != '/') return -1;
    return OpenFolder(path, true);
}

}  // namespace platform
