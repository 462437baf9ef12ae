#include "tests/linux/testbed/EmulatedFireWireNode.h"

#include <linux/firewire-cdev.h>
#include <linux/firewire-constants.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace testbed {
namespace {

constexpr uint64_t kFcpCommand = 0xFFFFF0000B00ULL;
constexpr uint64_t kFcpResponse = 0xFFFFF0000D00ULL;
constexpr uint32_t kFcpBytes = 0x200;
constexpr uint32_t kKernelAbiVersion = 5;

constexpr uint8_t kNotImplemented = 0x08;
constexpr uint8_t kRejected = 0x0A;
constexpr uint8_t kInterim = 0x0F;

// What the device's answer becomes on the wire.
uint32_t RcodeOf(FWAStatus status) {
    if (status == kFWASuccess) return RCODE_COMPLETE;
    if (status == kFWATimeout) return RCODE_CANCELLED;
    if (status == kFWABusReset) return RCODE_GENERATION;
    if (status == kFWANoDevice) return RCODE_NO_ACK;
    if (status == kFWAUnsupported) return RCODE_TYPE_ERROR;
    return RCODE_ADDRESS_ERROR;
}

template <class T>
std::vector<uint8_t> Bytes(const T& value, const void* data = nullptr, size_t length = 0) {
    std::vector<uint8_t> bytes(sizeof value + length);
    std::memcpy(bytes.data(), &value, sizeof value);
    if (length) std::memcpy(bytes.data() + sizeof value, data, length);
    return bytes;
}

}  // namespace

EmulatedFireWireNode::EmulatedFireWireNode(devsim::DeviceModel& model, uint32_t nodeID,
                                           uint64_t guid)
    : model_(model), nodeID_(nodeID), guid_(guid) {
    timerThread_ = std::thread([this] { Timers(); });
}

EmulatedFireWireNode::~EmulatedFireWireNode() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    timersChanged_.notify_all();
    timerThread_.join();
}

void EmulatedFireWireNode::SetPty(int master) {
    std::lock_guard<std::mutex> lock(mutex_);
    pty_ = std::make_unique<PtyReadiness>(master);
    pty_->Set(!events_.empty());
}

// --- Events ----------------------------------------------------------------------------------

void EmulatedFireWireNode::QueueLocked(std::vector<uint8_t> event) {
    if (removed_) return;
    events_.push_back(std::move(event));
    if (pty_) pty_->Set(true);
}

void EmulatedFireWireNode::QueueLater(std::chrono::milliseconds delay, std::vector<uint8_t> event) {
    timers_.push_back({std::chrono::steady_clock::now() + delay, std::move(event)});
    timersChanged_.notify_all();
}

void EmulatedFireWireNode::Timers() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        if (timers_.empty()) {
            timersChanged_.wait(lock);
            continue;
        }
        auto first = std::min_element(timers_.begin(), timers_.end(),
                                      [](const Timer& a, const Timer& b) { return a.due < b.due; });
        if (std::chrono::steady_clock::now() < first->due) {
            timersChanged_.wait_until(lock, first->due);
            continue;
        }
        std::vector<uint8_t> event = std::move(first->event);
        timers_.erase(first);
        QueueLocked(std::move(event));
    }
}

bool EmulatedFireWireNode::Read(Request& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++calls_;
    if (removed_) {
        request.Complete(-1, ENODEV);
        return true;
    }
    if (events_.empty()) {
        // The handler cannot see O_NONBLOCK; the client polls before it reads.
        request.Complete(-1, EAGAIN);
        return true;
    }
    std::vector<uint8_t> event = std::move(events_.front());
    events_.pop_front();
    const size_t n = std::min(event.size(), request.Length());
    std::memcpy(request.Buffer(), event.data(), n);
    if (events_.empty() && pty_) pty_->Set(false);
    request.Complete(static_cast<long>(n));
    return true;
}

std::vector<uint8_t> EmulatedFireWireNode::BusResetEventLocked() {
    fw_cdev_event_bus_reset reset{};
    reset.closure = busResetClosure_;
    reset.type = FW_CDEV_EVENT_BUS_RESET;
    reset.node_id = nodeID_;
    reset.local_node_id = kLocalNodeID;
    reset.bm_node_id = kLocalNodeID;
    reset.irm_node_id = kLocalNodeID;
    reset.root_node_id = nodeID_;
    reset.generation = generation_;
    return Bytes(reset);
}

std::vector<uint8_t> EmulatedFireWireNode::Frame(uint32_t sourceNode, uint32_t generation,
                                                 const std::vector<uint8_t>& frame) {
    fw_cdev_event_request2 request{};
    request.closure = fcpClosure_;
    request.type = FW_CDEV_EVENT_REQUEST2;
    request.tcode = frame.size() == 4 ? TCODE_WRITE_QUADLET_REQUEST : TCODE_WRITE_BLOCK_REQUEST;
    request.offset = kFcpResponse;
    request.source_node_id = sourceNode;
    request.destination_node_id = kLocalNodeID;
    request.generation = generation;
    request.handle = nextHandle_++;
    request.length = static_cast<uint32_t>(frame.size());
    ++unanswered_;
    return Bytes(request, frame.data(), frame.size());
}

