#pragma once
// A MirovanHAL over the simulated device and the in-process bus, with every bus transaction
// recorded, sleeps recorded instead of slept, and user messages captured.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "device/AVCMsg.h"
#include "device/MeterData.h"
#include "device/MirovanHAL.h"
#include "device/MirovanPlugin.h"
#include "devsim/DeviceModel.h"
#include "devsim/InProcessBus.h"

namespace devicetest {

// One FireWire transaction as the bus saw it.
struct Transaction {
    enum Kind { ReadQuadlet, WriteQuadlet, WriteBlock, AVC } kind;
    uint16_t hi;
    uint32_t lo;
    std::vector<uint8_t> bytes;  // block payload or AV/C command
    uint32_t responseCapacity;   // AV/C: the response buffer's size offered to the bus
};

// The in-process bus, recording what passes and able to refuse access methods the way a
// device that does not support them would, or to cut AV/C responses short.
class RecordingBus : public devsim::InProcessBus {
  public:
    explicit RecordingBus(devsim::DeviceModel& model) : InProcessBus(model) {}

    std::vector<Transaction> log;
    bool refuseRegisterRead = false;  // quadlet reads of registers; the info block still reads
    bool refuseQuadletWrite = false;
    bool refuseBlockWrite = false;
    // When set, an AV/C response is reported this long (its bytes beyond the real response
    // are left as they are); it may claim more than the buffer holds.
    int avcResponseLength = -1;
    // Quadlet reads of these registers give this value, or fail with this code.
    std::map<uint32_t, uint32_t> readValue;
    std::map<uint32_t, FWAStatus> readFailure;
    bool refuseAudioName = false;  // the audio device's name cannot be read

    FWAStatus ReadQuadlet(uint64_t s, uint16_t hi, uint32_t lo, uint8_t b[4]) override;
    FWAStatus WriteQuadlet(uint64_t s, uint16_t hi, uint32_t lo, const uint8_t b[4]) override;
    FWAStatus WriteBlock(uint64_t s, uint16_t hi, uint32_t lo, const uint8_t* data,
                         uint32_t length) override;
    FWAStatus ExecuteAVC(uint64_t s, const uint8_t* command, uint32_t commandLength,
                         uint8_t* response, uint32_t* responseLength) override;
    OSStatus GetDeviceName(AudioDeviceID device, std::string* name) override;

    // Transactions of one kind, and quadlet reads of one register.
    std::vector<Transaction> OfKind(Transaction::Kind kind) const;
    int ReadsOfRegister(uint32_t reg) const;
};

std::vector<uint32_t> SleepsSinceReset();
void ResetSleeps();

// What the first step after an open sends at 48 kHz with every parameter at its default, in
// the order it goes out: the 56 gains side by side, then the three output words.
std::vector<devsim::RegisterWrite> DefaultFirstStep48K();
// The same at 96 kHz: 18 gains, then the output words.
std::vector<devsim::RegisterWrite> DefaultFirstStep96K();
std::vector<std::string>& Messages();

struct Observer : MirovanHAL::Observer {
    std::vector<MirovanHAL::Event> events;
    void MirovanHALEvent(MirovanHAL::Event e) override { events.push_back(e); }
};

// Builds the device, the bus and the singleton; the device is present but not opened.
class DeviceTest : public ::testing::Test {
  protected:
    void SetUp() override { Build({}); }
    void TearDown() override;

    // Rebuilds everything over a device made with these options.
    void Build(const devsim::DeviceModelOptions& options);
    MirovanHAL* Hal() { return MirovanHAL::Get(); }
    devsim::DeviceModel& Model() { return *model; }
    RecordingBus& Bus() { return *bus; }
    // Opens the device and forgets the open's traffic.
    void OpenAndForget();
    std::vector<devsim::RegisterWrite> TakeWrites() { return model->TakeWrites(); }
    void Set(int index, float value) { plugin.HostHasChangedParameter(index, value); }

    MirovanPlugin plugin;

  private:
    void TearDownDevice();
    std::unique_ptr<devsim::DeviceModel> model;
    std::unique_ptr<RecordingBus> bus;
};

}  // namespace devicetest
