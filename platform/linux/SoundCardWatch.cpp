#include "platform/linux/SoundCardWatch.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {
namespace {

// The card's name begins with the device's nine-byte name.
constexpr char kSearchName[] = "MirovanLE";
// The rate the panel starts with (its sample rate parameter's default).
constexpr uint32_t kInitialRate = 44100;
// While the card is in use, how often its substreams are read again.
constexpr auto kInUseLookInterval = std::chrono::milliseconds(250);
// Without a wake pipe (no fd left for one), how long the watch may take to notice it is told
// to stop or to look again.
constexpr int kUnwakeableTimeoutMs = 1000;
// Programs open and close PCM nodes in bursts (an audio server probing a card opens and closes
// its nodes over tens of milliseconds): the substreams are read once a burst has been quiet
// this long, or this long after it began.
constexpr auto kBurstQuiet = std::chrono::milliseconds(50);
constexpr auto kBurstLongest = std::chrono::milliseconds(250);

bool IsDeviceName(const std::string& name) {
    return name.compare(0, sizeof kSearchName - 1, kSearchName) == 0;
}

// Whether a sysfs path lies below `node`.
bool Below(const std::string& path, const std::string& node) {
    return !node.empty() && path.size() > node.size() && path.compare(0, node.size(), node) == 0 &&
           path[node.size()] == '/';
}

std::string Reason(const PcmRateResult& result) {
    switch (result.kind) {
        case PcmRateResult::Busy: return "another program holds it";
        case PcmRateResult::Refused: return "the card refused the rate";
        default: return result.error ? std::strerror(-result.error) : "it has no PCM";
    }
}

// The card's name as one line of text: the kernel's bytes are not trusted to be printable.
std::string Printable(const std::string& name) {
    std::string text = name;
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return text;
}

int PollTimeout(std::chrono::steady_clock::time_point now,
                std::chrono::steady_clock::time_point until) {
    if (until <= now) return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(until - now).count();
    return static_cast<int>(std::min<long long>(ms, 60000));
}

}  // namespace

SoundCardWatch::SoundCardWatch(Listener& listener) : listener_(listener) {
    if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) wake_[0] = wake_[1] = -1;
    Rescan();
    reported_ = Current();
    thread_ = std::thread([this] { Run(); });
}

SoundCardWatch::~SoundCardWatch() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    Wake();
    thread_.join();
    for (int fd : wake_)
        if (fd >= 0) ::close(fd);
}

void SoundCardWatch::SetFireWireNode(const std::string& syspath) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (fireWireNode_ == syspath) return;
        fireWireNode_ = syspath;
        rescanWanted_ = true;
    }
    Wake();
}

SoundCardWatch::Card SoundCardWatch::Current() {
    std::lock_guard<std::mutex> lock(mutex_);
    return card_;
}

OSStatus SoundCardWatch::SetRate(uint32_t rate) {
    Target target;
    if (OSStatus status = TargetOf(&target)) return status;
    const PcmRateResult result = ApplyRate(target, rate);
    switch (result.kind) {
        case PcmRateResult::Set:
            Learn(target.serial, rate);
            Wake();
            return kAudioHardwareNoError;
        // Another program took the card between the panel's look and this call: not a lost
        // device, and nothing changed.
        case PcmRateResult::Busy: return kAudioHardwareNoError;
        case PcmRateResult::Refused: {
            // A program's stream on the card's other side holds its clock: the same race.
            std::lock_guard<std::mutex> lock(mutex_);
            const bool held = card_.present && card_.serial == target.serial && card_.inUse;
            return held ? kAudioHardwareNoError : kAudioDeviceUnsupportedFormatError;
        }
        case PcmRateResult::Gone: return kAudioHardwareBadDeviceError;
        default: return kAudioHardwareUnspecifiedError;
    }
}

