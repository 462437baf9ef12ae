#pragma once
// What the emulated card's PCMs accept as hardware parameters, and the kernel's two requests
// over them: HW_REFINE narrows a parameter space to what the hardware can do, HW_PARAMS takes
// one configuration from it. The card plays interleaved read/write access to signed 32-bit
// samples, a fixed channel count and period layout, at the rates it is given: enough for
// alsa-lib to refine, test a rate and set up a stream, and nothing more.

#include <cstdint>
#include <vector>

struct snd_pcm_hw_params;

namespace testbed {

struct PcmCapabilities {
    std::vector<uint32_t> rates;  // ascending
    uint32_t channels = 2;
};

// Narrows `params` to the capabilities; 0, or EINVAL when nothing is left of a parameter.
int RefineHwParams(snd_pcm_hw_params& params, const PcmCapabilities& capabilities);
// Refines, then fixes every parameter to one value (the lowest rate left); 0 or EINVAL.
int ChooseHwParams(snd_pcm_hw_params& params, const PcmCapabilities& capabilities);
// The rate of parameters that ChooseHwParams fixed.
uint32_t ChosenRate(const snd_pcm_hw_params& params);

}  // namespace testbed
