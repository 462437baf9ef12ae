#include <gtest/gtest.h>

#include "app/ParameterActions.h"
#include "app/ParameterIndex.h"
#include "tests/app/DeviceFixture.h"

namespace {

class RecordingDialogs : public ParameterActions::Dialogs {
  public:
    void LoadMixWithDialog() override { calls.push_back("load"); }
    void SaveMixWithDialog() override { calls.push_back("save"); }
    std::vector<std::string> calls;
};

class ParameterActionsTest : public DeviceFixture {
  protected:
    void SetUp() override {
        DeviceFixture::SetUp();
        OpenDevice();
        actions = std::make_unique<ParameterActions>(wrapper.get(), &dialogs);
        wrapper->SetPluginInterface(&host);
    }

    // A control change: the value is stored and the host told, as a panel does.
    void Control(int index, float normalised) {
        plugin.params[index]->value = normalised;
        actions->ParameterHasChanged(index);
    }

    struct NoHost : PPluginInterface {
        float GetSampleRate() override { return 0; }
        void ParameterHasChanged(int) override {}
    } host;
    RecordingDialogs dialogs;
    std::unique_ptr<ParameterActions> actions;
};

using Writes = std::vector<std::pair<uint32_t, uint32_t>>;

}  // namespace

TEST_F(ParameterActionsTest, SwitchesWriteTheirRegistersAtOnce) {
    Control(param::kMidiThrough, 1.0f);
    Control(param::kHighGainInput3, 1.0f);
    Control(param::kHighGainInput4, 0.0f);
    EXPECT_EQ(TakeWrites(), (Writes{{111, 1}, {85, 1}, {86, 0}}));

    // The S/PDIF routing always writes its first register before its second.
    Control(param::kOutputsToSpdif, 1.0f);
    Control(param::kOutputsToSpdif, 0.0f);
    EXPECT_EQ(TakeWrites(), (Writes{{64, 1}, {84, 1}, {64, 0}, {84, 0}}));

    // Any non-zero value counts as on.
    Control(param::kMidiThrough, 0.01f);
    EXPECT_EQ(TakeWrites(), (Writes{{111, 1}}));
}

TEST_F(ParameterActionsTest, AC3PassthroughFollowsTheSwitch) {
    Control(param::kAllowAC3, 1.0f);
    EXPECT_EQ(LastWrite(TakeWrites(), 112), 1);
    EXPECT_TRUE(hal()->GetAC3());
    Control(param::kAllowAC3, 0.0f);
    EXPECT_EQ(LastWrite(TakeWrites(), 112), 0);
    EXPECT_FALSE(hal()->GetAC3());
}

TEST_F(ParameterActionsTest, SampleRateSelectionOnlyForTheFourRates) {
    ASSERT_EQ(model.NominalRate(), 44100u);
    plugin.params[param::kSampleRate]->SetUnNormalisedValue(4.0f);
    actions->ParameterHasChanged(param::kSampleRate);
    bus->Settle();
    EXPECT_EQ(model.NominalRate(), 96000u);
    EXPECT_EQ(hal()->GetSampleRate(), 96000);

    plugin.params[param::kSampleRate]->SetUnNormalisedValue(2.0f);
    actions->ParameterHasChanged(param::kSampleRate);
    bus->Settle();
    EXPECT_EQ(model.NominalRate(), 48000u);

    // A stored 1.0 reads back as position 5, which has no rate; nothing is read past the
    // table and the device keeps its rate. So does anything stored above 1.
    for (float stored : {1.0f, 1.5f}) {
        plugin.params[param::kSampleRate]->value = stored;
        actions->ParameterHasChanged(param::kSampleRate);
        bus->Settle();
        EXPECT_EQ(model.NominalRate(), 48000u) << stored;
        EXPECT_TRUE(hal()->IsOpen());
    }
}

TEST_F(ParameterActionsTest, ExternalSyncOnlyWhenItWouldChangeSomething) {
    model.SetExternalInput(44100);
    for (int i = 0; i < 2; ++i) hal()->StepAVC();  // reads the status with the external input
    TakeWrites();

    Control(param::kExternalSync, 1.0f);
    ASSERT_TRUE(hal()->IsExternalClockAvailable());
    EXPECT_EQ(LastWrite(TakeWrites(), 114), 1);
    Control(param::kExternalSync, 1.0f);  // already on
    EXPECT_EQ(LastWrite(TakeWrites(), 114), -1);
    Control(param::kExternalSync, 0.0f);
    EXPECT_EQ(LastWrite(TakeWrites(), 114), 0);
    EXPECT_TRUE(deviceMessages().empty());
}

TEST_F(ParameterActionsTest, DialogsAndPresetsAreReachedByIndexAlone) {
    Control(param::kLoadSettings, 0.0f);
    Control(param::kSaveSettings, 1.0f);
    Control(param::kLoadSettings, 1.0f);
    EXPECT_EQ(dialogs.calls, (std::vector<std::string>{"load", "save", "load"}));

    // Indices without an action touch neither the device nor other parameters.
    const std::vector<float> before = [&] {
        std::vector<float> v;
        for (int i = 0; i < kMirovanParameterCount; ++i) v.push_back(Value(i));
        return v;
    }();
    for (int index : {param::kFloatWindowMode, param::kShrinkMode, param::kExpandMode, 63,
                      param::kUseMetering, -1, 73})
        actions->ParameterHasChanged(index);
    EXPECT_TRUE(TakeWrites().empty());
    for (int i = 0; i < kMirovanParameterCount; ++i) EXPECT_EQ(Value(i), before[i]) << i;
}

