#include "tests/linux/testbed/EmulatedSoundCard.h"

#include <poll.h>
#include <sound/asound.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace testbed {
namespace {

// How often the card asks umockdev which clients are gone, when no node event came first; also
// how long it takes to stop.
constexpr int kReapIntervalMs = 5;
// The kernel's character major for sound devices; minors only need to be distinct.
constexpr int kSoundMajor = 116;

std::string DeviceNumber(int card, int index) {
    return std::to_string(kSoundMajor) + ":" + std::to_string(card * 32 + index);
}

}  // namespace

// The control node: what alsa-lib asks when it opens "hw:N" and reads the card's info.
class EmulatedSoundCard::Control : public IoctlHandler {
  public:
    Control(SoundCardShared& card, std::string name) : card_(card), name_(std::move(name)) {}

  protected:
    bool Ioctl(Request& request) override {
        int error = 0;
        {
            std::lock_guard<std::mutex> lock(card_.mutex);
            error = card_.removed ? ENODEV : Serve(request);
        }
        request.Complete(error ? -1 : 0, error);
        return true;
    }

  private:
    int Serve(Request& request) {
        switch (request.Code()) {
            case SNDRV_CTL_IOCTL_PVERSION: {
                int* version = request.ArgumentAs<int>();
                if (!version) return EFAULT;
                *version = SNDRV_CTL_VERSION;
                return 0;
            }
            case SNDRV_CTL_IOCTL_CARD_INFO: {
                auto* info = request.ArgumentAs<snd_ctl_card_info>();
                if (!info) return EFAULT;
                std::memset(info, 0, sizeof *info);
                info->card = card_.card;
                CopyKernelText(info->id, name_);
                CopyKernelText(info->driver, "Emulated");
                CopyKernelText(info->name, name_);
                CopyKernelText(info->longname, name_ + " at an emulated FireWire unit");
                return 0;
            }
            // The substream alsa-lib prefers at its next open: the card has one.
            case SNDRV_CTL_IOCTL_PCM_PREFER_SUBDEVICE: return 0;
            default: return ENOTTY;
        }
    }

    SoundCardShared& card_;
    const std::string name_;
};

EmulatedSoundCard::EmulatedSoundCard(Testbed& testbed, devsim::DeviceModel& device,
                                     SoundCardOptions options)
    : testbed_(testbed), options_(std::move(options)), shared_(testbed, device, options_.number),
      control_(std::make_unique<Control>(shared_, options_.name)),
      playback_(std::make_unique<EmulatedSoundPcm>(shared_, 0, false)),
      capture_(std::make_unique<EmulatedSoundPcm>(shared_, 0, true)) {
    const int n = options_.number;
    const std::string number = std::to_string(n);
    shared_.pcms = {playback_.get(), capture_.get()};
    {
        std::lock_guard<std::mutex> lock(shared_.mutex);
        playback_->WriteProcLocked();
        capture_->WriteProcLocked();
    }
    const std::string controlNode = "snd/controlC" + number;
    // Handlers first: an early opener would get umockdev's default one.
    testbed_.Attach("/dev/" + controlNode, control_->Base());
    testbed_.Attach("/dev/" + playback_->Node(), playback_->Base());
    testbed_.Attach("/dev/" + capture_->Node(), capture_->Base());
    // alsa-lib opens the control read-only and blocking to see that a card exists; a FIFO would
    // wait for a writer there, so the control is a plain file. It makes /dev/snd, which is
    // watched before any PCM node is there to be opened.
    testbed_.WriteFile("/dev/" + controlNode, "");
    nodeEvents_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (nodeEvents_ >= 0)
        ::inotify_add_watch(nodeEvents_, testbed_.Path("/dev/snd").c_str(), IN_OPEN | IN_CLOSE);
    follower_ = std::thread([this] { FollowClients(); });

    // The kernel puts a card below its parent's "sound" class folder, and registers the card's
    // control last, so that whoever sees it finds the rest.
    syspath_ = testbed_.AddDevice("sound", "sound/card" + number, options_.parent,
                                  {{"id", options_.name}, {"number", number}});
    children_[0] = testbed_.AddDevice("sound", "pcmC" + number + "D0p", syspath_,
                                      {{"dev", DeviceNumber(n, 16)}, {"pcm_class", "generic"}}, {},
                                      playback_->Node(), NodeKind::Fifo);
    children_[1] = testbed_.AddDevice("sound", "pcmC" + number + "D0c", syspath_,
                                      {{"dev", DeviceNumber(n, 24)}, {"pcm_class", "generic"}}, {},
                                      capture_->Node(), NodeKind::Fifo);
    children_[2] = testbed_.AddDevice("sound", "controlC" + number, syspath_,
                                      {{"dev", DeviceNumber(n, 0)}}, {}, controlNode);
}