void SoundCardWatch::DeviceOpening() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!initialPending_) return;
    }
    Target target;
    if (TargetOf(&target) != kAudioHardwareNoError) return;
    if (ApplyRate(target, kInitialRate).kind == PcmRateResult::Set)
        Learn(target.serial, kInitialRate);
}

OSStatus SoundCardWatch::TargetOf(Target* target) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!card_.present) return kAudioHardwareBadDeviceError;
    if (pcms_.empty()) return kAudioHardwareUnspecifiedError;
    target->card = card_.index;
    target->pcm = pcms_.front();
    target->serial = card_.serial;
    return kAudioHardwareNoError;
}

PcmRateResult SoundCardWatch::ApplyRate(const Target& target, uint32_t rate) {
    std::lock_guard<std::mutex> pcm(pcmMutex_);
    return SetPcmRate(target.card, target.pcm.device, target.pcm.capture, rate);
}

void SoundCardWatch::Learn(uint64_t serial, uint32_t rate) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!card_.present || card_.serial != serial) return;
    card_.rate = rate;
    knownRates_[syspath_] = rate;
    rateKnown_ = true;
    initialPending_ = false;
}

// --- The watch's thread ---------------------------------------------------------------------

void SoundCardWatch::Wake() {
    const char byte = 1;
    if (wake_[1] >= 0) (void)!::write(wake_[1], &byte, 1);
}

void SoundCardWatch::Run() {
    for (;;) {
        const Clock::time_point now = Clock::now();
        int timeout = -1;
        if (settling_)
            timeout =
                PollTimeout(now, std::min(burstLast_ + kBurstQuiet, burstStart_ + kBurstLongest));
        if (reported_.inUse) {
            const int look = PollTimeout(now, lastLook_ + kInUseLookInterval);
            timeout = timeout < 0 ? look : std::min(timeout, look);
        }
        if (wake_[0] < 0)
            timeout = timeout < 0 ? kUnwakeableTimeoutMs : std::min(timeout, kUnwakeableTimeoutMs);
        pollfd fds[3] = {
            {wake_[0], POLLIN, 0}, {cards_.MonitorFd(), POLLIN, 0}, {nodes_.Fd(), POLLIN, 0}};
        if (::poll(fds, 3, timeout) < 0 && errno != EINTR) return;

        bool rescan;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_) return;
            rescan = rescanWanted_;
            rescanWanted_ = false;
        }
        if (fds[0].revents & POLLIN) {
            char bytes[64];
            while (::read(wake_[0], bytes, sizeof bytes) > 0) {}
        }
        if (fds[1].revents & POLLIN) {
            std::vector<std::string> removed;
            rescan = cards_.TakeReports(&removed) || rescan;
            for (const std::string& syspath : removed) {
                names_.erase(syspath);
                bool taken;
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    knownRates_.erase(syspath);
                    taken = card_.present && syspath_ == syspath;
                }
                if (taken) Drop();
            }
        }
        const Clock::time_point after = Clock::now();
        if ((fds[2].revents & POLLIN) && nodes_.TakeEvents()) {
            if (!settling_) burstStart_ = after;
            settling_ = true;
            burstLast_ = after;
        }
        bool look = false;
        if (settling_ &&
            (after >= burstLast_ + kBurstQuiet || after >= burstStart_ + kBurstLongest)) {
            settling_ = false;
            look = true;
        }
        if (reported_.inUse && after >= lastLook_ + kInUseLookInterval) look = true;

        if (rescan) Rescan();
        if (look) Look();
        Publish();
    }
}

