#include "platform/RunLoop.h"

#include <deque>
#include <mutex>
#include <utility>

namespace platform {
namespace {

std::mutex& QueueMutex() {
    static std::mutex mutex;
    return mutex;
}

std::deque<std::function<void()>>& Queue() {
    static std::deque<std::function<void()>> queue;
    return queue;
}

std::function<void()>& Wakeup() {
    static std::function<void()> wakeup;
    return wakeup;
}

}  // namespace

void PostToMainRunLoop(std::function<void()> work) {
    if (!work) return;
    std::function<void()> wakeup;
    {
        std::lock_guard<std::mutex> lock(QueueMutex());
        Queue().push_back(std::move(work));
        wakeup = Wakeup();
    }
    // Called outside the lock: the wake-up may post or drain itself.
    if (wakeup) wakeup();
}

size_t RunMainRunLoopPending() {
    size_t count = 0;
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard<std::mutex> lock(QueueMutex());
            if (Queue().empty()) return count;
            work = std::move(Queue().front());
            Queue().pop_front();
        }
        work();
        ++count;
    }
}

void SetMainRunLoopWakeup(std::function<void()> wakeup) {
    std::lock_guard<std::mutex> lock(QueueMutex());
    Wakeup() = std::move(wakeup);
}

}  // namespace platform
