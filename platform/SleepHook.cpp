#include "platform/SleepHook.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {
namespace {

void RealSleep(uint32_t microseconds) {
    std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

std::atomic<SleepFunction> g_sleep{&RealSleep};

}  // namespace

void SleepMicroseconds(uint32_t microseconds) {
    g_sleep.load()(microseconds);
}

SleepFunction SetSleepFunction(SleepFunction function) {
    SleepFunction previous = g_sleep.exchange(function ? function : &RealSleep);
    return previous == &RealSleep ? nullptr : previous;
}

}  // namespace platform
