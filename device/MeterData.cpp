#include "device/MeterData.h"

namespace {

constexpr int kSweepLength = 14;
constexpr int kFirstOutputPosition = 6;
constexpr uint32_t kFirstInputMeter = 90;
constexpr uint32_t kFirstOutputMeter = 96;
// Output meter slots follow the four unpolled slots 6 to 9.
constexpr int kOutputSlotOffset = 4;
// 2^-31: the register value 0x80000000 reads as 1.0.
constexpr float kFullScale = 1.0f / 2147483648.0f;

// The order in which the sweep visits the input and the output meters.
constexpr int tc2[6] = {0, 3, 1, 4, 2, 5};
constexpr int tc3[8] = {0, 2, 1, 3, 4, 6, 5, 7};

}  // namespace

MeterData::MeterData() : level{}, sampleRate(0), curMeter(0) {}

void MeterData::MirovanHALEvent(MirovanHAL::Event /*e*/) {
    reset();
}

void MeterData::reset() {
    for (float& l : level) l = 0.0f;
}

int MeterData::execute() {
    const int k = curMeter;
    AVCMsg msgs[2];
    if (k < kFirstOutputPosition) {
        msgs[0] = {kFirstInputMeter + tc2[k], 0};
        msgs[1] = {kFirstInputMeter + tc2[k + 1], 0};
    } else {
        msgs[0] = {kFirstOutputMeter + tc3[k - kFirstOutputPosition], 0};
        msgs[1] = {kFirstOutputMeter + tc3[k - kFirstOutputPosition + 1], 0};
    }
    if (MirovanHAL::Get()->GetValues(msgs, 2) != 0) return -1;

    const int slot = k < kFirstOutputPosition ? k : k + kOutputSlotOffset;
    level[slot] = static_cast<float>(msgs[0].value) * kFullScale;
    level[slot + 1] = static_cast<float>(msgs[1].value) * kFullScale;
    curMeter = (k + 2 == kSweepLength) ? 0 : k + 2;
    return 2;
}
