#include "platform/FWAUserLib.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/DeviceBus.h"

namespace {

using namespace platform;

// A bus that claims more than it may: its AV/C answers report a length beyond the buffer.
class BoastfulBus : public DeviceBus {
  public:
    BusPresence Presence() override { return {}; }
    FWAStatus FireWireOpen(uint32_t, uint64_t* session) override {
        return *session = 1, kFWASuccess;
    }
    void FireWireClose(uint64_t) override { ++closes; }
    FWAStatus ReadQuadlet(uint64_t, uint16_t, uint32_t, uint8_t b[4]) override {
        b[0] = 0x11, b[1] = 0x22, b[2] = 0x33, b[3] = 0x44;
        return kFWASuccess;
    }
    FWAStatus WriteQuadlet(uint64_t, uint16_t hi, uint32_t lo, const uint8_t b[4]) override {
        std::memcpy(lastWrite, b, 4);
        lastHi = hi, lastLo = lo;
        return kFWASuccess;
    }
    FWAStatus WriteBlock(uint64_t, uint16_t, uint32_t, const uint8_t*, uint32_t) override {
        return kFWATimeout;
    }
    FWAStatus ExecuteAVC(uint64_t, const uint8_t*, uint32_t, uint8_t*, uint32_t* length) override {
        *length = 4096;
        return kFWASuccess;
    }
    OSStatus GetDeviceName(AudioDeviceID, std::string*) override {
        return kAudioHardwareBadDeviceError;
    }
    OSStatus GetNominalSampleRate(AudioDeviceID, double*) override {
        return kAudioHardwareBadDeviceError;
    }
    OSStatus SetNominalSampleRate(AudioDeviceID, double) override {
        return kAudioHardwareBadDeviceError;
    }
    OSStatus GetClockSource(AudioDeviceID, uint32_t*) override {
        return kAudioHardwareBadDeviceError;
    }
    OSStatus GetClockSourceName(AudioDeviceID, uint32_t, std::string*) override {
        return kAudioHardwareBadDeviceError;
    }
    OSStatus GetIsRunningSomewhere(AudioDeviceID, uint32_t*) override {
        return kAudioHardwareBadDeviceError;
    }

    uint8_t lastWrite[4] = {};
    uint16_t lastHi = 0;
    uint32_t lastLo = 0;
    int closes = 0;
};

TEST(FireWireLibrary, CarriesWireBytesAndNeverReportsMoreThanTheBufferHolds) {
    BoastfulBus bus;
    InstallDeviceBus(&bus);
    FWARef ref = nullptr;
    ASSERT_EQ(FWAOpen(0xFFC0, &ref), kFWASuccess);

    FWAddress address{0, 0x0001, 0x1B4};
    uint32_t busValue = 0;
    ASSERT_EQ(FWAReadQuadlet(ref, &address, &busValue), kFWASuccess);
    uint8_t inMemory[4];
    std::memcpy(inMemory, &busValue, 4);
    EXPECT_EQ(inMemory[0], 0x11);  // most significant byte first, whatever the host
    EXPECT_EQ(inMemory[3], 0x44);
    ASSERT_EQ(FWAWriteQuadlet(ref, &address, busValue), kFWASuccess);
    EXPECT_EQ(std::memcmp(bus.lastWrite, inMemory, 4), 0);
    EXPECT_EQ(bus.lastHi, 0x0001);
    EXPECT_EQ(bus.lastLo, 0x1B4u);

    uint8_t command[16] = {}, response[16];
    uint32_t length = sizeof response;
    ASSERT_EQ(FWAExecuteAVC(ref, command, sizeof command, response, &length), kFWASuccess);
    EXPECT_EQ(length, sizeof response);

    // A failed call leaves the length as it was, so a retry hands in the same room again.
    uint8_t block[8] = {};
    EXPECT_EQ(FWAWriteBlock(ref, &address, sizeof block, block), kFWATimeout);
    EXPECT_EQ(FWAReadQuadlet(ref, nullptr, &busValue), kFWABadArgument);
    EXPECT_EQ(FWAReadQuadlet(nullptr, &address, &busValue), kFWABadArgument);

    InstallDeviceBus(nullptr);
    EXPECT_EQ(FWAReadQuadlet(ref, &address, &busValue), kFWANoDevice);
    EXPECT_EQ(FWAClose(ref), kFWASuccess);
    EXPECT_EQ(bus.closes, 0);  // not reached once uninstalled
    EXPECT_EQ(FWAOpen(0xFFC0, &ref), kFWANoDevice);
    EXPECT_EQ(ref, nullptr);
}

}  // namespace