// --- Requests --------------------------------------------------------------------------------

bool EmulatedFireWireNode::Ioctl(Request& request) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++calls_;
        if (removed_) {
            request.Complete(-1, ENODEV);
            return true;
        }
    }
    switch (request.Code()) {
        case FW_CDEV_IOC_GET_INFO: GetInfo(request); return true;
        case FW_CDEV_IOC_SEND_REQUEST: SendRequest(request); return true;
        case FW_CDEV_IOC_ALLOCATE: {
            auto* allocate = request.ArgumentAs<fw_cdev_allocate>();
            std::lock_guard<std::mutex> lock(mutex_);
            if (!allocate || allocate->offset != kFcpResponse || allocate->length != kFcpBytes) {
                request.Complete(-1, EINVAL);
                return true;
            }
            fcpAllocated_ = true;
            fcpClosure_ = allocate->closure;
            allocate->handle = 1;
            request.Complete(0);
            return true;
        }
        case FW_CDEV_IOC_DEALLOCATE: {
            std::lock_guard<std::mutex> lock(mutex_);
            fcpAllocated_ = false;
            request.Complete(0);
            return true;
        }
        case FW_CDEV_IOC_SEND_RESPONSE: {
            std::lock_guard<std::mutex> lock(mutex_);
            if (unanswered_) --unanswered_;
            request.Complete(0);
            return true;
        }
        default: request.Complete(-1, EINVAL); return true;
    }
}

void EmulatedFireWireNode::GetInfo(Request& request) {
    auto* info = request.ArgumentAs<fw_cdev_get_info>();
    if (!info) {
        request.Complete(-1, EFAULT);
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    clientVersion_ = info->version;
    info->version = kKernelAbiVersion;
    info->card = 0;
    // The bus information block with the GUID, and an empty root directory.
    const uint32_t rom[] = {0x04040000,      0x31333934, 0xE0008000, uint32_t(guid_ >> 32),
                            uint32_t(guid_), 0x00000000};
    if (info->rom_length) {
        if (void* out = request.Pointed(offsetof(fw_cdev_get_info, rom),
                                        std::min<size_t>(info->rom_length, sizeof rom)))
            std::memcpy(out, rom, std::min<size_t>(info->rom_length, sizeof rom));
    }
    info->rom_length = sizeof rom;
    busResetClosure_ = info->bus_reset_closure;
    if (void* out = request.Pointed(offsetof(fw_cdev_get_info, bus_reset),
                                    sizeof(fw_cdev_event_bus_reset))) {
        const std::vector<uint8_t> reset = BusResetEventLocked();
        std::memcpy(out, reset.data(), reset.size());
    }
    request.Complete(0);
}

void EmulatedFireWireNode::SendRequest(Request& request) {
    auto* send = request.ArgumentAs<fw_cdev_send_request>();
    if (!send || send->length > 4096) {
        request.Complete(-1, EINVAL);
        return;
    }
    std::vector<uint8_t> payload(send->length);
    if (send->data && send->length) {
        const void* data = request.Pointed(offsetof(fw_cdev_send_request, data), send->length);
        if (!data) {
            request.Complete(-1, EFAULT);
            return;
        }
        std::memcpy(payload.data(), data, send->length);
    }
    const fw_cdev_send_request sent = *send;
    request.Complete(0);

    std::unique_lock<std::mutex> lock(mutex_);
    ++requests_;
    uint32_t rcode = RCODE_COMPLETE;
    uint8_t readBack[4] = {};
    const bool isCommand =
        sent.offset == kFcpCommand &&
        (sent.tcode == TCODE_WRITE_BLOCK_REQUEST || sent.tcode == TCODE_WRITE_QUADLET_REQUEST);
    if (!onBus_ || sent.generation != busGeneration_ || generation_ != busGeneration_) {
        rcode = RCODE_GENERATION;
    } else if (!isCommand) {
        lock.unlock();
        rcode = Transact(sent.tcode, sent.offset, payload.data(), sent.length, readBack);
        lock.lock();
    }
    fw_cdev_event_response response{};
    response.closure = sent.closure;
    response.type = FW_CDEV_EVENT_RESPONSE;
    response.rcode = rcode;
    const bool carriesData = sent.tcode == TCODE_READ_QUADLET_REQUEST && rcode == RCODE_COMPLETE;
    response.length = carriesData ? 4 : 0;
    // The data follows the header where the struct's flexible array begins.
    std::vector<uint8_t> event(offsetof(fw_cdev_event_response, data) + response.length);
    std::memcpy(event.data(), &response, offsetof(fw_cdev_event_response, data));
    if (carriesData)
        std::memcpy(event.data() + offsetof(fw_cdev_event_response, data), readBack, 4);
    if (responseDelay_.count() > 0)
        QueueLater(std::exchange(responseDelay_, std::chrono::milliseconds(0)), std::move(event));
    else
        QueueLocked(std::move(event));
    if (isCommand && rcode == RCODE_COMPLETE) {
        lock.unlock();
        AnswerCommand(payload.data(), sent.length);
    }
}

uint32_t EmulatedFireWireNode::Transact(uint32_t tcode, uint64_t offset, const uint8_t* payload,
                                        uint32_t length, uint8_t readBack[4]) {
    const uint16_t hi = static_cast<uint16_t>(offset >> 32);
    const uint32_t lo = static_cast<uint32_t>(offset);
    if (!session_ && model_.Open(devsim::kDeviceNodeID, &session_) != kFWASuccess) {
        session_ = 0;
        return RCODE_NO_ACK;
    }
    FWAStatus status;
    if (tcode == TCODE_READ_QUADLET_REQUEST)
        status = model_.ReadQuadlet(session_, hi, lo, readBack);
    else if (tcode == TCODE_WRITE_QUADLET_REQUEST && length == 4)
        status = model_.WriteQuadlet(session_, hi, lo, payload);
    else if (tcode == TCODE_WRITE_BLOCK_REQUEST)
        status = model_.WriteBlock(session_, hi, lo, payload, length);
    else
        return RCODE_TYPE_ERROR;
    if (status == kFWANoDevice) session_ = 0;
    return RcodeOf(status);
}

void EmulatedFireWireNode::AnswerCommand(const uint8_t* command, uint32_t length) {
    if (!session_ && model_.Open(devsim::kDeviceNodeID, &session_) != kFWASuccess) session_ = 0;
    std::vector<uint8_t> answer;
    const FWAStatus status = model_.ExecuteAVC(session_, command, length, &answer);
    // A device answers what it cannot do with a frame of its own, never with silence.
    if (status != kFWASuccess) {
        answer.assign(command, command + length);
        answer[0] = status == kFWAUnsupported ? kNotImplemented : kRejected;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (!fcpAllocated_) return;
    if (std::exchange(strayFrames_, false)) {
        QueueLocked(Frame(kForeignNodeID, generation_, answer));
        QueueLocked(Frame(nodeID_, generation_ - 1, answer));
        std::vector<uint8_t> otherOpcode = answer;
        otherOpcode[2] ^= 0x01;
        QueueLocked(Frame(nodeID_, generation_, otherOpcode));
    }
    if (interimDelay_.count() >= 0) {
        std::vector<uint8_t> interim(command, command + length);
        interim[0] = kInterim;
        QueueLocked(Frame(nodeID_, generation_, interim));
        QueueLater(std::exchange(interimDelay_, std::chrono::milliseconds(-1)),
                   Frame(nodeID_, generation_, answer));
        return;
    }
    if (answerDelay_.count() > 0) {
        QueueLater(std::exchange(answerDelay_, std::chrono::milliseconds(0)),
                   Frame(nodeID_, generation_, answer));
        return;
    }
    QueueLocked(Frame(nodeID_, generation_, answer));
}

// --- The bus ---------------------------------------------------------------------------------

void EmulatedFireWireNode::BusReset(std::chrono::milliseconds eventDelay, uint32_t newNodeID) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++busGeneration_;
    if (!onBus_) return;
    generation_ = busGeneration_;
    if (newNodeID) nodeID_ = newNodeID;
    if (eventDelay.count() > 0)
        QueueLater(eventDelay, BusResetEventLocked());
    else
        QueueLocked(BusResetEventLocked());
}

void EmulatedFireWireNode::LeaveBus() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++busGeneration_;
    onBus_ = false;
}