void SoundCardWatch::Rescan() {
    // /dev/snd comes with the first card.
    nodes_.Arm();
    const std::vector<SoundCardEntry> entries = cards_.Cards();
    std::map<std::string, std::string> names;
    for (const SoundCardEntry& entry : entries) {
        auto known = names_.find(entry.syspath);
        std::string name;
        if (known != names_.end())
            name = known->second;
        else if (!ReadSoundCardName(entry.number, &name))
            continue;  // asked again at udev's next report
        names[entry.syspath] = name;
    }
    names_ = names;

    std::string node;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        node = fireWireNode_;
        std::erase_if(knownRates_, [&](const auto& known) { return !names_.count(known.first); });
    }
    const SoundCardEntry* chosen = nullptr;
    for (const SoundCardEntry& entry : entries) {
        auto name = names_.find(entry.syspath);
        if (name == names_.end() || !IsDeviceName(name->second)) continue;
        if (!chosen) chosen = &entry;
        if (Below(entry.syspath, node)) {
            chosen = &entry;
            break;
        }
    }
    bool same;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        same = chosen ? card_.present && syspath_ == chosen->syspath : !card_.present;
    }
    if (same) return;
    if (chosen)
        Take(*chosen, names_[chosen->syspath]);
    else
        Drop();
}

void SoundCardWatch::Take(const SoundCardEntry& entry, const std::string& name) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        card_ = Card{};
        card_.present = true;
        card_.index = entry.number;
        card_.serial = ++serials_;
        card_.name = name;
        card_.rate = kInitialRate;
        syspath_ = entry.syspath;
        pcms_.clear();
        initialPending_ = failureSaid_ = false;
        // Taken again while it stayed: what was known of it still holds.
        auto known = knownRates_.find(entry.syspath);
        rateKnown_ = known != knownRates_.end();
        if (rateKnown_) card_.rate = known->second;
    }
    Look();
    bool known;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        known = rateKnown_;
    }
    if (!known) SetInitialRate();
}

void SoundCardWatch::Drop() {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint64_t serial = card_.serial;
    card_ = Card{};
    card_.serial = serial;
    syspath_.clear();
    pcms_.clear();
    rateKnown_ = initialPending_ = failureSaid_ = false;
}

void SoundCardWatch::Look() {
    int card;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!card_.present) return;
        card = card_.index;
    }
    CardActivity activity;
    {
        std::lock_guard<std::mutex> pcm(pcmMutex_);
        activity = ReadCardActivity(card, static_cast<int>(::getpid()));
    }
    lastLook_ = Clock::now();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!card_.present || card_.index != card) return;
    card_.inUse = activity.heldByOther;
    pcms_ = activity.pcms;
    if (activity.streamRate) {
        card_.rate = activity.streamRate;
        knownRates_[syspath_] = activity.streamRate;
        rateKnown_ = true;
        initialPending_ = false;
    }
}

void SoundCardWatch::SetInitialRate() {
    Target target;
    PcmRateResult result;
    if (TargetOf(&target) == kAudioHardwareNoError) result = ApplyRate(target, kInitialRate);
    if (result.kind == PcmRateResult::Set) {
        Learn(target.serial, kInitialRate);
        return;
    }
    int card;
    std::string name;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        initialPending_ = true;
        // A card that went is not worth a word: its going is reported.
        if (failureSaid_ || result.kind == PcmRateResult::Gone) return;
        failureSaid_ = true;
        card = card_.index;
        name = Printable(card_.name);
    }
    std::fprintf(stderr,
                 "mirovan-control: could not set sound card %d (%s) to %u Hz: %s; it is shown at "
                 "%u Hz and set when the device is next opened\n",
                 card, name.c_str(), kInitialRate, Reason(result).c_str(), kInitialRate);
}

void SoundCardWatch::Publish() {
    const Card now = Current();
    const Card before = reported_;
    reported_ = now;
    if (now.present != before.present || now.serial != before.serial) {
        listener_.SoundCardChanged();
        return;
    }
    if (!now.present) return;
    if (now.rate != before.rate)
        listener_.SoundCardPropertyChanged(kAudioDevicePropertyNominalSampleRate);
    if (now.inUse != before.inUse)
        listener_.SoundCardPropertyChanged(kAudioDevicePropertyDeviceIsRunningSomewhere);
}

}  // namespace platform
