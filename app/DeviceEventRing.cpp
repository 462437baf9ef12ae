#include "app/DeviceEventRing.h"

bool DeviceEventRing::Push(MirovanHAL::Event event) {
    const int next = (write + 1) % kSlots;
    if (next == read) return false;
    slots[write] = event;
    write = next;
    return true;
}

bool DeviceEventRing::Pop(MirovanHAL::Event* event) {
    if (Empty()) return false;
    *event = slots[read];
    read = (read + 1) % kSlots;
    return true;
}
