#pragma once
// Holds the installed device bus for the length of one call, so it cannot be uninstalled
// (and deleted) while the call runs. Never hold one while waiting for another thread.

#include <cstdint>
#include <shared_mutex>

#include "platform/DeviceBus.h"

namespace platform {

class BusHold {
  public:
    BusHold();
    BusHold(const BusHold&) = delete;
    BusHold& operator=(const BusHold&) = delete;

    DeviceBus* bus() const { return bus_; }
    // Changes with every installation, so a handle taken from one bus is not used on another.
    uint64_t serial() const { return serial_; }

  private:
    std::shared_lock<std::shared_mutex> lock_;
    DeviceBus* bus_;
    uint64_t serial_;
};

}  // namespace platform
