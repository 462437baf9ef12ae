#include "platform/linux/AlsaCard.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

namespace platform {
namespace {

// The card info's name field in the kernel's ABI (struct snd_ctl_card_info): alsa-lib hands out
// a pointer into it, which need not hold a NUL.
constexpr size_t kCardInfoNameBytes = 32;

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};

PcmRateResult Result(PcmRateResult::Kind kind, int error = 0) {
    PcmRateResult result;
    result.kind = kind;
    result.error = error;
    return result;
}

PcmRateResult Failure(int error) {
    if (error == -EBUSY || error == -EAGAIN) return Result(PcmRateResult::Busy, error);
    if (error == -ENODEV || error == -ENOENT || error == -ENXIO)
        return Result(PcmRateResult::Gone, error);
    return Result(PcmRateResult::Failed, error);
}

}  // namespace

bool ReadSoundCardName(int card, std::string* name) {
    snd_ctl_t* control = nullptr;
    const std::string device = "hw:" + std::to_string(card);
    if (snd_ctl_open(&control, device.c_str(), SND_CTL_NONBLOCK) < 0) return false;
    snd_ctl_card_info_t* info;
    snd_ctl_card_info_alloca(&info);
    const int read = snd_ctl_card_info(control, info);
    snd_ctl_close(control);
    if (read < 0) return false;
    const char* text = snd_ctl_card_info_get_name(info);
    if (!text) return false;
    name->assign(text, strnlen(text, kCardInfoNameBytes));
    return true;
}

PcmRateResult SetPcmRate(int card, int device, bool capture, uint32_t rate) {
    const std::string name = "hw:" + std::to_string(card) + "," + std::to_string(device);
    snd_pcm_t* opened = nullptr;
    int error =
        snd_pcm_open(&opened, name.c_str(),
                     capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (error < 0) return Failure(error);
    std::unique_ptr<snd_pcm_t, PcmCloser> pcm(opened);

    snd_pcm_hw_params_t* params;
    snd_pcm_hw_params_alloca(&params);
    error = snd_pcm_hw_params_any(pcm.get(), params);
    if (error < 0) return Failure(error);
    if (snd_pcm_hw_params_test_rate(pcm.get(), params, rate, 0) < 0)
        return Result(PcmRateResult::Refused);
    error = snd_pcm_hw_params_set_rate(pcm.get(), params, rate, 0);
    if (error < 0) return Result(PcmRateResult::Refused, error);
    error = snd_pcm_hw_params(pcm.get(), params);
    if (error < 0) return Failure(error);
    return Result(PcmRateResult::Set);
}

}  // namespace platform
