#pragma once
// What udev knows of the machine's sound cards: the "cardN" devices of the sound subsystem, and
// its reports of sound devices coming and going.

#include <string>
#include <vector>

#include "platform/linux/UdevSubsystem.h"

namespace platform {

struct SoundCardEntry {
    int number = -1;      // the ALSA card number
    std::string syspath;  // the card's sysfs path, below the device it belongs to
};

class SoundCardList {
  public:
    SoundCardList();

    // The cards whose control device is there too (alsa-lib reaches a card through it), by
    // number.
    std::vector<SoundCardEntry> Cards();
    // Readable when udev reported a sound device; -1 without a monitor.
    int MonitorFd() const { return devices_.Fd(); }
    // Takes every queued report; true when there was one. The sysfs paths of cards reported
    // removed are added to *removed: a card that went and came back at once looks the same to
    // Cards() but is a new card.
    bool TakeReports(std::vector<std::string>* removed);

  private:
    UdevSubsystem devices_;
};

}  // namespace platform
