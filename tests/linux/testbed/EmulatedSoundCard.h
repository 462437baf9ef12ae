#pragma once
// The kernel's side of one ALSA card of the MirovanLE: its devices in sysfs (the card below the
// FireWire unit it belongs to, its control and one PCM device each way, with their /dev/snd
// nodes), the control node's answers to alsa-lib (card info), the PCMs (EmulatedSoundPcm) and
// /proc/asound/cardN. A stream set up on the card sets the device model's nominal rate.
//
// Knobs for tests: remove the card (as at unplug), refuse every new open with EBUSY, refuse
// hw_params. Another program holding a PCM is a SoundHolderProcess.
//
// A card number names its /dev/snd nodes: a card plugged again may take the number of one that
// was removed once that one is destroyed, not before.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "devsim/DeviceModel.h"
#include "tests/linux/testbed/EmulatedSoundPcm.h"
#include "tests/linux/testbed/Testbed.h"

namespace testbed {

struct SoundCardOptions {
    int number = 1;  // the card's number: controlC<number>, /proc/asound/card<number>
    std::string name = "MirovanLE";  // the card's short name, as the control reports it
    std::string parent;              // sysfs path of the FireWire unit (".../fw1/fw1.0")
};

class EmulatedSoundCard {
  public:
    // Adds the card with its add uevents.
    EmulatedSoundCard(Testbed& testbed, devsim::DeviceModel& device, SoundCardOptions options);
    // Removes the card when it is still there, and gives its nodes back to the testbed.
    ~EmulatedSoundCard();
    EmulatedSoundCard(const EmulatedSoundCard&) = delete;
    EmulatedSoundCard& operator=(const EmulatedSoundCard&) = delete;

    int Number() const { return options_.number; }
    const std::string& Syspath() const { return syspath_; }

    // Unplugged: remove uevents for the control, the PCMs and the card, which leave sysfs;
    // /proc/asound/cardN goes; fds still open answer ENODEV. Call it before removing the
    // FireWire unit, which takes the card's sysfs folders along without a uevent.
    void Remove();
    // While set, a new open of a PCM is refused with EBUSY, as when another program took the
    // card a moment ago (nothing shows in /proc).
    void SetBusy(bool busy);
    // HW_PARAMS fails with `error` and changes nothing (EIO: the device found no clock to lock
    // to); 0 accepts again.
    void SetHwParamsError(int error);

    // Opens of the card's PCMs so far, by any process.
    uint32_t PcmOpens();
    // The rate of a stream set up on the card, 0 while none is.
    uint32_t StreamRate();

  private:
    class Control;

    // Follows opens and closes of the PCM nodes, as the kernel sees them, and the clients
    // that umockdev finds gone.
    void FollowClients();

    Testbed& testbed_;
    const SoundCardOptions options_;
    SoundCardShared shared_;
    std::unique_ptr<Control> control_;
    std::unique_ptr<EmulatedSoundPcm> playback_;
    std::unique_ptr<EmulatedSoundPcm> capture_;
    std::string syspath_;
    std::string children_[3];  // playback, capture, control

    int nodeEvents_ = -1;  // inotify on the testbed's /dev/snd
    std::atomic<bool> stopping_{false};
    std::thread follower_;
};

}  // namespace testbed
