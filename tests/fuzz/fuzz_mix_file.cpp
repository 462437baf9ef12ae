// Loads arbitrary bytes as a mix file into the device plug-in, the way the program loads one:
// either a check fails with its message and no parameter changes, or every parameter ends
// within 0..1. A file that passes the checks must also come back unchanged when its values
// are written out again.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/MixFile.h"
#include "app/MixFiles.h"
#include "app/UserMessages.h"
#include "device/MirovanPlugin.h"
#include "tests/fuzz/ScratchFile.h"
#include "views/PPlugIn.h"

namespace {

class CountingMessages : public UserMessages {
  public:
    void ShowError(const std::string& text) override {
        if (text.empty()) std::abort();  // every failed check has its words
        ++shown;
    }
    int shown = 0;
};

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ScratchFile file;
    file.Fill(data, size);

    MirovanPlugin plugin;
    PPlugIn wrapper(&plugin, nullptr);
    const std::vector<float> before = TakeSnapshot(&wrapper);
    CountingMessages messages;
    int loads = 0;
    MixFiles files(&wrapper, &messages, [&loads] { ++loads; });

    if (!files.Load(file.path(), kMixFileId, false)) std::abort();  // the file is readable
    if (messages.shown + loads != 1) std::abort();
    const std::vector<float> after = TakeSnapshot(&wrapper);
    if (messages.shown == 1 && !SameBits(before, after)) std::abort();
    for (float value : after)
        if (!(value >= 0.0f && value <= 1.0f)) std::abort();

    std::vector<float> values;
    if (ParseMixFile(data, size, kMixFileId, kMixFileVersion, kMirovanParameterCount, &values) !=
        MixCheck::Ok)
        return 0;
    if (values.size() > size_t(kMirovanParameterCount)) std::abort();
    const std::vector<uint8_t> again = BuildMixFile(kMixFileId, kMixFileVersion, values);
    std::vector<float> reread;
    if (ParseMixFile(again.data(), again.size(), kMixFileId, kMixFileVersion,
                     kMirovanParameterCount, &reread) != MixCheck::Ok ||
        !SameBits(values, reread))
        std::abort();
    return 0;
}
