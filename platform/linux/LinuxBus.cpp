#include "platform/linux/LinuxBus.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <utility>

namespace platform {
namespace {

// The audio layer knows no clock source names; the one reported is never the external input.
constexpr uint32_t kClockSource = 1;
constexpr const char* kClockSourceName = "Internal";

constexpr uint32_t kMaxRate = 10000000;

// A re-plug takes at least two bus resets, one as the device leaves and one as it comes back;
// a plain reset, of another device or a cable wiggle, one. Two resets in a row that were not
// a re-plug only cost a resend of the mix.
bool SkippedAGeneration(uint32_t oldGeneration, uint32_t generation) {
    return generation - oldGeneration >= 2;
}

}  // namespace

LinuxBus::LinuxBus() {
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
    permissions_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    SoundCardWatch::Listener& listener = *this;
    sound_ = std::make_unique<SoundCardWatch>(listener);
    Rescan({});
    thread_ = std::thread([this] { Watch(); });
}

LinuxBus::~LinuxBus() {
    if (InstalledDeviceBus() == this) InstallDeviceBus(nullptr);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    Wake();
    thread_.join();
    {
        // The watch's thread may be reporting right now; from here on its reports are dropped.
        std::lock_guard<std::mutex> lock(mutex_);
        soundStopping_ = true;
    }
    sound_.reset();
    std::shared_ptr<FireWireNode> node;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        node = std::move(node_);
    }
    node.reset();
    if (permissions_ >= 0) ::close(permissions_);
    for (int fd : wake_)
        if (fd >= 0) ::close(fd);
}

// --- Watching --------------------------------------------------------------------------------

void LinuxBus::Wake() {
    const char byte = 1;
    if (wake_[1] >= 0) (void)!::write(wake_[1], &byte, 1);
}

void LinuxBus::Watch() {
    for (;;) {
        pollfd fds[3] = {
            {wake_[0], POLLIN, 0}, {discovery_.Fd(), POLLIN, 0}, {permissions_, POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0 && errno != EINTR) return;
        bool look = false;
        bool report = false;
        std::set<std::string> removed;
        if (fds[0].revents) {
            char bytes[64];
            while (::read(wake_[0], bytes, sizeof bytes) > 0) {}
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_) return;
            look = std::exchange(rescanWanted_, false);
            report = std::exchange(reportWanted_, false);
        }
        if (fds[1].revents && discovery_.TakeEvents(&removed)) look = true;
        if (fds[2].revents && TakePermissionEvents()) look = true;
        if (look) Rescan(removed);
        if (report) Report();
    }
}

void LinuxBus::Rescan(const std::set<std::string>& removed) {
    const std::optional<FireWireCandidate> found = discovery_.Find();
    std::shared_ptr<FireWireNode> dropped;
    bool changed = false;
    bool open;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // A node the kernel removed stays listed until udev has seen it go; a node of the same
        // name after that is a new one.
        if (!found || found->syspath != goneSyspath_ || removed.count(goneSyspath_))
            goneSyspath_.clear();
        const bool nodeGone = node_ && node_->Current().gone;
        if (node_ && (nodeGone || !found || !(*found == found_))) {
            if (nodeGone && !removed.count(found_.syspath)) goneSyspath_ = found_.syspath;
            dropped = std::move(node_);
            changed = true;
        }
        open = found && !node_ && found->syspath != goneSyspath_;
    }
    // Joins the node's reader: never under the lock, which its listener calls take.
    dropped.reset();
    if (open) OpenNode(*found);
    std::string inUse;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (node_) inUse = found_.syspath;
    }
    sound_->SetFireWireNode(inUse);
    if (changed || open) Report();
}

void LinuxBus::OpenNode(const FireWireCandidate& found) {
    int error = 0;
    std::shared_ptr<FireWireNode> node = FireWireNode::Open(found.devnode, this, &error);
    if (node && node->Guid() != found.guid) node.reset();  // the node was another device's
    std::lock_guard<std::mutex> lock(mutex_);
    found_ = found;
    if (!node) {
        if ((error == EACCES || error == EPERM) && refused_.insert(found.devnode).second)
            std::fprintf(stderr,
                         "mirovan-control: no permission to open %s, the MirovanLE: install "
                         "the udev rules file 70-mirovan-control.rules (see the README) and "
                         "plug the interface in again\n",
                         found.devnode.c_str());
        if (error == EACCES || error == EPERM) WatchPermissions(found.devnode);
        return;
    }
    WatchPermissions({});
    node_ = std::move(node);
    ++plug_;
}

