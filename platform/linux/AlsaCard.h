#pragma once
// The two things the panel asks of alsa-lib about a card: its name, and setting its rate.

#include <cstdint>
#include <string>

namespace platform {

// The card's short name as its control reports it (the card info name), at most 255 bytes.
// False when the control cannot be opened or read.
bool ReadSoundCardName(int card, std::string* name);

struct PcmRateResult {
    enum Kind {
        Set,      // the card runs at the rate now
        Busy,     // another program holds the PCM: nothing changed
        Refused,  // the card does not take the rate (now)
        Gone,     // the card is not there any more
        Failed,   // anything else; `error` says what
    };
    Kind kind = Failed;
    int error = 0;  // the negative errno alsa-lib gave
};

// Sets the rate of hw:CARD,DEVICE the way a program that plays would, without playing: opens it
// non-blocking (a blocking open would wait for a busy substream), tests the rate, sets the
// hardware parameters (which also prepares the stream) and closes it at once, since an open PCM
// blocks every other audio program.
PcmRateResult SetPcmRate(int card, int device, bool capture, uint32_t rate);

}  // namespace platform
