#include "app/wx/SingleCopy.h"

#include <chrono>
#include <thread>

#include "platform/PrivateSocket.h"
#include "platform/wx/DocumentHandOver.h"
#include "platform/wx/Paths.h"

SingleCopy::SingleCopy()
    : folder(platform::SingleCopyFolder()), socket(platform::HandOverSocketIn(folder)),
      lock(folder) {}

SingleCopy::Start SingleCopy::Decide(const std::optional<std::string>& fileNamed) {
    using State = platform::SingleCopyLock::State;
    const auto deadline = std::chrono::steady_clock::now() + platform::kHandOverTime;
    for (;;) {
        const State state = lock.Take();
        // Asked even by a process that took the lock: a copy of an earlier version keeps no
        // lock here, and a copy whose lock file was removed holds its lock on a file that is
        // gone.
        if (RunningCopyAnswered(fileNamed))
            return handOverStatus ? Start::HandedOver : Start::Refused;
        if (state != State::HeldByAnother) {
            // This process holds the lock, or none can be had, and then a copy that answers is
            // all there is to go by. Either way this process is the running copy.
            platform::RemoveEarlierLockFile(platform::EarlierLockFilePath());
            return Start::Run;
        }
        // The holder does not answer yet; where no copy could ever answer, it is not waited for.
        if (!platform::SocketCanBeServed(socket) || std::chrono::steady_clock::now() >= deadline)
            return Start::Refused;
        std::this_thread::sleep_for(platform::kHandOverRetry);
    }
}

bool SingleCopy::RunningCopyAnswered(const std::optional<std::string>& fileNamed) {
    for (const std::string& at : {socket, platform::EarlierHandOverSocket()}) {
        if (!fileNamed) {
            if (platform::RunningCopyListens(at)) return true;
        } else if (const platform::HandOver handOver =
                       platform::HandDocumentToRunningCopy(at, *fileNamed);
                   handOver != platform::HandOver::NoCopy) {
            handOverStatus = handOver == platform::HandOver::Taken ? 0 : 1;
            return true;
        }
    }
    return false;
}
