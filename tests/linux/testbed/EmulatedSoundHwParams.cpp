#include "tests/linux/testbed/EmulatedSoundHwParams.h"

#include <sound/asound.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace testbed {
namespace {

constexpr uint32_t kSampleBits = 32;  // SNDRV_PCM_FORMAT_S32_LE
constexpr uint32_t kPeriodFrames = 256;
constexpr uint32_t kPeriods = 4;
constexpr uint64_t kMicroseconds = 1000000;

snd_interval& Interval(snd_pcm_hw_params& p, int param) {
    return p.intervals[param - SNDRV_PCM_HW_PARAM_FIRST_INTERVAL];
}

snd_mask& Mask(snd_pcm_hw_params& p, int param) {
    return p.masks[param - SNDRV_PCM_HW_PARAM_FIRST_MASK];
}

// Keeps only `bit` of a mask; false when it was not in it.
bool KeepBit(snd_mask& mask, unsigned bit) {
    const bool had = (mask.bits[bit / 32] >> (bit % 32)) & 1;
    std::memset(mask.bits, 0, sizeof mask.bits);
    if (had) mask.bits[bit / 32] = 1u << (bit % 32);
    return had;
}

// The interval's values as closed bounds; false when it holds none.
bool Bounds(const snd_interval& i, uint64_t* lo, uint64_t* hi) {
    if (i.empty) return false;
    *lo = uint64_t(i.min) + (i.openmin ? 1 : 0);
    if (i.openmax && i.max == 0) return false;
    *hi = uint64_t(i.max) - (i.openmax ? 1 : 0);
    return *lo <= *hi;
}

// Narrows an interval to [lo, hi] as closed integer bounds; false when nothing is left.
bool Narrow(snd_interval& i, uint64_t lo, uint64_t hi) {
    uint64_t min, max;
    if (!Bounds(i, &min, &max)) return false;
    min = std::max(min, lo);
    max = std::min(max, hi);
    if (min > max) return false;
    i.min = static_cast<unsigned>(min);
    i.max = static_cast<unsigned>(max);
    i.openmin = i.openmax = 0;
    i.integer = 1;
    return true;
}

bool Fix(snd_interval& i, uint64_t value) {
    return Narrow(i, value, value);
}

// The accepted rates inside the interval, as its new bounds.
bool NarrowRate(snd_interval& rate, const std::vector<uint32_t>& rates) {
    uint64_t lo, hi;
    if (!Bounds(rate, &lo, &hi)) return false;
    auto first = std::find_if(rates.begin(), rates.end(), [&](uint32_t r) { return r >= lo; });
    auto last = std::find_if(rates.rbegin(), rates.rend(), [&](uint32_t r) { return r <= hi; });
    if (first == rates.end() || last == rates.rend() || *first > *last) return false;
    return Narrow(rate, *first, *last);
}

// A duration of `frames` over the rates [lo, hi], in microseconds.
bool NarrowTime(snd_interval& time, uint64_t frames, const snd_interval& rate) {
    const uint64_t shortest = frames * kMicroseconds / rate.max;
    const uint64_t longest = (frames * kMicroseconds + rate.min - 1) / rate.min;
    return Narrow(time, shortest, longest);
}

}  // namespace

