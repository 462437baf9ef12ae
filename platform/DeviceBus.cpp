#include "platform/DeviceBus.h"

#include <mutex>
#include <shared_mutex>

#include "platform/AudioDeviceList.h"
#include "platform/BusHold.h"
#include "platform/RegistryPublisher.h"

namespace platform {
namespace {

struct BusSlot {
    std::shared_mutex mutex;  // shared by calls into the bus, exclusive to swap it
    DeviceBus* bus = nullptr;
    uint64_t serial = 0;
};

BusSlot& Slot() {
    static BusSlot slot;
    return slot;
}

// What the platform shows of the installed bus; changed only under the presence lock.
struct Published {
    std::mutex mutex;
    BusPresence presence;   // the last snapshot applied
    RegistryEntry top = 0;  // the entry carrying GUID and node id; 0 while none is published
    AudioDeviceID audio = kAudioDeviceUnknown;
};

Published& Shown() {
    static Published published;
    return published;
}

void PublishServices(Published& p, const BusPresence& presence) {
    ServiceDescription top;
    top.serviceClass = "FireWireDevice";
    top.numbers = {{kGUIDKey, presence.guid}, {kNodeIDKey, presence.nodeID}};
    RegistryEntry entry = RegistryPublish(0, top);
    p.top = entry;
    static const char* const kLevels[kDeviceServiceDepth - 1] = {"FireWireUnit", "FireWireAVCUnit",
                                                                 "FireWireAudioEngine"};
    for (const char* level : kLevels) entry = RegistryPublish(entry, {level, {}, {}});
    RegistryPublish(entry,
                    {kDeviceServiceClass,
                     {{kManufacturerKey, kDeviceManufacturer}, {kProductKey, kDeviceProduct}},
                     {}});
}

// Brings the registry and the audio device list from what was shown to `presence`.
void Apply(Published& p, const BusPresence& presence) {
    const BusPresence& old = p.presence;
    bool replugged = presence.generation != old.generation;

    bool wantServices = presence.fireWirePresent && presence.nodeID != 0;
    if (p.top && (!wantServices || replugged || presence.nodeID != old.nodeID ||
                  presence.guid != old.guid)) {
        RegistryTerminate(p.top);
        p.top = 0;
    }
    if (p.audio != kAudioDeviceUnknown && (presence.audioDevice != p.audio || replugged)) {
        p.audio = kAudioDeviceUnknown;
        AudioHardwareSetDevices({});
    }
    p.presence = presence;
    if (wantServices && !p.top) PublishServices(p, presence);
    if (presence.audioDevice != kAudioDeviceUnknown && p.audio == kAudioDeviceUnknown) {
        p.audio = presence.audioDevice;
        AudioHardwareSetDevices({presence.audioDevice});
    }
}

}  // namespace

BusHold::BusHold() : lock_(Slot().mutex), bus_(Slot().bus), serial_(Slot().serial) {}

void InstallDeviceBus(DeviceBus* bus) {
    Published& p = Shown();
    std::lock_guard<std::mutex> presenceLock(p.mutex);
    {
        // Waits until every call into the old bus has returned.
        std::unique_lock<std::shared_mutex> lock(Slot().mutex);
        if (Slot().bus == bus) return;
        Slot().bus = bus;
        ++Slot().serial;
    }
    BusPresence presence;
    if (bus) presence = bus->Presence();
    // A new bus's snapshot never counts as the same plug as the old bus's.
    p.presence.generation = ~presence.generation;
    Apply(p, presence);
}

DeviceBus* InstalledDeviceBus() {
    BusHold hold;
    return hold.bus();
}

void DeviceBusPresenceChanged(DeviceBus* bus, const BusPresence& presence) {
    Published& p = Shown();
    std::lock_guard<std::mutex> presenceLock(p.mutex);
    if (!bus || InstalledDeviceBus() != bus) return;
    if (presence.sequence <= p.presence.sequence) return;
    Apply(p, presence);
}

void DeviceBusAudioPropertyChanged(DeviceBus* bus, AudioDeviceID device, AudioPropertyID property) {
    if (!bus || InstalledDeviceBus() != bus) return;
    AudioHardwareDevicePropertyChanged(device, property);
}

}  // namespace platform
