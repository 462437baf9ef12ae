#include "tests/device/DeviceFixture.h"

#include <algorithm>

#include "device/DeviceMessage.h"
#include "platform/RunLoop.h"
#include "platform/SleepHook.h"

namespace devicetest {

namespace {

std::vector<uint32_t> gSleeps;

void RecordSleep(uint32_t microseconds) {
    gSleeps.push_back(microseconds);
}

void RecordMessage(const char* text) {
    Messages().push_back(text);
}

Transaction Make(Transaction::Kind kind, uint16_t hi, uint32_t lo, const uint8_t* data,
                 uint32_t length) {
    return Transaction{kind, hi, lo, std::vector<uint8_t>(data, data + length), 0};
}

}  // namespace

std::vector<uint32_t> SleepsSinceReset() {
    return gSleeps;
}
void ResetSleeps() {
    gSleeps.clear();
}

std::vector<devsim::RegisterWrite> DefaultFirstStep48K() {
    // Per mix side (monitor L, monitor R, headphone L, headphone R): playback channels 1-8,
    // then inputs 1-6. At the defaults a playback channel reaches only its own side at half
    // gain, and every input reaches both sides at half gain.
    const uint32_t playback[4][8] = {{0, 16, 4, 20, 8, 24, 12, 28},
                                     {2, 18, 6, 22, 10, 26, 14, 30},
                                     {1, 17, 5, 21, 9, 25, 13, 29},
                                     {3, 19, 7, 23, 11, 27, 15, 31}};
    const uint32_t inputs[4][6] = {{32, 44, 36, 48, 40, 52},
                                   {34, 46, 38, 50, 42, 54},
                                   {33, 45, 37, 49, 41, 53},
                                   {35, 47, 39, 51, 43, 55}};
    const uint32_t half = 16383;
    std::vector<devsim::RegisterWrite> out;
    for (int side = 0; side < 4; ++side) {
        const bool left = side % 2 == 0;
        for (int c = 0; c < 8; ++c)
            out.push_back({playback[side][c], (c % 2 == 0) == left ? half : 0});
        for (int k = 0; k < 6; ++k) out.push_back({inputs[side][k], half});
    }
    // Outputs 1&2 are dimmed by default (36 steps); the level link is off.
    out.push_back({87, 36});
    out.push_back({88, 0});
    out.push_back({89, 0});
    return out;
}

std::vector<devsim::RegisterWrite> DefaultFirstStep96K() {
    return {{73, 16383}, {79, 16383}, {74, 16383}, {80, 16383}, {72, 32767}, {78, 32767},
            {76, 16383}, {82, 16383}, {77, 16383}, {83, 16383}, {75, 32767}, {81, 32767},
            {66, 16383}, {69, 16383}, {67, 16383}, {70, 16383}, {68, 16383}, {71, 16383},
            {87, 36},    {88, 0},     {89, 0}};
}

std::vector<std::string>& Messages() {
    static std::vector<std::string> messages;
    return messages;
}

FWAStatus RecordingBus::ReadQuadlet(uint64_t s, uint16_t hi, uint32_t lo, uint8_t b[4]) {
    log.push_back(Make(Transaction::ReadQuadlet, hi, lo, nullptr, 0));
    if (hi == 0x0001) {
        if (refuseRegisterRead) return kFWAUnsupported;
        if (readFailure.count(lo / 4)) return readFailure.at(lo / 4);
    }
    const FWAStatus r = InProcessBus::ReadQuadlet(s, hi, lo, b);
    if (r == kFWASuccess && hi == 0x0001 && readValue.count(lo / 4)) {
        const uint32_t v = readValue.at(lo / 4);
        const uint8_t bytes[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
        std::copy(bytes, bytes + 4, b);
    }
    return r;
}

FWAStatus RecordingBus::WriteQuadlet(uint64_t s, uint16_t hi, uint32_t lo, const uint8_t b[4]) {
    log.push_back(Make(Transaction::WriteQuadlet, hi, lo, b, 4));
    if (refuseQuadletWrite) return kFWAUnsupported;
    return InProcessBus::WriteQuadlet(s, hi, lo, b);
}

FWAStatus RecordingBus::WriteBlock(uint64_t s, uint16_t hi, uint32_t lo, const uint8_t* data,
                                   uint32_t length) {
    log.push_back(Make(Transaction::WriteBlock, hi, lo, data, length));
    if (refuseBlockWrite) return kFWAUnsupported;
    return InProcessBus::WriteBlock(s, hi, lo, data, length);
}

FWAStatus RecordingBus::ExecuteAVC(uint64_t s, const uint8_t* command, uint32_t commandLength,
                                   uint8_t* response, uint32_t* responseLength) {
    log.push_back(Make(Transaction::AVC, 0, 0, command, commandLength));
    log.back().responseCapacity = *responseLength;
    const FWAStatus r =
        InProcessBus::ExecuteAVC(s, command, commandLength, response, responseLength);
    if (r == kFWASuccess && avcResponseLength >= 0)
        *responseLength = static_cast<uint32_t>(avcResponseLength);
    return r;
}

OSStatus RecordingBus::GetDeviceName(AudioDeviceID device, std::string* name) {
    if (refuseAudioName) return kAudioHardwareBadDeviceError;
    return InProcessBus::GetDeviceName(device, name);
}

std::vector<Transaction> RecordingBus::OfKind(Transaction::Kind kind) const {
    std::vector<Transaction> out;
    for (const Transaction& t : log)
        if (t.kind == kind) out.push_back(t);
    return out;
}

int RecordingBus::ReadsOfRegister(uint32_t reg) const {
    int n = 0;
    for (const Transaction& t : log)
        if (t.kind == Transaction::ReadQuadlet && t.hi == 0x0001 && t.lo == 4 * reg) ++n;
    return n;
}

void DeviceTest::Build(const devsim::DeviceModelOptions& options) {
    TearDownDevice();
    platform::SetSleepFunction(&RecordSleep);
    SetDeviceMessageFunction(&RecordMessage);
    model = std::make_unique<devsim::DeviceModel>(options);
    model->SetClock([] { return 0.0; });
    bus = std::make_unique<RecordingBus>(*model);
    bus->Settle();
    MirovanHAL::Create();
    Hal()->SetPlugin(&plugin);
    bus->Settle();
    ResetSleeps();
    Messages().clear();
}

void DeviceTest::OpenAndForget() {
    ASSERT_EQ(Hal()->Open(), 0);
    ASSERT_TRUE(Hal()->IsOpen());
    model->ClearWrites();
    bus->log.clear();
    ResetSleeps();
}

void DeviceTest::TearDownDevice() {
    MirovanHAL::Destroy();
    bus.reset();
    model.reset();
    platform::RunMainRunLoopPending();
}

void DeviceTest::TearDown() {
    TearDownDevice();
    platform::SetSleepFunction(nullptr);
    SetDeviceMessageFunction(nullptr);
}

}  // namespace devicetest
