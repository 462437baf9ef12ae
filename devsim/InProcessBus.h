#pragma once
// A device bus over a device model in the same process, for tests.
//
// Calls go straight to the model, on the caller's thread. The model's reports (plugged,
// unplugged, a changed rate, clock source or in-use flag) are queued and delivered to the
// platform by the bus's own listener thread, as the platform's audio layer would: audio
// listeners run there, registry callbacks are queued to the main run loop.
//
// Tests stay deterministic with Settle(): it waits until the listener thread has delivered
// everything queued so far and then drains the main run loop, until both are quiet. Plug(),
// Unplug() and PowerCycle() change the model and settle. Settle() is for the main thread.
//
//     devsim::DeviceModel model;
//     devsim::InProcessBus bus(model);   // installs itself as the process's bus
//     ... bus.Unplug(); ...              // registry and audio listeners have seen it now

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "devsim/DeviceModel.h"
#include "platform/DeviceBus.h"

namespace devsim {

class InProcessBus : public platform::DeviceBus, private DeviceModel::Listener {
  public:
    // Installs itself as the process's bus unless `install` is false (then call Install()).
    explicit InProcessBus(DeviceModel& model, bool install = true);
    // Uninstalls itself when it is the installed bus, then stops its listener thread.
    ~InProcessBus() override;
    InProcessBus(const InProcessBus&) = delete;
    InProcessBus& operator=(const InProcessBus&) = delete;

    void Install();
    DeviceModel& Model() { return model_; }

    // Blocks until every report queued so far has been delivered.
    void WaitDelivered();
    // WaitDelivered and RunMainRunLoopPending until neither has anything left. Main thread.
    void Settle();
    void Plug();
    void Unplug();
    void PowerCycle();

    // platform::DeviceBus
    platform::BusPresence Presence() override;
    FWAStatus FireWireOpen(uint32_t nodeID, uint64_t* session) override;
    void FireWireClose(uint64_t session) override;
    FWAStatus ReadQuadlet(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                          uint8_t busBytes[4]) override;
    FWAStatus WriteQuadlet(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                           const uint8_t busBytes[4]) override;
    FWAStatus WriteBlock(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                         const uint8_t* data, uint32_t length) override;
    FWAStatus ExecuteAVC(uint64_t session, const uint8_t* command, uint32_t commandLength,
                         uint8_t* response, uint32_t* responseLength) override;
    OSStatus GetDeviceName(AudioDeviceID device, std::string* name) override;
    OSStatus GetNominalSampleRate(AudioDeviceID device, double* rate) override;
    OSStatus SetNominalSampleRate(AudioDeviceID device, double rate) override;
    OSStatus GetClockSource(AudioDeviceID device, uint32_t* sourceID) override;
    OSStatus GetClockSourceName(AudioDeviceID device, uint32_t sourceID,
                                std::string* name) override;
    OSStatus GetIsRunningSomewhere(AudioDeviceID device, uint32_t* running) override;

  private:
    struct Report {
        bool presence;
        platform::BusPresence snapshot;
        AudioDeviceID device;
        AudioPropertyID property;
    };

    // DeviceModel::Listener: queue for the listener thread.
    void DevicePresenceChanged(const platform::BusPresence& presence) override;
    void AudioPropertyChanged(AudioDeviceID device, AudioPropertyID property) override;
    void Deliver();

    DeviceModel& model_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable delivered_;
    std::deque<Report> queue_;
    bool delivering_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace devsim
