#pragma once
// The main thread's run loop: work that other threads, and the platform's notifications,
// hand to the main thread. Posting is thread-safe; the work runs when the main thread drains
// the queue (in the program through the toolkit's event loop, in tests by the test).

#include <cstddef>
#include <functional>

namespace platform {

void PostToMainRunLoop(std::function<void()> work);

// Runs everything posted so far, in posting order, including what that work posts itself.
// Main thread only. Returns the number of items run.
size_t RunMainRunLoopPending();

// Called on the posting thread after every post, so the program can schedule a drain on
// its event loop. An empty function removes the wake-up.
void SetMainRunLoopWakeup(std::function<void()> wakeup);

}  // namespace platform
