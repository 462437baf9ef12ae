#include "tests/linux/testbed/EmulatedSoundPcm.h"

#include <sound/asound.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tests/linux/testbed/EmulatedSoundHwParams.h"
#include "tests/linux/testbed/SoundNodeOpeners.h"

namespace testbed {
namespace {

// Rates a sound card may offer, of which the device model's are taken.
constexpr uint32_t kKnownRates[] = {32000, 44100, 48000, 88200, 96000, 176400, 192000};
constexpr uint32_t kChannels = 2;

}  // namespace

EmulatedSoundPcm::EmulatedSoundPcm(SoundCardShared& card, int device, bool capture)
    : card_(card), device_(device), capture_(capture) {
    g_signal_connect(Base(), "client-connected", G_CALLBACK(&EmulatedSoundPcm::OnConnected), this);
}

EmulatedSoundPcm::~EmulatedSoundPcm() {
    g_signal_handlers_disconnect_by_func(Base(), (gpointer)&EmulatedSoundPcm::OnConnected, this);
    for (UMockdevIoctlClient* client : clients_) g_object_unref(client);
}

std::string EmulatedSoundPcm::Node() const {
    return "snd/pcmC" + std::to_string(card_.card) + "D" + std::to_string(device_) +
           (capture_ ? "c" : "p");
}

std::string EmulatedSoundPcm::ProcFolder() const {
    return "/proc/asound/card" + std::to_string(card_.card) + "/pcm" + std::to_string(device_) +
           (capture_ ? "c" : "p") + "/sub0";
}

uint32_t EmulatedSoundPcm::StreamRateLocked() const {
    return state_ == State::Setup || state_ == State::Prepared ? rate_ : 0;
}

void EmulatedSoundPcm::OnConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    static_cast<EmulatedSoundPcm*>(self)->Connected(client);
}

void EmulatedSoundPcm::Connected(UMockdevIoctlClient* client) {
    std::lock_guard<std::mutex> lock(card_.mutex);
    clients_.push_back(static_cast<UMockdevIoctlClient*>(g_object_ref(client)));
    ++card_.opens;
    // A holder that has closed its node already, though umockdev has not noticed yet: the
    // kernel would have let the substream go at that close.
    if (holder_ && OpenersOf(card_.testbed.Path("/dev/" + Node())).size() <= 1) ReleaseLocked();
    // An opener that finds the substream taken (or the card busy) has it refused at its first
    // request, which fails alsa-lib's open.
    if (holder_ || card_.busy || card_.removed) return;
    holder_ = client;
    opening_ = false;
    state_ = State::Open;
    WriteProcLocked();
}

void EmulatedSoundPcm::NodeOpenedLocked() {
    if (holder_ || opening_ || card_.busy || card_.removed) return;
    // An event read late, after its open was over, is no open any more.
    if (OpenersOf(card_.testbed.Path("/dev/" + Node())).empty()) return;
    opening_ = true;
    state_ = State::Open;
    WriteProcLocked();
}

void EmulatedSoundPcm::NodeClosedLocked() {
    if ((holder_ || opening_) && OpenersOf(card_.testbed.Path("/dev/" + Node())).empty())
        ReleaseLocked();
}

void EmulatedSoundPcm::ReapLocked() {
    for (auto it = clients_.begin(); it != clients_.end();) {
        if (umockdev_ioctl_client_get_connected(*it)) {
            ++it;
            continue;
        }
        if (*it == holder_) ReleaseLocked();
        g_object_unref(*it);
        it = clients_.erase(it);
    }
}

void EmulatedSoundPcm::ReleaseLocked() {
    holder_ = nullptr;
    opening_ = false;
    state_ = State::Closed;
    rate_ = 0;
    owner_ = 0;
    if (!card_.removed) WriteProcLocked();
}

void EmulatedSoundPcm::WriteProcLocked() {
    std::string status, hwParams;
    if (state_ == State::Closed) {
        status = hwParams = "closed\n";
    } else if (state_ == State::Open) {
        status = hwParams = "no setup\n";
    } else {
        char text[512];
        std::snprintf(text, sizeof text,
                      "state: %s\nowner_pid   : %d\ntrigger_time: 0.000000000\n"
                      "tstamp      : 0.000000000\ndelay       : 0\navail       : 0\n"
                      "avail_max   : 0\n-----\nhw_ptr      : 0\nappl_ptr    : %llu\n",
                      state_ == State::Setup ? "SETUP" : "PREPARED", static_cast<int>(owner_),
                      static_cast<unsigned long long>(applPtr_));
        status = text;
        std::snprintf(text, sizeof text,
                      "access: RW_INTERLEAVED\nformat: S32_LE\nsubformat: STD\nchannels: %u\n"
                      "rate: %u (%u/1)\nperiod_size: 256\nbuffer_size: 1024\n",
                      kChannels, rate_, rate_);
        hwParams = text;
    }
    card_.testbed.WriteFile(ProcFolder() + "/status", status);
    card_.testbed.WriteFile(ProcFolder() + "/hw_params", hwParams);
}

