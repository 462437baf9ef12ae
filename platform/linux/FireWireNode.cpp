#include "platform/linux/FireWireNode.h"

#include <fcntl.h>
#include <linux/firewire-cdev.h>
#include <linux/firewire-constants.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace platform {
namespace {

// Kernels from 6.5 send other event types to clients that ask for a later ABI.
constexpr uint32_t kAbiVersion = 4;

constexpr uint64_t kFcpCommandAddress = 0xFFFFF0000B00ULL;
constexpr uint64_t kFcpResponseAddress = 0xFFFFF0000D00ULL;
constexpr uint32_t kFcpRegionBytes = 0x200;
constexpr uint32_t kMaxFrameBytes = kFcpRegionBytes;

// AV/C frame: byte 0 the ctype or response code, 1 the subunit, 2 the opcode, and for a
// vendor-dependent command 3-5 the company id.
constexpr uint8_t kOpcodeVendorDependent = 0x00;
constexpr uint8_t kFirstResponseCode = 0x08;
constexpr uint8_t kResponseInterim = 0x0F;

// The kernel answers every request within its split timeout (100 ms); this only guards against
// an answer that never comes.
constexpr auto kTransactionDeadline = std::chrono::milliseconds(1000);
// A device answers an AV/C command at once, or says INTERIM and answers later.
constexpr auto kFirstAnswerDeadline = std::chrono::milliseconds(200);
constexpr auto kAfterInterimDeadline = std::chrono::milliseconds(2000);
// How long after a command was given up on the device may still answer it.
constexpr auto kLateAnswerWindow = std::chrono::milliseconds(500);

// What each response code of the kernel becomes. Transient codes are retried by the
// transport; the others close the device.
struct RcodeMeaning {
    uint32_t rcode;
    FWAStatus status;
};
constexpr RcodeMeaning kRcodes[] = {
    {RCODE_COMPLETE, kFWASuccess},
    {RCODE_GENERATION, kFWABusReset},  // sent in a stale generation: a bus reset came between
    {RCODE_BUSY, kFWATimeout},         // the node kept answering busy
    {RCODE_CANCELLED, kFWATimeout},    // no response within the split timeout
    {RCODE_NO_ACK, kFWATimeout},       // nobody acknowledged the request
    {RCODE_SEND_ERROR, kFWANotResponding},
    {RCODE_CONFLICT_ERROR, kFWANotResponding},
    {RCODE_DATA_ERROR, kFWANotResponding},
    {RCODE_TYPE_ERROR, kFWAUnsupported},     // the node does not take this kind of request
    {RCODE_ADDRESS_ERROR, kFWABadArgument},  // nothing there to read or write
};

FWAStatus StatusOfErrno(int error) {
    switch (error) {
        case ENODEV: return kFWANoDevice;
        case EINVAL:
        case EFAULT: return kFWABadArgument;
        default: return kFWANotResponding;
    }
}

bool IsResponseFrame(const std::vector<uint8_t>& frame) {
    return !frame.empty() && frame[0] >= kFirstResponseCode;
}

}  // namespace

// A response frame answers the command whose subunit, opcode and (vendor-dependent) company
// id it repeats.
bool FireWireNode::Matches(const FcpWait& wait, const std::vector<uint8_t>& frame) {
    return frame.size() >= wait.headerBytes &&
           std::equal(wait.header + 1, wait.header + wait.headerBytes, frame.begin() + 1);
}

FWAStatus StatusOfRcode(uint32_t rcode) {
    for (const RcodeMeaning& meaning : kRcodes)
        if (meaning.rcode == rcode) return meaning.status;
    return kFWANotResponding;
}

// --- Opening and closing ---------------------------------------------------------------------

std::unique_ptr<FireWireNode> FireWireNode::Open(const std::string& devnode, Listener* listener,
                                                 int* error) {
    int unused;
    if (!error) error = &unused;
    *error = 0;
    const int fd = ::open(devnode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return nullptr;
    }
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = errno;
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<FireWireNode> node(new FireWireNode(devnode, fd, wake[0], wake[1], listener));
    if (!node->Start(error)) return nullptr;
    return node;
}

