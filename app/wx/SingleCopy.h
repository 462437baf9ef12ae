#pragma once
// Whether this process is the one copy of the program that runs for this user. A process
// started while another copy runs hands the file it was given to that copy, as the desktop
// expects, and ends.

#include <optional>
#include <string>

#include "platform/SingleCopyLock.h"

class SingleCopy {
  public:
    enum class Start {
        Run,         // this process is the running copy: no copy answers, and it holds the
                     // lock or none can be had
        HandedOver,  // the file named went to the running copy; HandOverStatus says how
        Refused,     // another copy runs: no file was named, or that copy does not answer
    };

    // The lock and the socket in the single-copy folder (see platform::SingleCopyFolder).
    SingleCopy();

    // Decides at start-up. fileNamed is the file named on the command line, if any. A copy
    // that answers on the hand-over socket is the running copy, whether or not this process
    // could take the lock. A copy that holds the lock and does not answer is starting, or
    // ending, or it never listened: it is asked again until the hand-over's deadline, and
    // should it end meanwhile, this process takes the lock and runs in its place. Where no
    // copy could ever answer on the socket, it is not waited for.
    Start Decide(const std::optional<std::string>& fileNamed);

    // After Start::HandedOver, the exit status: 0 when the running copy took the file, 1 when
    // it refused it or did not answer (which standard error says). Nothing otherwise.
    std::optional<int> HandOverStatus() const { return handOverStatus; }

    // The hand-over socket that the running copy serves; empty when there is none.
    const std::string& HandOverSocket() const { return socket; }

  private:
    // Whether a running copy answered: it took or refused fileNamed, or, without a file, it
    // listens. Copies of earlier versions are asked where they listen.
    bool RunningCopyAnswered(const std::optional<std::string>& fileNamed);

    const std::string folder;
    const std::string socket;
    // Held from Start::Run until this object goes, at the latest when the process ends.
    platform::SingleCopyLock lock;
    std::optional<int> handOverStatus;
};