void LinuxBus::WatchPermissions(const std::string& devnode) {
    // A node we may not open is looked at again when its mode, owner or ACL changes. Watched
    // through its folder: a file one may not read cannot be watched itself.
    if (permissions_ < 0) return;
    if (permissionWatch_ >= 0) inotify_rm_watch(permissions_, permissionWatch_);
    permissionWatch_ = -1;
    refusedName_.clear();
    const size_t slash = devnode.rfind('/');
    if (devnode.empty() || slash == std::string::npos) return;
    refusedName_ = devnode.substr(slash + 1);
    permissionWatch_ =
        inotify_add_watch(permissions_, devnode.substr(0, slash + 1).c_str(), IN_ATTRIB);
}

bool LinuxBus::TakePermissionEvents() {
    alignas(inotify_event) char buffer[4096];
    bool ours = false;
    for (ssize_t got; (got = ::read(permissions_, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            const size_t size = sizeof(inotify_event) + event->len;
            if (at + ssize_t(size) > got) break;
            std::lock_guard<std::mutex> lock(mutex_);
            if (event->len && refusedName_ == event->name) ours = true;
            at += ssize_t(size);
        }
    }
    return ours;
}

// --- Reports ---------------------------------------------------------------------------------

BusPresence LinuxBus::SnapshotLocked() {
    BusPresence presence;
    if (node_) {
        const FireWireNode::State state = node_->Current();
        if (!state.gone) {
            presence.fireWirePresent = true;
            presence.nodeID = state.nodeID;
            presence.guid = found_.guid;
        }
    }
    const SoundCardWatch::Card card = soundStopping_ ? SoundCardWatch::Card{} : sound_->Current();
    // An id of its own for each card taken, so a card that came back is a new device.
    audio_ = card.present ? static_cast<AudioDeviceID>(card.serial) : kAudioDeviceUnknown;
    presence.audioDevice = audio_;
    presence.generation = plug_;
    presence.sequence = ++sequence_;
    return presence;
}

void LinuxBus::Report() {
    BusPresence presence;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        presence = SnapshotLocked();
    }
    DeviceBusPresenceChanged(this, presence);
}

BusPresence LinuxBus::Presence() {
    std::lock_guard<std::mutex> lock(mutex_);
    return SnapshotLocked();
}

void LinuxBus::NodeBusReset(FireWireNode& node, uint32_t oldGeneration) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (&node != node_.get()) return;
        if (SkippedAGeneration(oldGeneration, node.Current().generation)) ++plug_;
        // The node id may have changed too; the platform takes only what differs. This may run
        // inside a call, which must not report: the bus's thread does.
        reportWanted_ = true;
    }
    Wake();
}

void LinuxBus::NodeGone(FireWireNode& node) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (&node != node_.get()) return;
        // Closed on the bus's thread: this is the node's own reader.
        reportWanted_ = true;
        rescanWanted_ = true;
    }
    Wake();
}

void LinuxBus::SoundCardChanged() {
    Report();
}

void LinuxBus::SoundCardPropertyChanged(AudioPropertyID property) {
    AudioDeviceID device;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        device = soundStopping_ ? kAudioDeviceUnknown : audio_;
    }
    if (device != kAudioDeviceUnknown) DeviceBusAudioPropertyChanged(this, device, property);
}

// --- FireWire side ---------------------------------------------------------------------------

FWAStatus LinuxBus::FireWireOpen(uint32_t nodeID, uint64_t* session) {
    if (!session) return kFWABadArgument;
    *session = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!node_) return kFWANoDevice;
        const FireWireNode::State state = node_->Current();
        // Off the bus for now: opening would only make every probe wait out its retries.
        if (state.gone || !state.reachable || nodeID == 0 || nodeID != state.nodeID)
            return kFWANoDevice;
        *session = nextSession_++;
        sessions_[*session] = plug_;
    }
    sound_->DeviceOpening();
    return kFWASuccess;
}

void LinuxBus::FireWireClose(uint64_t session) {
    std::lock_guard<std::mutex> lock(mutex_);
    sessions_.erase(session);
}

