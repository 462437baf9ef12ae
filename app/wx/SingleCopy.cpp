#include "app/wx/SingleCopy.h"

#include <wx/utils.h>
#include <chrono>

#include "platform/wx/DocumentHandOver.h"

namespace {

// How often a copy that waits for the running copy looks again.
constexpr unsigned long kRetryMs = 20;

}  // namespace

SingleCopy::Start SingleCopy::Decide(const std::optional<std::string>& fileNamed) {
    using State = platform::SingleCopyLock::State;
    const auto deadline = std::chrono::steady_clock::now() + platform::kHandOverTime;
    for (;;) {
        const State state = lock.Take();
        if (state == State::Held) return Start::Run;
        if (RunningCopyAnswered(fileNamed))
            return handOverStatus >= 0 ? Start::HandedOver : Start::Refused;
        // Where no lock can be had, a copy that answers is all there is to go by.
        if (state == State::Unavailable) return Start::Run;
        if (std::chrono::steady_clock::now() >= deadline) return Start::Refused;
        wxMilliSleep(kRetryMs);
    }
}

bool SingleCopy::RunningCopyAnswered(const std::optional<std::string>& fileNamed) {
    if (!fileNamed) return platform::RunningCopyListens();
    const platform::HandOver handOver = platform::HandDocumentToRunningCopy(*fileNamed);
    if (handOver == platform::HandOver::NoCopy) return false;
    handOverStatus = handOver == platform::HandOver::Taken ? 0 : 1;
    return true;
}
