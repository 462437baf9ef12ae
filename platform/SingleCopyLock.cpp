#include "platform/SingleCopyLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "platform/OwnFolder.h"

namespace platform {

namespace {

const char kLockName[] = "mirovan-control.lock";

// What earlier versions wrote into their lock file: the pid in decimal, ended by a zero byte.
bool HoldsOnlyAPid(const char* bytes, ssize_t size) {
    if (size > 0 && bytes[size - 1] == '\0') --size;
    if (size > 10) return false;
    for (ssize_t i = 0; i < size; ++i)
        if (bytes[i] < '0' || bytes[i] > '9') return false;
    return true;
}

}  // namespace

SingleCopyLock::~SingleCopyLock() {
    if (fd >= 0) ::close(fd);
}

SingleCopyLock::State SingleCopyLock::Take() {
    const int folderFd = OpenOwnFolder(folder);
    if (folderFd < 0) return State::Unavailable;
    // The file is made once and never removed: a copy that removed it at exit could do so
    // between another copy's open and its flock, and a third copy would then lock a new file
    // while the second held the old one. What it holds does not matter, only who locks it.
    // Reading is all that flock needs, so a leftover that was made read-only still serves;
    // without blocking, as a named pipe in its place would block an open for reading.
    const int opened =
        ::openat(folderFd, kLockName,
                 O_RDONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
    ::close(folderFd);
    if (opened < 0) return State::Unavailable;
    // Without blocking, flock is never interrupted.
    if (::flock(opened, LOCK_EX | LOCK_NB) == 0) {
        fd = opened;
        return State::Held;
    }
    const int error = errno;
    ::close(opened);
    return error == EWOULDBLOCK ? State::HeldByAnother : State::Unavailable;
}

void RemoveEarlierLockFile(const std::string& path) {
    const int file =
        ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
    if (file < 0) return;
    struct stat st;
    char bytes[16];
    const bool ours = ::fstat(file, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
                      st.st_size < ssize_t(sizeof bytes);
    const ssize_t size = ours ? ::read(file, bytes, sizeof bytes) : -1;
    // A copy of an earlier version holds a write lock on the file for as long as it runs, so
    // a file that nobody locks names no live copy, whatever pid it holds.
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const bool unused = size >= 0 && HoldsOnlyAPid(bytes, size) &&
                        ::fcntl(file, F_GETLK, &lock) == 0 && lock.l_type == F_UNLCK;
    ::close(file);
    if (unused) ::unlink(path.c_str());
}

}  // namespace platform
