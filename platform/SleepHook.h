#pragma once
// Every sleep of the device code goes through one hook, so tests can record sleeps instead
// of waiting them out.

#include <cstdint>

namespace platform {

using SleepFunction = void (*)(uint32_t microseconds);

// Sleeps through the installed function (the real sleep unless a test installed another).
void SleepMicroseconds(uint32_t microseconds);

// Installs a sleep function; null restores the real sleep. Returns the previous one.
SleepFunction SetSleepFunction(SleepFunction function);

}  // namespace platform