FireWireNode::FireWireNode(std::string devnode, int fd, int wakeRead, int wakeWrite,
                           Listener* listener)
    : devnode_(std::move(devnode)), fd_(fd), wakeRead_(wakeRead), wakeWrite_(wakeWrite),
      listener_(listener) {}

bool FireWireNode::Start(int* error) {
    uint32_t rom[256] = {};
    fw_cdev_event_bus_reset reset{};
    fw_cdev_get_info info{};
    info.version = kAbiVersion;
    info.rom = reinterpret_cast<uintptr_t>(rom);
    info.rom_length = sizeof rom;
    info.bus_reset = reinterpret_cast<uintptr_t>(&reset);
    if (::ioctl(fd_, FW_CDEV_IOC_GET_INFO, &info) != 0) {
        *error = errno == ENOTTY ? ENODEV : errno;
        return false;
    }
    if (info.version < kAbiVersion) {
        *error = ENOTSUP;
        return false;
    }
    const size_t quadlets = std::min<size_t>(info.rom_length, sizeof rom) / 4;
    if (!ConfigRomGuid(rom, quadlets, &guid_)) guid_ = 0;
    state_.nodeID = reset.node_id;
    state_.generation = reset.generation;

    // Frames from the device come to our FCP response register; it must be ours before any
    // command goes out.
    fw_cdev_allocate allocate{};
    allocate.offset = kFcpResponseAddress;
    allocate.length = kFcpRegionBytes;
    allocate.region_end = kFcpResponseAddress + kFcpRegionBytes;
    if (::ioctl(fd_, FW_CDEV_IOC_ALLOCATE, &allocate) == 0) {
        fcpHandle_ = allocate.handle;
        fcpAllocated_ = true;
    }
    reader_ = std::thread([this] { ReadEvents(); });
    return true;
}

FireWireNode::~FireWireNode() {
    if (reader_.joinable()) {
        const char byte = 1;
        (void)!::write(wakeWrite_, &byte, 1);
        reader_.join();
    }
    if (fcpAllocated_) {
        fw_cdev_deallocate deallocate{};
        deallocate.handle = fcpHandle_;
        ::ioctl(fd_, FW_CDEV_IOC_DEALLOCATE, &deallocate);
    }
    ::close(fd_);
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

FireWireNode::State FireWireNode::Current() {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
}

void FireWireNode::MarkGone() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (state_.gone) return;
        state_.gone = true;
    }
    changed_.notify_all();
}

// --- Requests --------------------------------------------------------------------------------

FWAStatus FireWireNode::Transaction(uint32_t tcode, uint64_t offset, const uint8_t* payload,
                                    uint32_t length, uint8_t* readBack) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (state_.gone) return kFWANoDevice;
    const uint64_t closure = nextClosure_++;
    const uint32_t generation = state_.generation;
    pending_[closure] = Pending{};

    fw_cdev_send_request request{};
    request.tcode = tcode;
    request.length = length;
    request.offset = offset;
    request.closure = closure;
    request.data = payload ? reinterpret_cast<uintptr_t>(payload) : 0;
    request.generation = generation;
    lock.unlock();
    const int sent = ::ioctl(fd_, FW_CDEV_IOC_SEND_REQUEST, &request);
    const int sendError = errno;
    lock.lock();
    if (sent != 0) {
        pending_.erase(closure);
        if (sendError == ENODEV) {
            lock.unlock();
            MarkGone();
        }
        return StatusOfErrno(sendError);
    }

    const auto deadline = std::chrono::steady_clock::now() + kTransactionDeadline;
    changed_.wait_until(lock, deadline, [&] { return pending_[closure].done || state_.gone; });
    const Pending result = pending_[closure];
    // A response that comes later finds no entry and is dropped.
    pending_.erase(closure);
    if (!result.done) return state_.gone ? kFWANoDevice : kFWATimeout;

    if (readBack && result.rcode == RCODE_COMPLETE) {
        if (result.length < 4) return kFWANotResponding;
        std::memcpy(readBack, result.data, 4);
    }
    if (result.rcode == RCODE_GENERATION) {
        lock.unlock();
        RefreshGeneration(generation);
    }
    return StatusOfRcode(result.rcode);
}