bool EmulatedSoundPcm::Ioctl(Request& request) {
    uint32_t setRate = 0;
    int error;
    {
        std::lock_guard<std::mutex> lock(card_.mutex);
        if (card_.removed)
            error = ENODEV;
        else if (request.Client() != holder_)
            error = EBUSY;
        else
            error = Serve(request, &setRate);
    }
    // The device model reports the change to its listener on this thread: not under the lock.
    if (setRate) card_.device.SetRateFromOutside(setRate);
    request.Complete(error ? -1 : 0, error);
    return true;
}

int EmulatedSoundPcm::Serve(Request& request, uint32_t* setRate) {
    const unsigned long code = request.Code();
    switch (code) {
        case SNDRV_PCM_IOCTL_PVERSION: {
            int* version = request.ArgumentAs<int>();
            if (!version) return EFAULT;
            *version = SNDRV_PCM_VERSION;
            return 0;
        }
        case SNDRV_PCM_IOCTL_INFO: {
            auto* info = request.ArgumentAs<snd_pcm_info>();
            if (!info) return EFAULT;
            std::memset(info, 0, sizeof *info);
            info->device = static_cast<unsigned>(device_);
            info->stream = capture_ ? SNDRV_PCM_STREAM_CAPTURE : SNDRV_PCM_STREAM_PLAYBACK;
            info->card = card_.card;
            CopyKernelText(info->id, "MirovanLE PCM");
            CopyKernelText(info->name, "MirovanLE PCM");
            CopyKernelText(info->subname, "subdevice #0");
            info->dev_class = SNDRV_PCM_CLASS_GENERIC;
            info->subdevices_count = 1;
            info->subdevices_avail = 0;
            return 0;
        }
        case SNDRV_PCM_IOCTL_USER_PVERSION:
        case SNDRV_PCM_IOCTL_TSTAMP:
        case SNDRV_PCM_IOCTL_TTSTAMP: return 0;
        case SNDRV_PCM_IOCTL_HW_REFINE:
        case SNDRV_PCM_IOCTL_HW_PARAMS: {
            auto* params = request.ArgumentAs<snd_pcm_hw_params>();
            if (!params) return EFAULT;
            PcmCapabilities capabilities;
            capabilities.channels = kChannels;
            // A stream set up in the other direction holds the device's clock at its rate.
            for (EmulatedSoundPcm* peer : card_.pcms)
                if (peer != this && peer->StreamRateLocked())
                    capabilities.rates = {peer->StreamRateLocked()};
            if (capabilities.rates.empty())
                for (uint32_t rate : kKnownRates)
                    if (devsim::IsSupportedRate(rate)) capabilities.rates.push_back(rate);
            if (code == SNDRV_PCM_IOCTL_HW_REFINE) return RefineHwParams(*params, capabilities);
            if (card_.hwParamsError) return card_.hwParamsError;
            if (int error = ChooseHwParams(*params, capabilities)) return error;
            state_ = State::Setup;
            rate_ = ChosenRate(*params);
            const std::vector<pid_t> openers = OpenersOf(card_.testbed.Path("/dev/" + Node()));
            owner_ = openers.empty() ? 0 : openers.front();
            *setRate = rate_;
            WriteProcLocked();
            return 0;
        }
        case SNDRV_PCM_IOCTL_HW_FREE:
            if (state_ == State::Prepared || state_ == State::Setup) {
                state_ = State::Open;
                rate_ = 0;
                WriteProcLocked();
            }
            return 0;
        case SNDRV_PCM_IOCTL_SW_PARAMS: return state_ == State::Open ? EBADFD : 0;
        case SNDRV_PCM_IOCTL_PREPARE:
            if (state_ == State::Open) return EBADFD;
            state_ = State::Prepared;
            WriteProcLocked();
            return 0;
        case SNDRV_PCM_IOCTL_DROP:
            if (state_ == State::Open) return EBADFD;
            state_ = State::Setup;
            WriteProcLocked();
            return 0;
        case SNDRV_PCM_IOCTL_SYNC_PTR: {
            auto* sync = request.ArgumentAs<snd_pcm_sync_ptr>();
            if (!sync) return EFAULT;
            if (sync->flags & SNDRV_PCM_SYNC_PTR_APPL)
                sync->c.control.appl_ptr = applPtr_;
            else
                applPtr_ = sync->c.control.appl_ptr;
            if (sync->flags & SNDRV_PCM_SYNC_PTR_AVAIL_MIN)
                sync->c.control.avail_min = availMin_;
            else
                availMin_ = sync->c.control.avail_min;
            std::memset(&sync->s, 0, sizeof sync->s);
            sync->s.status.state = state_ == State::Open    ? SNDRV_PCM_STATE_OPEN
                                   : state_ == State::Setup ? SNDRV_PCM_STATE_SETUP
                                                            : SNDRV_PCM_STATE_PREPARED;
            return 0;
        }
        default: return ENOTTY;
    }
}

}  // namespace testbed
