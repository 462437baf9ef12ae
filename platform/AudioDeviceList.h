#pragma once
// The bus-facing side of the audio layer: the installed device bus's presence handling sets the
// list of audio devices and reports property changes of the present one.

#include <vector>

#include "platform/AudioHardware.h"

namespace platform {

// Replaces the device list. When it changed, the 'dev#' listeners are called on this thread;
// the listeners of devices that left the list are dropped.
void AudioHardwareSetDevices(const std::vector<AudioDeviceID>& devices);

// Calls, on this thread, every listener of `property` on `device`, when the device is listed.
void AudioHardwareDevicePropertyChanged(AudioDeviceID device, AudioPropertyID property);

}  // namespace platform
