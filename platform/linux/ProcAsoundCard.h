#pragma once
// What /proc/asound/cardN shows of a card's PCM substreams: whether another program holds one,
// and the rate of a stream set up on one. Readable by every user, unlike /dev/snd.

#include <cstdint>
#include <vector>

namespace platform {

struct PcmDevice {
    int device = 0;
    bool capture = false;
    bool operator==(const PcmDevice&) const = default;
};

struct CardActivity {
    bool heldByOther = false;     // a substream is held by a process other than `self`
    uint32_t streamRate = 0;      // the rate of a stream set up on the card, 0 when none is
    std::vector<PcmDevice> pcms;  // the card's PCM devices, by number, playback first
};

// A substream whose holder is not named (opened, no stream set up yet) counts as another's:
// the caller does not read while it has a PCM of its own open.
CardActivity ReadCardActivity(int card, int self);

}  // namespace platform
