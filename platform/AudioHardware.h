#pragma once
// The platform's audio layer as far as the control panel uses it: the list of audio devices,
// a device's name, nominal sample rate (read and set), clock source and its name, and whether
// any client runs it. Served by the installed device bus. Listeners are called on a thread of
// the audio layer's own, never on the caller's, except where the caller calls them itself.

#include <cstdint>

using OSStatus = int32_t;
using AudioObjectID = uint32_t;
using AudioDeviceID = uint32_t;
using AudioPropertyID = uint32_t;

constexpr AudioDeviceID kAudioDeviceUnknown = 0;

constexpr uint32_t FourCharCode(const char (&c)[5]) {
    return (uint32_t(uint8_t(c[0])) << 24) | (uint32_t(uint8_t(c[1])) << 16) |
           (uint32_t(uint8_t(c[2])) << 8) | uint32_t(uint8_t(c[3]));
}

// Hardware property: the ids of the audio devices present (an array of AudioDeviceID).
constexpr AudioPropertyID kAudioHardwarePropertyDevices = FourCharCode("dev#");
// Device properties, all read on the output side, channel 0.
constexpr AudioPropertyID kAudioDevicePropertyDeviceName = FourCharCode("name");         // C string
constexpr AudioPropertyID kAudioDevicePropertyNominalSampleRate = FourCharCode("nsrt");  // double
constexpr AudioPropertyID kAudioDevicePropertyClockSource = FourCharCode("csrc");  // uint32 id
constexpr AudioPropertyID kAudioDevicePropertyClockSourceNameForID = FourCharCode("cscn");
constexpr AudioPropertyID kAudioDevicePropertyDeviceIsRunningSomewhere = FourCharCode("gone");

constexpr OSStatus kAudioHardwareNoError = 0;
constexpr OSStatus kAudioHardwareUnspecifiedError = static_cast<OSStatus>(FourCharCode("what"));
constexpr OSStatus kAudioHardwareUnknownPropertyError = static_cast<OSStatus>(FourCharCode("who?"));
constexpr OSStatus kAudioHardwareBadDeviceError = static_cast<OSStatus>(FourCharCode("!dev"));
constexpr OSStatus kAudioHardwareBadPropertySizeError = static_cast<OSStatus>(FourCharCode("!siz"));
constexpr OSStatus kAudioDeviceUnsupportedFormatError = static_cast<OSStatus>(FourCharCode("!dat"));

// The in/out record of a translation property ('cscn': the clock source id in, its name out).
struct AudioValueTranslation {
    void* inputData;
    uint32_t inputDataSize;
    void* outputData;
    uint32_t outputDataSize;
};

using AudioHardwarePropertyListenerProc = OSStatus (*)(AudioPropertyID property, void* clientData);
using AudioDevicePropertyListenerProc = OSStatus (*)(AudioDeviceID device, uint32_t channel,
                                                     bool isInput, AudioPropertyID property,
                                                     void* clientData);

OSStatus AudioHardwareAddPropertyListener(AudioPropertyID property,
                                          AudioHardwarePropertyListenerProc listener,
                                          void* clientData);
OSStatus AudioHardwareRemovePropertyListener(AudioPropertyID property,
                                             AudioHardwarePropertyListenerProc listener);
// The size in bytes of a hardware property's value.
OSStatus AudioHardwareGetPropertyInfo(AudioPropertyID property, uint32_t* outSize,
                                      bool* outWritable);
// Reads a hardware property into data; *ioSize holds the buffer's size on entry and the
// bytes written on return. Nothing is written beyond *ioSize bytes.
OSStatus AudioHardwareGetProperty(AudioPropertyID property, uint32_t* ioSize, void* outData);

OSStatus AudioDeviceGetPropertyInfo(AudioDeviceID device, uint32_t channel, bool isInput,
                                    AudioPropertyID property, uint32_t* outSize, bool* outWritable);
// Reads a device property; the same size rule as AudioHardwareGetProperty. For 'cscn' the
// data is an AudioValueTranslation and *ioSize its size; the name written into its output
// buffer is NUL-terminated and never longer than outputDataSize bytes with the NUL.
OSStatus AudioDeviceGetProperty(AudioDeviceID device, uint32_t channel, bool isInput,
                                AudioPropertyID property, uint32_t* ioSize, void* outData);
// Sets a device property; the time stamp is not used and may be null.
OSStatus AudioDeviceSetProperty(AudioDeviceID device, const void* when, uint32_t channel,
                                bool isInput, AudioPropertyID property, uint32_t size,
                                const void* data);
OSStatus AudioDeviceAddPropertyListener(AudioDeviceID device, uint32_t channel, bool isInput,
                                        AudioPropertyID property,
                                        AudioDevicePropertyListenerProc listener, void* clientData);
OSStatus AudioDeviceRemovePropertyListener(AudioDeviceID device, uint32_t channel, bool isInput,
                                           AudioPropertyID property,
                                           AudioDevicePropertyListenerProc listener);
