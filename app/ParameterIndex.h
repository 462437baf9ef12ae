#pragma once
// The device parameters that the application itself acts on, by their row index.

namespace param {

constexpr int kBalanceMonitors = 0;
constexpr int kBalanceHeadphones = 1;
constexpr int kPlaybackToMonitor = 9;     // 9..12: playback pairs 1&2 .. 7&8
constexpr int kPlaybackToHeadphone = 13;  // 13..16
constexpr int kInputMonitorLevel = 17;    // 17..22: inputs 1..6
constexpr int kInputMonitorPan = 23;      // 23..28
constexpr int kInputHeadphoneLevel = 29;  // 29..34
constexpr int kInputHeadphonePan = 35;    // 35..40
constexpr int kStereoLink = 41;           // 41..46: see kStereoLinks
constexpr int kAllowAC3 = 47;
constexpr int kMidiThrough = 48;
constexpr int kLevelControlLink = 49;
constexpr int kLoadSettings = 50;
constexpr int kSaveSettings = 51;
constexpr int kSoundCardMode = 52;
constexpr int kTrackMode = 53;
constexpr int kFloatWindowMode = 54;
constexpr int kShrinkMode = 55;
constexpr int kExpandMode = 56;
constexpr int kSampleRate = 57;  // 1..4 in user units
constexpr int kExternalSync = 58;
constexpr int kInUse = 59;
constexpr int kSyncLocked = 60;
constexpr int kHighGainInput3 = 61;
constexpr int kHighGainInput4 = 62;
constexpr int kInputMix = 65;  // 65..70: "Ip Mix 1" .. "Ip Mix 6" at high rates
constexpr int kOutputsToSpdif = 71;
constexpr int kUseMetering = 72;

constexpr int kInputs = 6;
// Inputs 1&2, 3&4 and 5&6 are linked in the monitor mix, then in the headphone mix.
constexpr int kStereoLinks = 6;

}  // namespace param

// Device registers written directly by the parameter actions.
namespace reg {

constexpr unsigned kSpdifOutA = 64;
constexpr unsigned kSpdifOutB = 84;
constexpr unsigned kHighGain3 = 85;
constexpr unsigned kHighGain4 = 86;
constexpr unsigned kMidiThrough = 111;

}  // namespace reg

// The four sample rates the device runs at, by rate index 0..3 (parameter 57 minus 1).
constexpr int kSampleRates[4] = {44100, 48000, 88200, 96000};
