#pragma once
// The rule that one copy of the program runs for each user. It is an exclusive flock on a file
// beside the hand-over socket, in the user's private runtime folder. The kernel releases the
// lock when the process ends, however it ends, so nothing that a crash, a kill or a power cut
// leaves behind can refuse or delay a start.

namespace platform {

class SingleCopyLock {
  public:
    enum class State {
        Held,           // this process holds the lock
        HeldByAnother,  // a live process holds it
        Unavailable,    // no lock can be had here (no private folder, or no file in it)
    };

    SingleCopyLock() = default;
    // Releases the lock.
    ~SingleCopyLock();
    SingleCopyLock(const SingleCopyLock&) = delete;
    SingleCopyLock& operator=(const SingleCopyLock&) = delete;

    // Takes the lock when it is free; once held, it stays held. Never waits.
    State Take();

  private:
    int fd = -1;
};

}  // namespace platform
