#include "devsim/InProcessBus.h"

#include <algorithm>
#include <cstring>

#include "platform/RunLoop.h"

namespace devsim {

InProcessBus::InProcessBus(DeviceModel& model, bool install) : model_(model) {
    thread_ = std::thread([this] { Deliver(); });
    model_.SetListener(this);
    if (install) Install();
}

InProcessBus::~InProcessBus() {
    model_.SetListener(nullptr);
    if (platform::InstalledDeviceBus() == this) platform::InstallDeviceBus(nullptr);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void InProcessBus::Install() {
    platform::InstallDeviceBus(this);
}

void InProcessBus::DevicePresenceChanged(const platform::BusPresence& presence) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back({true, presence, kAudioDeviceUnknown, 0});
    }
    wake_.notify_all();
}

void InProcessBus::AudioPropertyChanged(AudioDeviceID device, AudioPropertyID property) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back({false, {}, device, property});
    }
    wake_.notify_all();
}

void InProcessBus::Deliver() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        Report report = queue_.front();
        queue_.pop_front();
        delivering_ = true;
        lock.unlock();
        if (report.presence)
            platform::DeviceBusPresenceChanged(this, report.snapshot);
        else
            platform::DeviceBusAudioPropertyChanged(this, report.device, report.property);
        lock.lock();
        delivering_ = false;
        delivered_.notify_all();
    }
}

void InProcessBus::WaitDelivered() {
    std::unique_lock<std::mutex> lock(mutex_);
    delivered_.wait(lock, [this] { return queue_.empty() && !delivering_; });
}

void InProcessBus::Settle() {
    do {
        WaitDelivered();
    } while (platform::RunMainRunLoopPending() > 0 || [this] {
        std::lock_guard<std::mutex> lock(mutex_);
        return !queue_.empty() || delivering_;
    }());
}

void InProcessBus::Plug() {
    model_.Plug();
    Settle();
}

void InProcessBus::Unplug() {
    model_.Unplug();
    Settle();
}

void InProcessBus::PowerCycle() {
    model_.PowerCycle();
    Settle();
}

platform::BusPresence InProcessBus::Presence() {
    return model_.Presence();
}

FWAStatus InProcessBus::FireWireOpen(uint32_t nodeID, uint64_t* session) {
    return model_.Open(nodeID, session);
}

void InProcessBus::FireWireClose(uint64_t) {}

FWAStatus InProcessBus::ReadQuadlet(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                                    uint8_t busBytes[4]) {
    return model_.ReadQuadlet(session, addressHi, addressLo, busBytes);
}

FWAStatus InProcessBus::WriteQuadlet(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                                     const uint8_t busBytes[4]) {
    return model_.WriteQuadlet(session, addressHi, addressLo, busBytes);
}

FWAStatus InProcessBus::WriteBlock(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                                   const uint8_t* data, uint32_t length) {
    return model_.WriteBlock(session, addressHi, addressLo, data, length);
}

FWAStatus InProcessBus::ExecuteAVC(uint64_t session, const uint8_t* command, uint32_t commandLength,
                                   uint8_t* response, uint32_t* responseLength) {
    std::vector<uint8_t> answer;
    FWAStatus status = model_.ExecuteAVC(session, command, commandLength, &answer);
    if (status != kFWASuccess) return status;
    uint32_t n = std::min<uint32_t>(*responseLength, static_cast<uint32_t>(answer.size()));
    if (n) std::memcpy(response, answer.data(), n);
    *responseLength = n;
    return kFWASuccess;
}

OSStatus InProcessBus::GetDeviceName(AudioDeviceID device, std::string* name) {
    return model_.GetDeviceName(device, name);
}

OSStatus InProcessBus::GetNominalSampleRate(AudioDeviceID device, double* rate) {
    return model_.GetNominalSampleRate(device, rate);
}

OSStatus InProcessBus::SetNominalSampleRate(AudioDeviceID device, double rate) {
    return model_.SetNominalSampleRate(device, rate);
}

OSStatus InProcessBus::GetClockSource(AudioDeviceID device, uint32_t* sourceID) {
    return model_.GetClockSource(device, sourceID);
}

OSStatus InProcessBus::GetClockSourceName(AudioDeviceID device, uint32_t sourceID,
                                          std::string* name) {
    return model_.GetClockSourceName(device, sourceID, name);
}

OSStatus InProcessBus::GetIsRunningSomewhere(AudioDeviceID device, uint32_t* running) {
    return model_.GetIsRunningSomewhere(device, running);
}

}  // namespace devsim
