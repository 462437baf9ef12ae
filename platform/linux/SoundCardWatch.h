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
//
// The rate is the one of a stream set up on the card; while none is, the rate seen or set last
// since the card appeared. A card that appears with nothing known is set to 44100 Hz, the rate
// the panel starts with, so that the rate shown is the card's; when that fails, one line on
// standard error says so, 44100 is shown, and the next DeviceOpening tries once more.

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/AudioHardware.h"
#include "platform/linux/AlsaCard.h"
#include "platform/linux/ProcAsoundCard.h"
#include "platform/linux/SoundCardList.h"
#include "platform/linux/SoundNodeWatch.h"

namespace platform {

class SoundCardWatch {
  public:
    struct Card {
        bool present = false;
        int index = -1;       // the ALSA card number
        uint64_t serial = 0;  // grows each time a card is taken, so a new card never looks old
        std::string name;     // as the card reports it, at most 255 bytes
        uint32_t rate = 0;    // Hz
        bool inUse = false;   // another program holds one of its substreams
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

    // Takes a first look before returning, so Current() is current; the listener hears of the
    // changes after it.
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

  private:
    using Clock = std::chrono::steady_clock;

    // Where a rate is set: a PCM of the card taken.
    struct Target {
        int card = -1;
        PcmDevice pcm;
        uint64_t serial = 0;
    };

    void Run();
    void Wake();
    // Asks udev for the cards and takes the one to follow.
    void Rescan();
    void Take(const SoundCardEntry& entry, const std::string& name);
    void Drop();
    // Reads the taken card's substreams from /proc.
    void Look();
    void SetInitialRate();
    OSStatus TargetOf(Target* target);
    PcmRateResult ApplyRate(const Target& target, uint32_t rate);
    // The card of `serial` runs at `rate`.
    void Learn(uint64_t serial, uint32_t rate);
    // Tells the listener what changed since it was last told.
    void Publish();

    Listener& listener_;
    SoundCardList cards_;  // the watch's thread only, after the constructor
    SoundNodeWatch nodes_;
    std::map<std::string, std::string> names_;  // card syspath -> name, for the cards udev lists
    int wake_[2] = {-1, -1};

    // Held while this process has a PCM open, and while /proc is read, so that a look never
    // sees this process's own open as another program's.
    std::mutex pcmMutex_;

    std::mutex mutex_;  // what follows
    Card card_;
    std::string syspath_;  // the card taken
    std::vector<PcmDevice> pcms_;
    bool rateKnown_ = false;                      // seen or set since the card appeared
    std::map<std::string, uint32_t> knownRates_;  // of the cards listed, by syspath
    bool initialPending_ = false;                 // the rate could not be set as the card appeared
    bool failureSaid_ = false;
    uint64_t serials_ = 0;
    std::string fireWireNode_;
    bool rescanWanted_ = false;
    bool stopping_ = false;

    // The watch's thread only.
    Card reported_;
    Clock::time_point lastLook_;
    bool settling_ = false;  // PCM nodes were opened or closed; look once the burst is over
    Clock::time_point burstStart_, burstLast_;
    std::thread thread_;
};

}  // namespace platform
