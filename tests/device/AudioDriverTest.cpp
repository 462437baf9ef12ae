// The audio driver link over an audio layer of our own: which audio device it follows, and
// what it makes of the rate, clock source and in-use values that device reports.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "device/AudioDriver.h"
#include "platform/AudioDeviceList.h"
#include "platform/DeviceBus.h"

namespace {

// A bus with no FireWire device and any number of audio devices, each with its own values.
class AudioOnlyBus : public platform::DeviceBus {
  public:
    struct Device {
        std::string name;
        double rate = 44100.0;
        std::string clockName = "Internal";
        uint32_t running = 0;
        bool nameFails = false;
        OSStatus setResult = kAudioHardwareNoError;
    };
    std::map<AudioDeviceID, Device> devices;
    int rateReads = 0;
    double lastRateSet = 0;

    platform::BusPresence Presence() override { return {}; }
    FWAStatus FireWireOpen(uint32_t, uint64_t*) override { return kFWANoDevice; }
    void FireWireClose(uint64_t) override {}
    FWAStatus ReadQuadlet(uint64_t, uint16_t, uint32_t, uint8_t[4]) override {
        return kFWANoDevice;
    }
    FWAStatus WriteQuadlet(uint64_t, uint16_t, uint32_t, const uint8_t[4]) override {
        return kFWANoDevice;
    }
    FWAStatus WriteBlock(uint64_t, uint16_t, uint32_t, const uint8_t*, uint32_t) override {
        return kFWANoDevice;
    }
    FWAStatus ExecuteAVC(uint64_t, const uint8_t*, uint32_t, uint8_t*, uint32_t*) override {
        return kFWANoDevice;
    }
    OSStatus GetDeviceName(AudioDeviceID d, std::string* name) override {
        if (!devices.count(d) || devices[d].nameFails) return kAudioHardwareBadDeviceError;
        *name = devices[d].name;
        return 0;
    }
    OSStatus GetNominalSampleRate(AudioDeviceID d, double* rate) override {
        ++rateReads;
        *rate = devices[d].rate;
        return 0;
    }
    OSStatus SetNominalSampleRate(AudioDeviceID d, double rate) override {
        lastRateSet = rate;
        return devices[d].setResult;
    }
    OSStatus GetClockSource(AudioDeviceID, uint32_t* source) override {
        *source = 7;
        return 0;
    }
    OSStatus GetClockSourceName(AudioDeviceID d, uint32_t, std::string* name) override {
        *name = devices[d].clockName;
        return 0;
    }
    OSStatus GetIsRunningSomewhere(AudioDeviceID d, uint32_t* running) override {
        *running = devices[d].running;
        return 0;
    }
};

class AudioDriverTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::InstallDeviceBus(&bus); }
    void TearDown() override {
        driver.reset();
        platform::AudioHardwareSetDevices({});
        platform::InstallDeviceBus(nullptr);
    }
    void List(const std::vector<AudioDeviceID>& ids) { platform::AudioHardwareSetDevices(ids); }
    // The audio layer reporting that a property of device d changed.
    void Changed(AudioDeviceID d, AudioPropertyID property) {
        platform::AudioHardwareDevicePropertyChanged(d, property);
    }
    AudioDriver& Driver() {
        if (!driver) driver = std::make_unique<AudioDriver>();
        return *driver;
    }

    AudioOnlyBus bus;
    std::unique_ptr<AudioDriver> driver;
};

TEST_F(AudioDriverTest, WithoutTheDeviceNothingIsFollowed) {
    bus.devices[1] = {"Built-in Output"};
    List({1});
    EXPECT_FALSE(Driver().Open());
    EXPECT_EQ(Driver().GetSampleRate(), 0);
    EXPECT_FALSE(Driver().IsInUse());
    EXPECT_TRUE(Driver().IsExternalClockAvailable());
    EXPECT_EQ(Driver().SetSampleRate(48000), 1);
    EXPECT_EQ(bus.lastRateSet, 0.0);
}

