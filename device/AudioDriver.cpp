#include "device/AudioDriver.h"

#include <cstring>

namespace {

constexpr size_t kNameBufferSize = 256;
constexpr size_t kSearchLength = sizeof(AudioDriver::searchname) - 1;
constexpr char kExternalClockSuffix[] = "Ext Plug 3";
constexpr size_t kExternalClockSuffixLength = sizeof(kExternalClockSuffix) - 1;
constexpr int kHighestExternalClockRate = 96000;

// The device properties followed on every taken device, in the order they are added.
constexpr AudioPropertyID kFollowedProperties[] = {
    kAudioDevicePropertyNominalSampleRate,
    kAudioDevicePropertyClockSource,
    kAudioDevicePropertyDeviceIsRunningSomewhere,
};

// Reads a device's name into a zeroed 256-byte buffer; false when either call fails.
bool ReadDeviceName(AudioDeviceID device, char (&name)[kNameBufferSize]) {
    std::memset(name, 0, sizeof(name));
    uint32_t size = 0;
    if (AudioDeviceGetPropertyInfo(device, 0, false, kAudioDevicePropertyDeviceName, &size,
                                   nullptr) != kAudioHardwareNoError)
        return false;
    // The whole buffer but its last byte, which stays a terminator: a name longer than the
    // buffer is cut, never written past it.
    size = uint32_t(kNameBufferSize - 1);
    return AudioDeviceGetProperty(device, 0, false, kAudioDevicePropertyDeviceName, &size, name) ==
           kAudioHardwareNoError;
}

bool NameEndsWithExternalClock(const char* name, size_t length) {
    return length >= kExternalClockSuffixLength &&
           std::memcmp(name + length - kExternalClockSuffixLength, kExternalClockSuffix,
                       kExternalClockSuffixLength) == 0;
}

}  // namespace

AudioDriver::AudioDriver() : record(new AudioDeviceRecord()) {
    AudioHardwareAddPropertyListener(kAudioHardwarePropertyDevices, &AudioDriver::deviceListener,
                                     record);
    deviceListener(kAudioHardwarePropertyDevices, record);
}

AudioDriver::~AudioDriver() {
    AudioHardwareRemovePropertyListener(kAudioHardwarePropertyDevices,
                                        &AudioDriver::deviceListener);
    std::vector<AudioDeviceID> listened;
    {
        std::lock_guard<std::mutex> hold(record->listenedLock);
        listened.swap(record->listened);
    }
    for (AudioDeviceID device : listened) {
        for (AudioPropertyID property : kFollowedProperties)
            AudioDeviceRemovePropertyListener(device, 0, false, property,
                                              &AudioDriver::propertyListener);
    }
    delete record;
}

bool AudioDriver::Open() {
    return record->deviceId.load() != 0;
}

void AudioDriver::Close() {}

int AudioDriver::GetSampleRate() const {
    if (record->deviceId.load() == 0) return 0;
    return record->nominalRate.load();
}

int AudioDriver::SetSampleRate(int rate) {
    const AudioDeviceID device = record->deviceId.load();
    if (device == 0) return 1;
    const double value = static_cast<double>(rate);
    const OSStatus r = AudioDeviceSetProperty(
        device, nullptr, 0, false, kAudioDevicePropertyNominalSampleRate, sizeof(value), &value);
    if (r == kAudioHardwareNoError) return 0;
    if (r == kAudioDeviceUnsupportedFormatError) return 3;
    return 1;
}

bool AudioDriver::IsInUse() const {
    return record->deviceId.load() != 0 && record->inUse.load() != 0;
}

bool AudioDriver::IsExternalClockAvailable() const {
    return GetSampleRate() <= kHighestExternalClockRate;
}

