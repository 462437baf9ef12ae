#include "platform/SingleCopyLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <string>

#include "platform/PrivateSocket.h"

namespace platform {

namespace {

const char kLockName[] = "mirovan-control.lock";

}  // namespace

SingleCopyLock::~SingleCopyLock() {
    if (fd >= 0) ::close(fd);
}

SingleCopyLock::State SingleCopyLock::Take() {
    if (fd >= 0) return State::Held;
    const std::string folder = PrivateRuntimeFolder();
    if (folder.empty()) return State::Unavailable;
    // The file is made once and never removed: a copy that removed it at exit could do so
    // between another copy's open and its flock, and a third copy would then lock a new file
    // while the second held the old one. What it holds does not matter, only who locks it.
    // Reading is all that flock needs, so a leftover that was made read-only still serves;
    // without blocking, as a named pipe in its place would block an open for reading.
    const std::string path = folder + "/" + kLockName;
    const int opened = ::open(
        path.c_str(), O_RDONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
    if (opened < 0) return State::Unavailable;
    int result;
    do {
        result = ::flock(opened, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        fd = opened;
        return State::Held;
    }
    const int error = errno;
    ::close(opened);
    return error == EWOULDBLOCK ? State::HeldByAnother : State::Unavailable;
}

}  // namespace platform
