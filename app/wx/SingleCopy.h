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
        Run,         // this process is the running copy: it holds the lock, or none can be
                     // had and no copy answers
        HandedOver,  // the file named went to the running copy; HandOverStatus says how
        Refused,     // another copy runs: no file was named, or that copy never listened
    };

    // Decides at start-up. fileNamed is the file named on the command line, if any. A copy
    // that holds the lock and does not answer is starting or ending: it is asked again until
    // the hand-over's deadline, and should it end meanwhile, this process takes the lock and
    // runs in its place.
    Start Decide(const std::optional<std::string>& fileNamed);

    // After Start::HandedOver, the exit status: 0 when the running copy took the file, 1 when
    // it refused it or did not answer (which standard error says).
    int HandOverStatus() const { return handOverStatus; }

  private:
    // Whether the copy that holds the lock answered: it took or refused fileNamed, or, without
    // a file, it listens.
    bool RunningCopyAnswered(const std::optional<std::string>& fileNamed);

    // Held from Start::Run until this object goes, at the latest when the process ends.
    platform::SingleCopyLock lock;
    int handOverStatus = -1;
};