OSStatus AudioDriver::deviceListener(AudioPropertyID property, void* clientData) {
    if (property != kAudioHardwarePropertyDevices || clientData == nullptr) return 0;
    AudioDeviceRecord* rec = static_cast<AudioDeviceRecord*>(clientData);

    uint32_t size = 0;
    if (AudioHardwareGetPropertyInfo(kAudioHardwarePropertyDevices, &size, nullptr) !=
        kAudioHardwareNoError)
        return 0;
    std::vector<AudioDeviceID> devices(size / sizeof(AudioDeviceID));
    uint32_t got = static_cast<uint32_t>(devices.size() * sizeof(AudioDeviceID));
    if (got > 0 && AudioHardwareGetProperty(kAudioHardwarePropertyDevices, &got, devices.data()) !=
                       kAudioHardwareNoError)
        return 0;
    devices.resize(got / sizeof(AudioDeviceID));

    for (AudioDeviceID device : devices) {
        char name[kNameBufferSize];
        if (!ReadDeviceName(device, name)) continue;
        if (std::memcmp(name, searchname, kSearchLength) != 0) continue;
        if (device == rec->deviceId.load()) return 0;

        bool allAdded = true;
        for (AudioPropertyID followed : kFollowedProperties) {
            const OSStatus added = AudioDeviceAddPropertyListener(
                device, 0, false, followed, &AudioDriver::propertyListener, rec);
            if (added == kAudioHardwareNoError) {
                std::lock_guard<std::mutex> hold(rec->listenedLock);
                bool known = false;
                for (AudioDeviceID d : rec->listened) known = known || d == device;
                if (!known) rec->listened.push_back(device);
            }
            // Read the value even when the listener could not be added.
            propertyListener(device, 0, false, followed, rec);
            if (added != kAudioHardwareNoError) {
                allAdded = false;
                break;
            }
        }
        if (!allAdded) continue;
        rec->deviceId.store(device);
        return 0;
    }
    rec->deviceId.store(0);
    return 0;
}

OSStatus AudioDriver::propertyListener(AudioDeviceID device, uint32_t /*channel*/, bool /*isInput*/,
                                       AudioPropertyID property, void* clientData) {
    if (clientData == nullptr) return 0;
    AudioDeviceRecord* rec = static_cast<AudioDeviceRecord*>(clientData);
    // Every value is read on the output side, channel 0, whichever side changed.
    if (property == kAudioDevicePropertyNominalSampleRate) {
        double rate = 0;
        uint32_t size = sizeof(rate);
        if (AudioDeviceGetProperty(device, 0, false, property, &size, &rate) ==
                kAudioHardwareNoError &&
            size == sizeof(rate) && rate == rate) {
            // Truncated toward zero; values outside int32 (not a real rate) count as none.
            const bool representable = rate > -2147483648.0 && rate < 2147483648.0;
            rec->nominalRate.store(representable ? static_cast<int32_t>(rate) : 0);
        }
    } else if (property == kAudioDevicePropertyClockSource) {
        uint32_t source = 0;
        uint32_t size = sizeof(source);
        if (AudioDeviceGetProperty(device, 0, false, property, &size, &source) !=
                kAudioHardwareNoError ||
            size != sizeof(source))
            return 0;
        char name[kNameBufferSize] = {};
        AudioValueTranslation translation{&source, sizeof(source), name, sizeof(name)};
        uint32_t translationSize = sizeof(translation);
        if (AudioDeviceGetProperty(device, 0, false, kAudioDevicePropertyClockSourceNameForID,
                                   &translationSize, &translation) != kAudioHardwareNoError)
            return 0;
        name[kNameBufferSize - 1] = '\0';
        rec->externalClock.store(NameEndsWithExternalClock(name, std::strlen(name)));
    } else if (property == kAudioDevicePropertyDeviceIsRunningSomewhere) {
        uint32_t inUse = 0;
        uint32_t size = sizeof(inUse);
        if (AudioDeviceGetProperty(device, 0, false, property, &size, &inUse) ==
                kAudioHardwareNoError &&
            size == sizeof(inUse))
            rec->inUse.store(inUse);
    }
    return 0;
}