int RefineHwParams(snd_pcm_hw_params& p, const PcmCapabilities& caps) {
    const snd_pcm_hw_params before = p;
    const uint64_t frameBytes = kSampleBits / 8 * caps.channels;
    bool ok =
        KeepBit(Mask(p, SNDRV_PCM_HW_PARAM_ACCESS), SNDRV_PCM_ACCESS_RW_INTERLEAVED) &&
        KeepBit(Mask(p, SNDRV_PCM_HW_PARAM_FORMAT), SNDRV_PCM_FORMAT_S32_LE) &&
        KeepBit(Mask(p, SNDRV_PCM_HW_PARAM_SUBFORMAT), SNDRV_PCM_SUBFORMAT_STD) &&
        Fix(Interval(p, SNDRV_PCM_HW_PARAM_SAMPLE_BITS), kSampleBits) &&
        Fix(Interval(p, SNDRV_PCM_HW_PARAM_FRAME_BITS), kSampleBits * caps.channels) &&
        Fix(Interval(p, SNDRV_PCM_HW_PARAM_CHANNELS), caps.channels) &&
        NarrowRate(Interval(p, SNDRV_PCM_HW_PARAM_RATE), caps.rates) &&
        Fix(Interval(p, SNDRV_PCM_HW_PARAM_PERIOD_SIZE), kPeriodFrames) &&
        Fix(Interval(p, SNDRV_PCM_HW_PARAM_PERIOD_BYTES), kPeriodFrames * frameBytes) &&
        Fix(Interval(p, SNDRV_PCM_HW_PARAM_PERIODS), kPeriods) &&
        Fix(Interval(p, SNDRV_PCM_HW_PARAM_BUFFER_SIZE), kPeriodFrames * kPeriods) &&
        Fix(Interval(p, SNDRV_PCM_HW_PARAM_BUFFER_BYTES), kPeriodFrames * kPeriods * frameBytes);
    const snd_interval& rate = Interval(p, SNDRV_PCM_HW_PARAM_RATE);
    ok = ok && NarrowTime(Interval(p, SNDRV_PCM_HW_PARAM_PERIOD_TIME), kPeriodFrames, rate) &&
         NarrowTime(Interval(p, SNDRV_PCM_HW_PARAM_BUFFER_TIME), kPeriodFrames * kPeriods, rate);
    if (!ok) return EINVAL;

    p.cmask = 0;
    for (int m = SNDRV_PCM_HW_PARAM_FIRST_MASK; m <= SNDRV_PCM_HW_PARAM_LAST_MASK; ++m)
        if (std::memcmp(&Mask(p, m), &before.masks[m - SNDRV_PCM_HW_PARAM_FIRST_MASK],
                        sizeof(snd_mask)) != 0)
            p.cmask |= 1u << m;
    for (int i = SNDRV_PCM_HW_PARAM_FIRST_INTERVAL; i <= SNDRV_PCM_HW_PARAM_LAST_INTERVAL; ++i)
        if (std::memcmp(&Interval(p, i), &before.intervals[i - SNDRV_PCM_HW_PARAM_FIRST_INTERVAL],
                        sizeof(snd_interval)) != 0)
            p.cmask |= 1u << i;
    p.rmask = 0;
    p.info = SNDRV_PCM_INFO_INTERLEAVED | SNDRV_PCM_INFO_BLOCK_TRANSFER;
    p.msbits = kSampleBits;
    p.rate_num = rate.min == rate.max ? rate.min : 0;
    p.rate_den = rate.min == rate.max ? 1 : 0;
    p.fifo_size = 0;
    return 0;
}

int ChooseHwParams(snd_pcm_hw_params& p, const PcmCapabilities& caps) {
    if (int error = RefineHwParams(p, caps)) return error;
    snd_interval& rate = Interval(p, SNDRV_PCM_HW_PARAM_RATE);
    rate.max = rate.min;
    if (int error = RefineHwParams(p, caps)) return error;
    for (int t : {SNDRV_PCM_HW_PARAM_PERIOD_TIME, SNDRV_PCM_HW_PARAM_BUFFER_TIME,
                  SNDRV_PCM_HW_PARAM_TICK_TIME}) {
        snd_interval& time = Interval(p, t);
        time.max = time.min;
    }
    return 0;
}

uint32_t ChosenRate(const snd_pcm_hw_params& p) {
    return p.intervals[SNDRV_PCM_HW_PARAM_RATE - SNDRV_PCM_HW_PARAM_FIRST_INTERVAL].min;
}

}  // namespace testbed