void EmulatedFireWireNode::ReturnToBus() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++busGeneration_;
    onBus_ = true;
    generation_ = busGeneration_;
    QueueLocked(BusResetEventLocked());
}

void EmulatedFireWireNode::Remove() {
    std::lock_guard<std::mutex> lock(mutex_);
    removed_ = true;
    events_.clear();
    if (pty_) pty_->HangUp();
}

void EmulatedFireWireNode::AnswerInterim(std::chrono::milliseconds delay) {
    std::lock_guard<std::mutex> lock(mutex_);
    interimDelay_ = delay;
}

void EmulatedFireWireNode::SendStrayFramesFirst() {
    std::lock_guard<std::mutex> lock(mutex_);
    strayFrames_ = true;
}

void EmulatedFireWireNode::DelayNextAnswer(std::chrono::milliseconds delay) {
    std::lock_guard<std::mutex> lock(mutex_);
    answerDelay_ = delay;
}

void EmulatedFireWireNode::DelayNextResponse(std::chrono::milliseconds delay) {
    std::lock_guard<std::mutex> lock(mutex_);
    responseDelay_ = delay;
}

uint64_t EmulatedFireWireNode::Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

uint64_t EmulatedFireWireNode::Calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

uint64_t EmulatedFireWireNode::UnansweredRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return unanswered_;
}

bool EmulatedFireWireNode::FcpAllocated() {
    std::lock_guard<std::mutex> lock(mutex_);
    return fcpAllocated_;
}

uint32_t EmulatedFireWireNode::ClientAbiVersion() {
    std::lock_guard<std::mutex> lock(mutex_);
    return clientVersion_;
}

}  // namespace testbed
