// Feeds arbitrary bytes to the parsers of what /proc/asound hands over: a substream's status
// and hw_params text, and the names of a card's folders. Whatever the bytes, each answer stays
// within its bounds, and a name taken as a card's or a PCM's folder is exactly the name its
// numbers would make.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/linux/ProcAsoundText.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const platform::SubstreamStatus status = platform::ParseSubstreamStatus(text);
    Check(status.ownerPid >= 0 && status.ownerPid <= 4194304);
    Check(status.held || status.ownerPid == 0);
    if (text == "closed" || text == "closed\n") Check(!status.held);

    Check(platform::ParseHwParamsRate(text) <= 10000000);

    int number = -1;
    if (platform::ParseNumberedName(text, "card", &number)) {
        Check(number >= 0 && number <= platform::kMaxNameNumber);
        Check(text == "card" + std::to_string(number));
    }
    int device = -1;
    bool capture = false;
    if (platform::ParsePcmFolderName(text, &device, &capture))
        Check(text == "pcm" + std::to_string(device) + (capture ? "c" : "p"));
    return 0;
}
