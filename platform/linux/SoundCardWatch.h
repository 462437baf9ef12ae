#pragma once
// Follows the MirovanLE's ALSA card: whether it is there, its name, its nominal rate and
// whether another program runs it, and sets its rate.
//
// The card is the one whose name (the control interface's card info name) begins with
// "MirovanLE"; of several, the one whose sysfs parents hold the FireWire node in use, else the
// first. Cards come and go through udev's sound subsystem; a program opening or closing one of
// the card's PCMs shows on inotify of /dev/snd.
//
// Its own thread waits in poll on its udev monitor, its inotify fd and a wake pipe; while the
// card is in use it also looks every 250 ms, since a program may change the rate of a stream it
// holds without opening or closing anything. The listener is called on that thread.

#include <cstdint>
#include <string>

#include "platform/AudioHardware.h"

namespace platform {

class SoundCardWatch {
  public:
    struct Card {
        bool present = false;
        int index = -1;        // the ALSA card number
        uint64_t serial = 0;   // grows each time a card is taken, so a new card never looks old
        std::string name;      // as the card reports it, at most 255 bytes
        uint32_t rate = 0;     // Hz
        bool inUse = false;    // another program holds one of its substreams
    };

    class Listener {
      public:
        virtual ~Listener() = default;
        // The card taken appeared, went, or another one was taken.
        virtual void SoundCardChanged() = 0;
        // kAudioDevicePropertyNominalSampleRate or kAudioDevicePropertyDeviceIsRunningSomewhere
        // of the card taken changed.
        virtual void SoundCardPropertyChanged(AudioPropertyID property) = 0;
    };

    explicit SoundCardWatch(Listener& listener);
    ~SoundCardWatch();
    SoundCardWatch(const SoundCardWatch&) = delete;
    SoundCardWatch& operator=(const SoundCardWatch&) = delete;

    // The sysfs path of the FireWire node in use ("/sys/devices/.../fw1"), empty for none: a
    // card below it is preferred.
    void SetFireWireNode(const std::string& syspath);
    Card Current();

    // kAudioHardwareNoError when set, and also when another program holds the card (nothing
    // changes then, and the device stays open); kAudioDeviceUnsupportedFormatError for a rate
    // the card refuses; kAudioHardwareBadDeviceError without a card; else
    // kAudioHardwareUnspecifiedError. A rate that changes reaches the listener from the watch's
    // thread.
    OSStatus SetRate(uint32_t rate);
    // The device is being opened: when the rate could not be set as the card appeared, try once
    // more.
    void DeviceOpening();
};

}  // namespace platform
