#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/AudioHardware.h"

// What the audio layer's listeners know of the device's audio device. The listeners write it
// on the audio layer's own thread and the main thread reads it without a lock, so every field
// is an atomic of its own; no reader relies on two fields being read together.
struct AudioDeviceRecord {
    std::atomic<uint32_t> deviceId{0};    // the followed audio device; 0 while none
    std::atomic<int32_t> nominalRate{0};  // nominal sample rate in Hz, truncated toward zero
    // The current clock source's name ends with "Ext Plug 3".
    std::atomic<bool> externalClock{false};
    std::atomic<uint32_t> inUse{0};  // nonzero while any client runs the device

    // The audio devices on which listeners were added with this record as client data, so
    // they can be removed before the record is freed.
    std::mutex listenedLock;
    std::vector<AudioDeviceID> listened;
};

// Follows the platform's audio device of the MirovanLE: picks it out by name, keeps its
// nominal sample rate, clock source and in-use state current through listeners, and sets its
// nominal sample rate on request.
class AudioDriver {
  public:
    // The first nine bytes of a device name that make an audio device the MirovanLE's.
    static constexpr char searchname[] = "MirovanLE";

    AudioDriver();
    // Removes every listener it added, then frees the record.
    ~AudioDriver();

    bool Open();
    void Close();
    int GetSampleRate() const;
    // 0 set; 3 the rate is not supported; 1 any other error, or no device.
    int SetSampleRate(int rate);
    bool IsInUse() const;
    bool IsExternalClockAvailable() const;

    static OSStatus deviceListener(AudioPropertyID property, void* clientData);
    static OSStatus propertyListener(AudioDeviceID device, uint32_t channel, bool isInput,
                                     AudioPropertyID property, void* clientData);

    AudioDeviceRecord* record;
};