void FireWireNode::RefreshGeneration(uint32_t sentIn) {
    // The kernel knows a node's new generation right after a bus reset, before the reset's
    // event reaches us; a request retried after this one then goes out in it. A node that
    // still has the generation the request failed in is not on the bus now.
    fw_cdev_event_bus_reset reset{};
    fw_cdev_get_info info{};
    info.version = kAbiVersion;
    info.bus_reset = reinterpret_cast<uintptr_t>(&reset);
    if (::ioctl(fd_, FW_CDEV_IOC_GET_INFO, &info) != 0) {
        if (errno == ENODEV) MarkGone();
        return;
    }
    if (reset.generation == sentIn) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (state_.generation == sentIn) state_.reachable = false;
        return;
    }
    TakeBusReset(reset.node_id, reset.generation);
}

FWAStatus FireWireNode::ReadQuadlet(uint64_t offset, uint8_t busBytes[4]) {
    return Transaction(TCODE_READ_QUADLET_REQUEST, offset, nullptr, 4, busBytes);
}

FWAStatus FireWireNode::WriteQuadlet(uint64_t offset, const uint8_t busBytes[4]) {
    return Transaction(TCODE_WRITE_QUADLET_REQUEST, offset, busBytes, 4, nullptr);
}

FWAStatus FireWireNode::WriteBlock(uint64_t offset, const uint8_t* data, uint32_t length) {
    if (!data || length == 0 || length > kMaxFrameBytes) return kFWABadArgument;
    return Transaction(TCODE_WRITE_BLOCK_REQUEST, offset, data, length, nullptr);
}

FWAStatus FireWireNode::ExecuteAVC(const uint8_t* command, uint32_t commandLength,
                                   uint8_t* response, uint32_t* responseLength) {
    if (!command || commandLength < 4 || commandLength > kMaxFrameBytes || !responseLength ||
        (*responseLength && !response))
        return kFWABadArgument;
    if (!fcpAllocated_) return kFWAUnsupported;
    std::lock_guard<std::mutex> one(avcMutex_);
    std::unique_lock<std::mutex> lock(mutex_);
    // A command given up on is still the device's until it answers: one at a time means not
    // sending the next one before that answer, or before the device has surely dropped it.
    changed_.wait_until(lock, lateUntil_, [&] { return !late_.active || state_.gone; });
    late_ = FcpWait{};
    // Registered before the command goes out, so an answer as fast as it can be is still seen.
    fcp_ = FcpWait{};
    fcp_.active = true;
    fcp_.headerBytes = command[2] == kOpcodeVendorDependent && commandLength >= 6 ? 6 : 3;
    std::copy(command, command + fcp_.headerBytes, fcp_.header);
    lock.unlock();

    const FWAStatus sent =
        Transaction(commandLength == 4 ? TCODE_WRITE_QUADLET_REQUEST : TCODE_WRITE_BLOCK_REQUEST,
                    kFcpCommandAddress, command, commandLength, nullptr);
    lock.lock();
    if (sent != kFWASuccess) {
        fcp_ = FcpWait{};
        return sent;
    }
    auto deadline = std::chrono::steady_clock::now() + kFirstAnswerDeadline;
    for (;;) {
        const bool woke = changed_.wait_until(
            lock, deadline, [&] { return fcp_.answered || fcp_.interim || state_.gone; });
        if (!woke || state_.gone || fcp_.answered) break;
        // INTERIM: the device will answer later.
        fcp_.interim = false;
        deadline = std::chrono::steady_clock::now() + kAfterInterimDeadline;
    }
    FcpWait done = std::move(fcp_);
    fcp_ = FcpWait{};
    if (state_.gone) return kFWANoDevice;
    if (!done.answered) {
        late_ = done;
        lateUntil_ = std::chrono::steady_clock::now() + kLateAnswerWindow;
        return kFWATimeout;
    }
    const uint32_t n =
        std::min<uint32_t>(*responseLength, static_cast<uint32_t>(done.frame.size()));
    if (n) std::memcpy(response, done.frame.data(), n);
    *responseLength = n;
    return kFWASuccess;
}

