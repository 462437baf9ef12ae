#pragma once
// Parsers of what the kernel's /proc/asound hands over about PCM substreams: the text of a
// substream's status and hw_params files, and the names of the folders that hold them. The
// bytes are distrusted: any length, NULs and garbage give an answer, never a fault.

#include <cstdint>
#include <string_view>

namespace platform {

struct SubstreamStatus {
    bool held = false;  // a program has the substream open
    int ownerPid = 0;   // the holder, when the text names it (once a stream is set up)
};

// .../pcmD{p,c}/subS/status: "closed"; "no setup" (opened, no stream set up yet); or a
// "state: ..." report with an "owner_pid   : N" line. Any text but "closed" is a held
// substream; so is text that cannot be understood. Empty text (nothing could be read) is not.
SubstreamStatus ParseSubstreamStatus(std::string_view text);

// .../pcmD{p,c}/subS/hw_params: the "rate: N (N/1)" line of a stream that is set up; 0 when
// the text shows none ("closed", "no setup") or a rate beyond any sound card's.
uint32_t ParseHwParamsRate(std::string_view text);

// "card12" with prefix "card" gives 12: decimal digits right after the prefix, nothing after
// them, at most kMaxNameNumber.
constexpr int kMaxNameNumber = 99999;
bool ParseNumberedName(std::string_view name, std::string_view prefix, int* number);

// A PCM folder of a card: "pcm0p" is device 0's playback side, "pcm3c" device 3's capture.
bool ParsePcmFolderName(std::string_view name, int* device, bool* capture);

}  // namespace platform