EmulatedSoundCard::~EmulatedSoundCard() {
    Remove();
    stopping_ = true;
    follower_.join();
    if (nodeEvents_ >= 0) ::close(nodeEvents_);
    // Frees the number for a card plugged again, as the kernel frees it once nobody has the
    // card open; a program still holding one of these nodes gets no more answers.
    for (const std::string& node :
         {"snd/controlC" + std::to_string(Number()), playback_->Node(), capture_->Node()})
        umockdev_testbed_detach_ioctl(testbed_.Raw(), ("/dev/" + node).c_str(), nullptr);
}

void EmulatedSoundCard::Remove() {
    {
        std::lock_guard<std::mutex> lock(shared_.mutex);
        if (shared_.removed) return;
        shared_.removed = true;
    }
    std::error_code ignored;
    // Gone with its FireWire unit already: there is nothing left to send a uevent for.
    if (std::filesystem::exists(testbed_.Path(syspath_), ignored)) {
        // The kernel takes the card's devices away before the card, the control first.
        for (int i = 2; i >= 0; --i) testbed_.Remove(children_[i]);
        testbed_.Remove(syspath_);
    }
    std::filesystem::remove_all(testbed_.Path("/proc/asound/card" + std::to_string(Number())),
                                ignored);
}

void EmulatedSoundCard::SetBusy(bool busy) {
    std::lock_guard<std::mutex> lock(shared_.mutex);
    shared_.busy = busy;
}

void EmulatedSoundCard::SetHwParamsError(int error) {
    std::lock_guard<std::mutex> lock(shared_.mutex);
    shared_.hwParamsError = error;
}

uint32_t EmulatedSoundCard::PcmOpens() {
    std::lock_guard<std::mutex> lock(shared_.mutex);
    return shared_.opens;
}

uint32_t EmulatedSoundCard::StreamRate() {
    std::lock_guard<std::mutex> lock(shared_.mutex);
    return std::max(playback_->StreamRateLocked(), capture_->StreamRateLocked());
}

void EmulatedSoundCard::FollowClients() {
    while (!stopping_) {
        pollfd readable{nodeEvents_, POLLIN, 0};
        ::poll(&readable, 1, kReapIntervalMs);
        // The kernel's events come as the nodes are opened and closed; umockdev hears of an
        // open a moment later and of a close only at its own pace.
        std::vector<std::pair<std::string, bool>> events;  // node name, opened
        alignas(inotify_event) char buffer[4096];
        ssize_t n;
        while (nodeEvents_ >= 0 && (n = ::read(nodeEvents_, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len) events.emplace_back(event->name, (event->mask & IN_OPEN) != 0);
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        std::lock_guard<std::mutex> lock(shared_.mutex);
        for (EmulatedSoundPcm* pcm : shared_.pcms) {
            const std::string node = pcm->Node().substr(4);  // without "snd/"
            for (const auto& [name, opened] : events) {
                if (name != node) continue;
                if (opened)
                    pcm->NodeOpenedLocked();
                else
                    pcm->NodeClosedLocked();
            }
            pcm->ReapLocked();
        }
    }
}

}  // namespace testbed
