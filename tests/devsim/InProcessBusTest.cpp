#include "devsim/InProcessBus.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "platform/FWAUserLib.h"
#include "platform/RunLoop.h"
#include "tests/devsim/PlatformWatch.h"
#include "tests/devsim/WireBytes.h"

namespace {

using namespace devsim;
using devsim_test::AudioWatch;
using devsim_test::RegistryWatch;

TEST(InProcessBus, PresenceReachesTheRegistryThroughTheMainRunLoop) {
    DeviceModel model;
    InProcessBus bus(model);
    RegistryWatch watch;  // the device is there already: found by taking the iterator at once
    EXPECT_EQ(watch.matches, 1);
    EXPECT_EQ(watch.guid, kDeviceGUID);
    EXPECT_EQ(watch.node, kDeviceNodeID);

    model.Unplug();
    bus.WaitDelivered();
    EXPECT_EQ(watch.terminations, 0);  // not before the main thread drains its run loop
    platform::RunMainRunLoopPending();
    EXPECT_EQ(watch.terminations, 1);
    EXPECT_EQ(watch.node, 0u);

    bus.Plug();
    EXPECT_EQ(watch.matches, 2);
    EXPECT_EQ(watch.node, kDeviceNodeID);

    // Unplugged and plugged again before anyone looked: the old service still ends and a new
    // one comes, so a watcher never keeps a node id of a plug that is gone.
    bus.PowerCycle();
    EXPECT_EQ(watch.terminations, 2);
    EXPECT_EQ(watch.matches, 3);
    EXPECT_EQ(watch.node, kDeviceNodeID);
}

TEST(InProcessBus, AudioListenersRunOnTheBusThread) {
    DeviceModel model;
    InProcessBus bus(model);
    AudioWatch audio;
    EXPECT_EQ(audio.device, kAudioDeviceID);
    audio.Take();

    model.SetInUse(true);
    ASSERT_EQ(model.SetRateFromOutside(48000), true);
    bus.Settle();
    auto calls = audio.Take();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].property, kAudioDevicePropertyDeviceIsRunningSomewhere);
    EXPECT_EQ(calls[1].property, kAudioDevicePropertyNominalSampleRate);
    EXPECT_NE(calls[0].thread, std::this_thread::get_id());

    double rate = 0;
    uint32_t size = sizeof rate;
    ASSERT_EQ(AudioDeviceGetProperty(kAudioDeviceID, 0, false,
                                     kAudioDevicePropertyNominalSampleRate, &size, &rate),
              0);
    EXPECT_EQ(rate, 48000.0);
    rate = 32000;
    EXPECT_EQ(AudioDeviceSetProperty(kAudioDeviceID, nullptr, 0, false,
                                     kAudioDevicePropertyNominalSampleRate, sizeof rate, &rate),
              kAudioDeviceUnsupportedFormatError);

    bus.Unplug();
    calls = audio.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].property, kAudioHardwarePropertyDevices);
    EXPECT_EQ(audio.device, 0u);
    EXPECT_EQ(AudioDeviceGetProperty(kAudioDeviceID, 0, false,
                                     kAudioDevicePropertyNominalSampleRate, &size, &rate),
              kAudioHardwareBadDeviceError);
    bus.Plug();
    EXPECT_EQ(audio.device, kAudioDeviceID);
}

TEST(InProcessBus, ClockSourceChangeFromARegisterWriteReachesItsListener) {
    DeviceModel model;
    InProcessBus bus(model);
    AudioWatch audio;
    audio.Take();
    FWARef ref = nullptr;
    ASSERT_EQ(FWAOpen(kDeviceNodeID, &ref), kFWASuccess);
    FWAddress address{0, kRegisterSpaceHi, 4 * kExternalSyncRegister};
    const uint8_t one[4] = {0, 0, 0, 1};
    uint32_t busOne;
    std::memcpy(&busOne, one, 4);
    ASSERT_EQ(FWAWriteQuadlet(ref, &address, busOne), kFWASuccess);
    bus.Settle();
    auto calls = audio.Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].property, kAudioDevicePropertyClockSource);

    uint32_t source = 0, size = sizeof source;
    ASSERT_EQ(AudioDeviceGetProperty(kAudioDeviceID, 0, false, kAudioDevicePropertyClockSource,
                                     &size, &source),
              0);
    char name[11];  // room for "Ext Plug 3" only: the name is cut short, never overrun
    AudioValueTranslation t{&source, sizeof source, name, sizeof name};
    size = sizeof t;
    ASSERT_EQ(AudioDeviceGetProperty(kAudioDeviceID, 0, false,
                                     kAudioDevicePropertyClockSourceNameForID, &size, &t),
              0);
    EXPECT_EQ(t.outputDataSize, sizeof name);
    EXPECT_EQ(std::strlen(name), sizeof name - 1);
    FWAClose(ref);
}

