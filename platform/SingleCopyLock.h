#pragma once
// The rule that one copy of the program runs for each user. It is an exclusive flock on a file
// in a folder of the user's own (see OwnFolder.h), where nobody else can make the file first.
// The kernel releases the lock when the process ends, however it ends, so nothing that a crash,
// a kill or a power cut leaves behind can refuse or delay a start.

#include <string>
#include <utility>

namespace platform {

class SingleCopyLock {
  public:
    enum class State {
        Held,           // this process holds the lock
        HeldByAnother,  // a live process holds it
        Unavailable,    // no lock can be had: the folder is not this user's own, or the lock
                        // file cannot be made or opened there, or flock fails otherwise
    };

    // The lock file "mirovan-control.lock" in folder.
    explicit SingleCopyLock(std::string folder) : folder(std::move(folder)) {}
    // Releases the lock.
    ~SingleCopyLock();
    SingleCopyLock(const SingleCopyLock&) = delete;
    SingleCopyLock& operator=(const SingleCopyLock&) = delete;

    // Takes the lock when it is free, and keeps it from then on. Never waits. Asked again
    // only while the lock is not held.
    State Take();

  private:
    std::string folder;
    int fd = -1;
};

// Earlier versions kept the single-copy rule in a file in the home folder that held the pid of
// the copy that ran. That file, at path, is removed when it is this user's and holds nothing
// but a pid, as those versions wrote it, unless a copy of theirs still runs.
void RemoveEarlierLockFile(const std::string& path);

}  // namespace platform
