#include "app/ParameterActions.h"

#include "app/ParameterIndex.h"
#include "device/MirovanHAL.h"
#include "views/PPlugIn.h"

ParameterActions::ParameterActions(PPlugIn* wrapper, Dialogs* dialogs)
    : wrapper(wrapper), dialogs(dialogs) {}

bool ParameterActions::IsOn(int index) const {
    return wrapper->HostWantsParameterValue(index) != 0.0f;
}

void ParameterActions::WriteSwitchRegister(unsigned reg, int index) {
    AVCMsg msg;
    msg.id = reg;
    msg.value = IsOn(index) ? 1 : 0;
    MirovanHAL::Get()->SetValueDirect(msg);
}

void ParameterActions::Set(int index, float value) {
    wrapper->HostHasChangedParameter(index, value);
}

void ParameterActions::ParameterHasChanged(int index) {
    switch (index) {
        case param::kAllowAC3: MirovanHAL::Get()->SetAC3(!IsOn(param::kAllowAC3)); break;
        case param::kMidiThrough:
            WriteSwitchRegister(reg::kMidiThrough, param::kMidiThrough);
            break;
        case param::kLoadSettings:
            if (dialogs) dialogs->LoadMixWithDialog();
            break;
        case param::kSaveSettings:
            if (dialogs) dialogs->SaveMixWithDialog();
            break;
        case param::kSoundCardMode: SoundCardPreset(); break;
        case param::kTrackMode: TrackPreset(); break;
        case param::kSampleRate: SelectSampleRate(); break;
        case param::kExternalSync: SelectExternalSync(); break;
        case param::kHighGainInput3:
            WriteSwitchRegister(reg::kHighGain3, param::kHighGainInput3);
            break;
        case param::kHighGainInput4:
            WriteSwitchRegister(reg::kHighGain4, param::kHighGainInput4);
            break;
        case param::kOutputsToSpdif:
            // Both routing registers follow the one switch; the first is always written first.
            WriteSwitchRegister(reg::kSpdifOutA, param::kOutputsToSpdif);
            WriteSwitchRegister(reg::kSpdifOutB, param::kOutputsToSpdif);
            break;
        default: break;
    }
}

void ParameterActions::ResendDeviceSettings() {
    for (int index : {param::kHighGainInput3, param::kHighGainInput4, param::kAllowAC3,
                      param::kMidiThrough, param::kOutputsToSpdif})
        ParameterHasChanged(index);
}

void ParameterActions::SelectSampleRate() {
    // The rate LEDs set 1..4 in user units. Anything else (a stored 1.0 reads back as 5)
    // has no rate, and the table must not be read past its ends.
    const float position = wrapper->HostWantsParameterValueUnnormalised(param::kSampleRate);
    const float offset = position - 1.0f;
    if (!(offset >= 0.0f && offset < 4.0f)) return;
    const int rate = kSampleRates[int(offset)];
    MirovanHAL* hal = MirovanHAL::Get();
    if (rate != hal->GetSampleRate()) hal->SetSampleRate(rate);
}

void ParameterActions::SelectExternalSync() {
    MirovanHAL* hal = MirovanHAL::Get();
    if (!hal->IsExternalClockAvailable()) return;
    Parameter* sync = wrapper->GetParameter(param::kExternalSync);
    if (!sync) return;
    const bool want = sync->GetUnNormalisedValue() > 0.0f;
    if (want != hal->GetExternalClock()) hal->SetExternalClock(want);
}

void ParameterActions::SoundCardPreset() {
    // Both mixes hear playback only.
    Set(param::kBalanceMonitors, 1.0f);
    Set(param::kBalanceHeadphones, 1.0f);
    Set(param::kPlaybackToMonitor + 0, 1.0f);
    Set(param::kPlaybackToMonitor + 1, 0.0f);
    Set(param::kPlaybackToHeadphone + 0, 0.0f);
    Set(param::kPlaybackToHeadphone + 1, 1.0f);
    // Playback 5&6 and 7&8 exist only at the normal rates.
    if (wrapper->HostWantsParameterValueUnnormalised(param::kSampleRate) <= 2.0f) {
        Set(param::kPlaybackToMonitor + 2, 0.0f);
        Set(param::kPlaybackToMonitor + 3, 0.0f);
        Set(param::kPlaybackToHeadphone + 2, 0.0f);
        Set(param::kPlaybackToHeadphone + 3, 0.0f);
    }
}

void ParameterActions::TrackPreset() {
    const int rateIndex = int(wrapper->HostWantsParameterValueUnnormalised(param::kSampleRate));
    const bool normalRate = rateIndex <= 2;

    if (normalRate) {
        // Links go off first: a linked pair would otherwise move its partner's pan as the
        // levels and pans are set, and the pans would not end centred.
        for (int k = 0; k < param::kStereoLinks; ++k) Set(param::kStereoLink + k, 0.0f);
        for (int k = 0; k < param::kInputs; ++k) {
            Set(param::kInputMonitorLevel + k, 0.5f);
            Set(param::kInputHeadphoneLevel + k, 0.5f);
            Set(param::kInputMonitorPan + k, 0.5f);
            Set(param::kInputHeadphonePan + k, 0.5f);
        }
    } else {
        for (int k = 0; k < param::kInputs; ++k) Set(param::kInputMix + k, 0.5f);
    }

    const int pairs = normalRate ? 4 : 2;
    for (int j = 0; j < pairs; ++j) {
        Set(param::kPlaybackToMonitor + j, 1.0f);
        Set(param::kPlaybackToHeadphone + j, 1.0f);
    }
    Set(param::kBalanceMonitors, 0.5f);
    Set(param::kBalanceHeadphones, 0.5f);
}