TEST(InProcessBus, RemovingAListenerWaitsForItsRunningCall) {
    DeviceModel model;
    InProcessBus bus(model);
    static std::atomic<bool> inside{false}, finished{false};
    auto slow = [](AudioDeviceID, uint32_t, bool, AudioPropertyID, void*) -> OSStatus {
        inside = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        finished = true;
        return 0;
    };
    ASSERT_EQ(
        AudioDeviceAddPropertyListener(kAudioDeviceID, 0, false,
                                       kAudioDevicePropertyDeviceIsRunningSomewhere, slow, nullptr),
        0);
    model.SetInUse(true);
    while (!inside) std::this_thread::yield();
    AudioDeviceRemovePropertyListener(kAudioDeviceID, 0, false,
                                      kAudioDevicePropertyDeviceIsRunningSomewhere, slow);
    EXPECT_TRUE(finished);  // its owner may be destroyed now

    finished = false;
    model.SetInUse(false);
    bus.Settle();
    EXPECT_FALSE(finished);
}

TEST(InProcessBus, FireWireCallsCarryBusOrderAndNeverOverrunABuffer) {
    DeviceModel model;
    InProcessBus bus(model);
    FWARef ref = nullptr;
    EXPECT_EQ(FWAOpen(0x1234, &ref), kFWANoDevice);
    EXPECT_EQ(ref, nullptr);
    ASSERT_EQ(FWAOpen(kDeviceNodeID, &ref), kFWASuccess);

    FWAddress address{0, kInfoBlockHi, kInfoBlockLo + 4 * kFirmwareQuadlet};
    uint32_t busValue = 0;
    ASSERT_EQ(FWAReadQuadlet(ref, &address, &busValue), kFWASuccess);
    uint8_t bytes[4];
    std::memcpy(bytes, &busValue, 4);
    EXPECT_EQ(devsim_test::Get32(bytes), model.InfoQuadlet(kFirmwareQuadlet));

    std::vector<uint8_t> frame = devsim_test::AVCFrame(0x01, {{108, 0}, {109, 0}});
    uint8_t response[64];
    std::memset(response, 0xAA, sizeof response);
    uint32_t length = 12;  // room for the header and half a pair
    ASSERT_EQ(FWAExecuteAVC(ref, frame.data(), uint32_t(frame.size()), response, &length),
              kFWASuccess);
    EXPECT_EQ(length, 12u);
    EXPECT_EQ(response[12], 0xAA);

    bus.Unplug();
    EXPECT_EQ(FWAReadQuadlet(ref, &address, &busValue), kFWANoDevice);
    bus.Plug();
    EXPECT_EQ(FWAReadQuadlet(ref, &address, &busValue), kFWANoDevice);  // stays dead
    FWAClose(ref);
    ASSERT_EQ(FWAOpen(kDeviceNodeID, &ref), kFWASuccess);
    platform::InstallDeviceBus(nullptr);
    EXPECT_EQ(FWAReadQuadlet(ref, &address, &busValue), kFWANoDevice);
    EXPECT_EQ(FWAClose(ref), kFWASuccess);
    EXPECT_EQ(FWAClose(nullptr), kFWASuccess);
}

TEST(InProcessBus, UninstallingTakesEverythingAway) {
    DeviceModel model;
    auto bus = std::make_unique<InProcessBus>(model);
    RegistryWatch watch;
    AudioWatch audio;
    EXPECT_EQ(audio.device, kAudioDeviceID);
    bus.reset();
    platform::RunMainRunLoopPending();
    EXPECT_EQ(watch.terminations, 1);
    EXPECT_EQ(audio.device, 0u);
    EXPECT_EQ(platform::InstalledDeviceBus(), nullptr);
    model.Unplug();  // nobody listens any more
}

}  // namespace
