#pragma once
// What a test sees of the platform: the registry's device service found through a matching
// notification and watched through an interest notification, and calls of audio listeners
// with the thread they ran on.

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/AudioHardware.h"
#include "platform/DeviceBus.h"
#include "platform/DeviceRegistry.h"

namespace devsim_test {

struct RegistryWatch {
    RegistryWatch() {
        port = platform::NotificationPortCreate();
        platform::MatchingDictionary matching{
            platform::kDeviceServiceClass,
            {{platform::kManufacturerKey, "Kestrovel"}, {platform::kProductKey, "MirovanLE"}}};
        platform::AddMatchingNotification(port, matching, &Matched, this, &iterator);
        Matched(this, iterator);
    }
    ~RegistryWatch() {
        if (interest) platform::ReleaseInterestNotification(interest);
        platform::ReleaseIterator(iterator);
        platform::NotificationPortDestroy(port);
    }

    static void Matched(void* self, platform::ServiceIterator* it) {
        auto* w = static_cast<RegistryWatch*>(self);
        while (platform::RegistryEntry service = platform::IteratorNext(it)) {
            ++w->matches;
            platform::RegistryEntry top = service;
            for (int i = 0; i < platform::kDeviceServiceDepth; ++i)
                top = platform::RegistryEntryGetParent(top);
            w->guid = w->node = 0;
            platform::RegistryEntryGetNumberProperty(top, platform::kGUIDKey, &w->guid);
            platform::RegistryEntryGetNumberProperty(top, platform::kNodeIDKey, &w->node);
            if (w->interest) platform::ReleaseInterestNotification(w->interest);
            w->interest = nullptr;
            platform::AddInterestNotification(w->port, top, &Interest, w, &w->interest);
        }
    }
    static void Interest(void* self, platform::RegistryEntry, uint32_t message, void*) {
        auto* w = static_cast<RegistryWatch*>(self);
        if (message == platform::kMessageServiceIsTerminated) {
            ++w->terminations;
            w->node = 0;
        }
    }

    platform::NotificationPort* port = nullptr;
    platform::ServiceIterator* iterator = nullptr;
    platform::InterestNotification* interest = nullptr;
    int matches = 0;
    int terminations = 0;
    uint64_t guid = 0;
    uint64_t node = 0;
};

struct ListenerCall {
    AudioPropertyID property;
    std::thread::id thread;
};

// Listens to the device list, and to 'nsrt', 'csrc' and 'gone' of the device it finds there.
// Reads the name of every device it finds at once, as the program's audio link does.
struct AudioWatch {
    AudioWatch() {
        AudioHardwareAddPropertyListener(kAudioHardwarePropertyDevices, &DeviceList, this);
        DeviceList(kAudioHardwarePropertyDevices, this);
    }
    ~AudioWatch() {
        AudioHardwareRemovePropertyListener(kAudioHardwarePropertyDevices, &DeviceList);
        for (AudioPropertyID p : kProperties)
            AudioDeviceRemovePropertyListener(device, 0, false, p, &Property);
    }

    static constexpr AudioPropertyID kProperties[3] = {
        kAudioDevicePropertyNominalSampleRate, kAudioDevicePropertyClockSource,
        kAudioDevicePropertyDeviceIsRunningSomewhere};

    static OSStatus DeviceList(AudioPropertyID property, void* self) {
        auto* w = static_cast<AudioWatch*>(self);
        w->Record(property);
        AudioDeviceID ids[4] = {};
        uint32_t size = sizeof ids;
        AudioHardwareGetProperty(kAudioHardwarePropertyDevices, &size, ids);
        AudioDeviceID found = size >= sizeof(AudioDeviceID) ? ids[0] : 0;
        if (found && found != w->device)
            for (AudioPropertyID p : kProperties)
                AudioDeviceAddPropertyListener(found, 0, false, p, &Property, w);
        w->named = false;
        w->device = found;
        char name[64] = {};
        uint32_t nameSize = sizeof name - 1;
        w->named = found &&
                   AudioDeviceGetProperty(found, 0, false, kAudioDevicePropertyDeviceName,
                                          &nameSize, name) == 0 &&
                   std::string(name) == "MirovanLE";
        return 0;
    }
    static OSStatus Property(AudioDeviceID, uint32_t, bool, AudioPropertyID property, void* self) {
        static_cast<AudioWatch*>(self)->Record(property);
        return 0;
    }
    void Record(AudioPropertyID property) {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back({property, std::this_thread::get_id()});
    }
    std::vector<ListenerCall> Take() {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<ListenerCall> taken;
        taken.swap(calls);
        return taken;
    }

    std::atomic<AudioDeviceID> device{0};
    std::atomic<bool> named{false};  // the name of `device` was read when it was found
    std::mutex mutex;
    std::vector<ListenerCall> calls;
};

}  // namespace devsim_test