// --- The reader ------------------------------------------------------------------------------

void FireWireNode::ReadEvents() {
    // The largest event is a write of a whole FCP frame to our region.
    std::vector<uint8_t> buffer(sizeof(fw_cdev_event_request2) + kFcpRegionBytes + 64);
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents) return;
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) break;
        if (!(fds[0].revents & POLLIN)) continue;
        // Every event that is there now; one event per read.
        for (;;) {
            const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
            if (got > 0) {
                Take(ParseFireWireEvent(buffer.data(), static_cast<size_t>(got)));
                continue;
            }
            if (got < 0 && errno == EINTR) continue;
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
            // ENODEV, or an end of file: the node has been removed.
            MarkGone();
            if (listener_) listener_->NodeGone(*this);
            return;
        }
    }
    MarkGone();
    if (listener_) listener_->NodeGone(*this);
}

void FireWireNode::Take(const FireWireEvent& event) {
    switch (event.kind) {
        case FireWireEvent::Kind::BusReset: TakeBusReset(event.nodeID, event.generation); break;
        case FireWireEvent::Kind::Response: {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                auto it = pending_.find(event.closure);
                if (it == pending_.end()) return;  // its caller gave up
                it->second.done = true;
                it->second.rcode = event.rcode;
                it->second.length = std::min<uint32_t>(event.length, 4);
                std::memcpy(it->second.data, event.data, it->second.length);
            }
            changed_.notify_all();
            break;
        }
        case FireWireEvent::Kind::Request:
            TakeFcpFrame(event);
            // The kernel keeps the request until it is answered, even one it already
            // acknowledged for us.
            {
                fw_cdev_send_response answer{};
                answer.rcode = RCODE_COMPLETE;
                answer.handle = event.handle;
                ::ioctl(fd_, FW_CDEV_IOC_SEND_RESPONSE, &answer);
            }
            break;
        case FireWireEvent::Kind::Other:
        case FireWireEvent::Kind::Malformed: break;
    }
}

void FireWireNode::TakeBusReset(uint32_t nodeID, uint32_t generation) {
    uint32_t old;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        old = state_.generation;
        // An event of a generation already learnt from the kernel says nothing new.
        if (generation == old && nodeID == state_.nodeID) {
            state_.reachable = true;
            return;
        }
        state_.nodeID = nodeID;
        state_.generation = generation;
        state_.reachable = true;
    }
    if (listener_) listener_->NodeBusReset(*this, old);
}

void FireWireNode::TakeFcpFrame(const FireWireEvent& event) {
    if (event.offset != kFcpResponseAddress || event.length == 0 || event.length > kFcpRegionBytes)
        return;
    if (event.tcode != TCODE_WRITE_BLOCK_REQUEST && event.tcode != TCODE_WRITE_QUADLET_REQUEST)
        return;
    std::vector<uint8_t> frame(event.data, event.data + event.length);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // Every client on the card gets every frame written there, from any node: only the
        // answer of this node, in this generation, to the command sent now is ours.
        if (event.sourceNodeID != state_.nodeID || event.generation != state_.generation) return;
        if (!IsResponseFrame(frame)) return;
        if (late_.active && Matches(late_, frame)) {
            if (frame[0] != kResponseInterim) late_ = FcpWait{};
        } else {
            if (!fcp_.active || fcp_.answered || !Matches(fcp_, frame)) return;
            if (frame[0] == kResponseInterim) {
                fcp_.interim = true;
            } else {
                fcp_.frame = std::move(frame);
                fcp_.answered = true;
            }
        }
    }
    changed_.notify_all();
}

}  // namespace platform