TEST_F(AudioDriverTest, TakesTheFirstDeviceWhoseNameBeginsWithTheDeviceName) {
    bus.devices[1] = {"MirovanLE"};
    bus.devices[1].nameFails = true;  // unreadable: passed over
    bus.devices[2] = {"MirovanL"};
    bus.devices[3] = {"mirovanLE"};
    bus.devices[4] = {"MIROVANLE"};
    bus.devices[5] = {"MirovanLE Second"};
    bus.devices[5].rate = 44099.9;
    bus.devices[5].running = 1;
    bus.devices[6] = {"MirovanLE"};
    bus.devices[6].rate = 96000.0;
    List({1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(Driver().Open());
    EXPECT_EQ(Driver().record->deviceId.load(), 5u);
    EXPECT_EQ(Driver().GetSampleRate(), 44099);
    EXPECT_TRUE(Driver().IsInUse());

    // A new list whose first match is the followed device changes nothing and reads nothing.
    const int reads = bus.rateReads;
    List({2, 5, 6});
    EXPECT_EQ(Driver().record->deviceId.load(), 5u);
    EXPECT_EQ(bus.rateReads, reads);

    // When it leaves, the next match is taken; when none is left, nothing is followed.
    List({2, 6});
    EXPECT_EQ(Driver().record->deviceId.load(), 6u);
    EXPECT_EQ(Driver().GetSampleRate(), 96000);
    EXPECT_FALSE(Driver().IsInUse());
    List({2});
    EXPECT_FALSE(Driver().Open());
    EXPECT_EQ(Driver().GetSampleRate(), 0);
}

TEST_F(AudioDriverTest, RateChangesDecideWhetherExternalClockCanBeOffered) {
    bus.devices[9] = {"MirovanLE"};
    List({9});
    ASSERT_TRUE(Driver().Open());
    const struct {
        double rate;
        int truncated;
        bool external;
    } cases[] = {{48000.0, 48000, true}, {88200.0, 88200, true},    {96000.0, 96000, true},
                 {96000.5, 96000, true}, {176400.0, 176400, false}, {192000.0, 192000, false},
                 {44099.9, 44099, true}};
    for (const auto& c : cases) {
        bus.devices[9].rate = c.rate;
        Changed(9, kAudioDevicePropertyNominalSampleRate);
        EXPECT_EQ(Driver().GetSampleRate(), c.truncated) << c.rate;
        EXPECT_EQ(Driver().IsExternalClockAvailable(), c.external) << c.rate;
    }
    // A rate the platform cannot represent as a rate reads as none, never as garbage.
    bus.devices[9].rate = 1e300;
    Changed(9, kAudioDevicePropertyNominalSampleRate);
    EXPECT_EQ(Driver().GetSampleRate(), 0);

    bus.devices[9].running = 3;
    Changed(9, kAudioDevicePropertyDeviceIsRunningSomewhere);
    EXPECT_TRUE(Driver().IsInUse());
}

TEST_F(AudioDriverTest, SettingTheRateReportsWhatThePlatformSaid) {
    bus.devices[9] = {"MirovanLE"};
    List({9});
    EXPECT_EQ(Driver().SetSampleRate(88200), 0);
    EXPECT_EQ(bus.lastRateSet, 88200.0);
    // The record follows the platform's notice, not the request.
    EXPECT_EQ(Driver().GetSampleRate(), 44100);
    bus.devices[9].setResult = kAudioDeviceUnsupportedFormatError;
    EXPECT_EQ(Driver().SetSampleRate(22050), 3);
    bus.devices[9].setResult = kAudioHardwareUnspecifiedError;
    EXPECT_EQ(Driver().SetSampleRate(48000), 1);
}

TEST_F(AudioDriverTest, ExternalClockIsAClockSourceNameEndingInExtPlug3) {
    bus.devices[9] = {"MirovanLE"};
    List({9});
    ASSERT_TRUE(Driver().Open());
    const struct {
        const char* name;
        bool external;
    } cases[] = {{"Ext Plug 3", true},   {"MirovanLE Ext Plug 3", true}, {"Ext Plug 3 ", false},
                 {"Ext Plug 31", false}, {"xt Plug 3", false},           {"", false},
                 {"Ext Plug 2", false}};
    for (const auto& c : cases) {
        bus.devices[9].clockName = c.name;
        Changed(9, kAudioDevicePropertyClockSource);
        EXPECT_EQ(Driver().record->externalClock.load(), c.external) << '"' << c.name << '"';
    }
    // A name longer than the 256-byte buffer is cut inside it, never read past it.
    bus.devices[9].clockName = std::string(400, 'x') + "Ext Plug 3";
    Changed(9, kAudioDevicePropertyClockSource);
    EXPECT_FALSE(Driver().record->externalClock.load());
}

TEST_F(AudioDriverTest, NoListenerReachesTheRecordOnceTheDriverIsGone) {
    bus.devices[9] = {"MirovanLE"};
    List({9});
    ASSERT_TRUE(Driver().Open());
    driver.reset();
    const int reads = bus.rateReads;
    Changed(9, kAudioDevicePropertyNominalSampleRate);
    List({});
    List({9});
    EXPECT_EQ(bus.rateReads, reads);
}

}  // namespace
