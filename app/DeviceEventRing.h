#pragma once
// The queue of device events between the device, which raises them synchronously inside
// its open, and the idle handler, which handles them later. Eight slots, one always free:
// at most seven events wait, and further ones are dropped.

#include "device/MirovanHAL.h"

class DeviceEventRing {
  public:
    // False when the ring is full and the event was dropped.
    bool Push(MirovanHAL::Event event);

    // Takes the oldest event. The slot is released before the caller handles it, so a
    // handler that drains again does not see the same event twice.
    bool Pop(MirovanHAL::Event* event);

    bool Empty() const { return write == read; }

  private:
    static constexpr int kSlots = 8;
    MirovanHAL::Event slots[kSlots] = {};
    int write = 0;
    int read = 0;
};