std::shared_ptr<FireWireNode> LinuxBus::NodeOf(uint64_t session) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = sessions_.find(session);
    if (it == sessions_.end() || it->second != plug_) return nullptr;
    return node_;
}

FWAStatus LinuxBus::ReadQuadlet(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                                uint8_t busBytes[4]) {
    const std::shared_ptr<FireWireNode> node = NodeOf(session);
    if (!node) return kFWANoDevice;
    return node->ReadQuadlet(uint64_t(addressHi) << 32 | addressLo, busBytes);
}

FWAStatus LinuxBus::WriteQuadlet(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                                 const uint8_t busBytes[4]) {
    const std::shared_ptr<FireWireNode> node = NodeOf(session);
    if (!node) return kFWANoDevice;
    return node->WriteQuadlet(uint64_t(addressHi) << 32 | addressLo, busBytes);
}

FWAStatus LinuxBus::WriteBlock(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                               const uint8_t* data, uint32_t length) {
    const std::shared_ptr<FireWireNode> node = NodeOf(session);
    if (!node) return kFWANoDevice;
    return node->WriteBlock(uint64_t(addressHi) << 32 | addressLo, data, length);
}

FWAStatus LinuxBus::ExecuteAVC(uint64_t session, const uint8_t* command, uint32_t commandLength,
                               uint8_t* response, uint32_t* responseLength) {
    const std::shared_ptr<FireWireNode> node = NodeOf(session);
    if (!node) return kFWANoDevice;
    return node->ExecuteAVC(command, commandLength, response, responseLength);
}

// --- Audio side ------------------------------------------------------------------------------

bool LinuxBus::CardOf(AudioDeviceID device, SoundCardWatch::Card* card) {
    *card = sound_->Current();
    return device != kAudioDeviceUnknown && card->present &&
           static_cast<AudioDeviceID>(card->serial) == device;
}

OSStatus LinuxBus::GetDeviceName(AudioDeviceID device, std::string* name) {
    if (!name) return kAudioHardwareBadPropertySizeError;
    SoundCardWatch::Card card;
    if (!CardOf(device, &card)) return kAudioHardwareBadDeviceError;
    *name = card.name;
    return kAudioHardwareNoError;
}

OSStatus LinuxBus::GetNominalSampleRate(AudioDeviceID device, double* rate) {
    if (!rate) return kAudioHardwareBadPropertySizeError;
    SoundCardWatch::Card card;
    if (!CardOf(device, &card)) return kAudioHardwareBadDeviceError;
    *rate = card.rate;
    return kAudioHardwareNoError;
}

OSStatus LinuxBus::SetNominalSampleRate(AudioDeviceID device, double rate) {
    SoundCardWatch::Card card;
    if (!CardOf(device, &card)) return kAudioHardwareBadDeviceError;
    // The card knows only whole rates.
    if (!(rate > 0 && rate <= double(kMaxRate)) || std::floor(rate) != rate)
        return kAudioDeviceUnsupportedFormatError;
    return sound_->SetRate(static_cast<uint32_t>(rate));
}

OSStatus LinuxBus::GetClockSource(AudioDeviceID device, uint32_t* sourceID) {
    if (!sourceID) return kAudioHardwareBadPropertySizeError;
    SoundCardWatch::Card card;
    if (!CardOf(device, &card)) return kAudioHardwareBadDeviceError;
    *sourceID = kClockSource;
    return kAudioHardwareNoError;
}

OSStatus LinuxBus::GetClockSourceName(AudioDeviceID device, uint32_t sourceID, std::string* name) {
    if (!name) return kAudioHardwareBadPropertySizeError;
    SoundCardWatch::Card card;
    if (!CardOf(device, &card)) return kAudioHardwareBadDeviceError;
    if (sourceID != kClockSource) return kAudioHardwareUnknownPropertyError;
    *name = kClockSourceName;
    return kAudioHardwareNoError;
}

OSStatus LinuxBus::GetIsRunningSomewhere(AudioDeviceID device, uint32_t* running) {
    if (!running) return kAudioHardwareBadPropertySizeError;
    SoundCardWatch::Card card;
    if (!CardOf(device, &card)) return kAudioHardwareBadDeviceError;
    *running = card.inUse ? 1 : 0;
    return kAudioHardwareNoError;
}

}  // namespace platform