namespace {

// Records, for every pan change, whether any stereo link was still on at that moment.
class LinkWatcher : public Plugin::ParameterObserver {
  public:
    explicit LinkWatcher(PPlugIn* wrapper) : wrapper(wrapper) {}
    void NotifyParameterChanged(int index) override {
        const bool pan =
            (index >= param::kInputMonitorPan && index < param::kInputMonitorPan + 6) ||
            (index >= param::kInputHeadphonePan && index < param::kInputHeadphonePan + 6);
        if (!pan) return;
        for (int k = 0; k < param::kInputs; ++k)
            if (wrapper->HostWantsParameterValue(param::kStereoLink + k) != 0.0f) linkedPans++;
    }
    PPlugIn* wrapper;
    int linkedPans = 0;
};

}  // namespace

TEST_F(ParameterActionsTest, TrackModeClearsTheLinksBeforeItCentresThePans) {
    for (int k = 0; k < param::kInputs; ++k) {
        wrapper->HostHasChangedParameter(param::kStereoLink + k, 1.0f);
        wrapper->HostHasChangedParameter(param::kInputMonitorPan + k, 0.1f);
        wrapper->HostHasChangedParameter(param::kInputHeadphonePan + k, 0.9f);
        wrapper->HostHasChangedParameter(param::kInputMonitorLevel + k, 0.2f);
    }
    LinkWatcher watcher(wrapper.get());
    plugin.observers.push_back(&watcher);

    Control(param::kTrackMode, 1.0f);
    plugin.RemoveParameterObserver(&watcher);

    EXPECT_EQ(watcher.linkedPans, 0);
    for (int k = 0; k < param::kInputs; ++k) {
        EXPECT_EQ(Value(param::kStereoLink + k), 0.0f);
        EXPECT_EQ(Value(param::kInputMonitorPan + k), 0.5f);
        EXPECT_EQ(Value(param::kInputHeadphonePan + k), 0.5f);
        EXPECT_EQ(Value(param::kInputMonitorLevel + k), 0.5f);
        EXPECT_EQ(Value(param::kInputHeadphoneLevel + k), 0.5f);
    }
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(Value(param::kPlaybackToMonitor + j), 1.0f);
        EXPECT_EQ(Value(param::kPlaybackToHeadphone + j), 1.0f);
    }
    EXPECT_EQ(Value(param::kBalanceMonitors), 0.5f);
    EXPECT_EQ(Value(param::kTrackMode), 1.0f);  // the preset keeps the control's value
}

TEST_F(ParameterActionsTest, PresetsAtHighRatesLeaveTheNormalRateMixAlone) {
    plugin.params[param::kSampleRate]->SetUnNormalisedValue(3.0f);
    for (int i = 0; i < kMirovanParameterCount; ++i)
        if (i != param::kSampleRate) wrapper->HostHasChangedParameter(i, 0.25f);

    Control(param::kTrackMode, 1.0f);
    for (int k = 0; k < param::kInputs; ++k) {
        EXPECT_EQ(Value(param::kInputMix + k), 0.5f);
        EXPECT_EQ(Value(param::kStereoLink + k), 0.25f);
        EXPECT_EQ(Value(param::kInputMonitorPan + k), 0.25f);
    }
    EXPECT_EQ(Value(param::kPlaybackToMonitor + 1), 1.0f);
    EXPECT_EQ(Value(param::kPlaybackToMonitor + 2), 0.25f);
    EXPECT_EQ(Value(param::kPlaybackToHeadphone + 3), 0.25f);

    Control(param::kSoundCardMode, 1.0f);
    EXPECT_EQ(Value(param::kBalanceMonitors), 1.0f);
    EXPECT_EQ(Value(param::kPlaybackToMonitor + 0), 1.0f);
    EXPECT_EQ(Value(param::kPlaybackToMonitor + 1), 0.0f);
    EXPECT_EQ(Value(param::kPlaybackToHeadphone + 0), 0.0f);
    EXPECT_EQ(Value(param::kPlaybackToHeadphone + 1), 1.0f);
    for (int j : {2, 3}) {
        EXPECT_EQ(Value(param::kPlaybackToMonitor + j), 0.25f);
        EXPECT_EQ(Value(param::kPlaybackToHeadphone + j), 0.25f);
    }

    plugin.params[param::kSampleRate]->SetUnNormalisedValue(2.0f);
    Control(param::kSoundCardMode, 1.0f);
    for (int j : {2, 3}) EXPECT_EQ(Value(param::kPlaybackToMonitor + j), 0.0f);
}

TEST_F(ParameterActionsTest, ResendSendsTheSettingsTheMatrixDoesNotCarry) {
    wrapper->HostHasChangedParameter(param::kHighGainInput3, 1.0f);
    wrapper->HostHasChangedParameter(param::kOutputsToSpdif, 1.0f);
    actions->ResendDeviceSettings();
    EXPECT_EQ(TakeWrites(), (Writes{{85, 1}, {86, 0}, {112, 0}, {111, 0}, {64, 1}, {84, 1}}));

    // A closed device takes nothing and the call does not fail.
    hal()->Close();
    actions->ResendDeviceSettings();
    EXPECT_TRUE(TakeWrites().empty());
}
