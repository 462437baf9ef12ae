// The device setters: sample rate, external sync, AC3, the save marker, and the audio
// device's state as the device object reports it.

#include "device/AudioDriver.h"
#include "tests/device/DeviceFixture.h"

namespace devicetest {
namespace {

using SetterTest = DeviceTest;
using W = std::vector<devsim::RegisterWrite>;

constexpr char kNoInputText[] =
    "No external SPDIF input detected, please check your Mirovan LE SPDIF In connections and "
    "cables before retrying.";
constexpr char kRateMismatchText[] =
    "Mirovan LE could not sync to external SPDIF device sample rate, please check Mirovan LE "
    "control panel and external device settings for correct sample rate.";

TEST_F(SetterTest, SampleRateChangeSwitchesLayoutAndRefusedRateCloses) {
    OpenAndForget();
    Hal()->StepAVC();
    TakeWrites();

    ASSERT_TRUE(Hal()->SetSampleRate(96000));
    Bus().Settle();
    EXPECT_EQ(Model().NominalRate(), 96000u);
    EXPECT_EQ(Hal()->GetSampleRate(), 96000);
    Hal()->StepAVC();
    EXPECT_EQ(TakeWrites(), DefaultFirstStep96K());

    EXPECT_FALSE(Hal()->SetSampleRate(22050));
    EXPECT_FALSE(Hal()->IsOpen());
    EXPECT_EQ(Model().NominalRate(), 96000u);
    EXPECT_FALSE(Hal()->SetSampleRate(48000));  // closed
}

TEST_F(SetterTest, RateChangedByAnotherProgramFlushesTheMatrix) {
    OpenAndForget();
    Hal()->StepAVC();
    TakeWrites();
    ASSERT_TRUE(Model().SetRateFromOutside(88200));
    Bus().Settle();
    EXPECT_EQ(Hal()->GetSampleRate(), 88200);
    Hal()->StepAVC();
    EXPECT_EQ(TakeWrites(), DefaultFirstStep96K());
}

TEST_F(SetterTest, ExternalSyncNeedsAnInputAtTheDeviceRate) {
    OpenAndForget();
    EXPECT_FALSE(Hal()->SetExternalClock(true));
    EXPECT_EQ(Messages(), (std::vector<std::string>{kNoInputText}));

    Model().SetExternalInput(48000);  // the device runs at 44100
    Hal()->StepAVC();
    TakeWrites();
    Messages().clear();
    EXPECT_FALSE(Hal()->SetExternalClock(true));
    EXPECT_EQ(Messages(), (std::vector<std::string>{kRateMismatchText}));
    EXPECT_TRUE(TakeWrites().empty());

    Model().SetExternalInput(44100);
    Hal()->StepAVC();
    Hal()->StepAVC();
    TakeWrites();
    Messages().clear();
    ASSERT_TRUE(Hal()->SetExternalClock(true));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(TakeWrites(), (W{{114, 1}}));
    EXPECT_TRUE(Hal()->GetExternalClock());
    // While synced to the input the rate cannot change.
    EXPECT_FALSE(Hal()->SetSampleRate(48000));
    EXPECT_TRUE(Hal()->IsOpen());
    EXPECT_EQ(Model().NominalRate(), 44100u);

    Model().SetExternalInput(0);
    EXPECT_TRUE(Hal()->SetExternalClock(false));
    EXPECT_EQ(TakeWrites(), (W{{114, 0}}));
    EXPECT_FALSE(Hal()->GetExternalClock());

    // A failed read of the sync register closes the device and reads as syncing.
    Bus().readFailure[114] = kFWABadArgument;
    EXPECT_TRUE(Hal()->GetExternalClock());
    EXPECT_FALSE(Hal()->IsOpen());
}

TEST_F(SetterTest, AC3SettingWritesItsRegisterAndResendsTheMix) {
    // While closed only the flag changes.
    Hal()->SetAC3(false);
    EXPECT_TRUE(Hal()->GetAC3());
    Hal()->SetAC3(true);
    EXPECT_FALSE(Hal()->GetAC3());
    EXPECT_TRUE(Bus().log.empty());

    OpenAndForget();
    Hal()->StepAVC();
    TakeWrites();
    Hal()->SetAC3(false);
    EXPECT_TRUE(Hal()->GetAC3());
    EXPECT_EQ(TakeWrites(), (W{{112, 1}}));
    Hal()->StepAVC();
    EXPECT_EQ(TakeWrites(), DefaultFirstStep48K());

    Hal()->SaveToCnE();
    EXPECT_EQ(TakeWrites(), (W{{110, 0}}));
}

TEST_F(SetterTest, AudioDeviceStateFollowsListenersThatGoWithTheDevice) {
    Model().SetInUse(true);
    Bus().Settle();
    EXPECT_FALSE(Hal()->IsInUse());  // closed
    EXPECT_FALSE(Hal()->IsExternalClockAvailable());
    OpenAndForget();
    EXPECT_TRUE(Hal()->IsInUse());
    EXPECT_TRUE(Hal()->IsExternalClockAvailable());
    Model().SetInUse(false);
    Bus().Settle();
    EXPECT_FALSE(Hal()->IsInUse());

    // Syncing to the input switches the audio device's clock source to "... Ext Plug 3".
    EXPECT_FALSE(Hal()->driver->record->externalClock.load());
    Model().SetExternalInput(44100);
    Hal()->StepAVC();
    ASSERT_TRUE(Hal()->SetExternalClock(true));
    Bus().Settle();
    EXPECT_TRUE(Hal()->driver->record->externalClock.load());

    // Once the device object is gone no listener may reach its freed record (a sanitizer
    // build sees it).
    MirovanHAL::Destroy();
    Model().SetRateFromOutside(48000);
    Model().SetInUse(true);
    Model().SetExternalInput(0);
    Bus().Settle();
}

}  // namespace
}  // namespace devicetest
