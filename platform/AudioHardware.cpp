#include "platform/AudioHardware.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/AudioDeviceList.h"
#include "platform/BusHold.h"

namespace {

using namespace platform;

struct HardwareListener {
    uint64_t id;
    AudioPropertyID property;
    AudioHardwarePropertyListenerProc proc;
    void* clientData;
};

struct DeviceListener {
    uint64_t id;
    AudioDeviceID device;
    uint32_t channel;
    bool isInput;
    AudioPropertyID property;
    AudioDevicePropertyListenerProc proc;
    void* clientData;
};

struct AudioLayer {
    std::mutex mutex;  // the lists below
    // Held while any listener runs; removing a listener takes it too, so once a removal
    // returns, that listener is not running on another thread and will not be called again.
    std::recursive_mutex dispatch;
    uint64_t nextID = 1;
    std::vector<AudioDeviceID> devices;
    std::vector<HardwareListener> hardwareListeners;
    std::vector<DeviceListener> deviceListeners;
};

AudioLayer& Layer() {
    static AudioLayer layer;
    return layer;
}

bool Listed(AudioLayer& a, AudioDeviceID device) {
    return device != kAudioDeviceUnknown &&
           std::find(a.devices.begin(), a.devices.end(), device) != a.devices.end();
}

template <class List>
bool StillRegistered(AudioLayer& a, const List& list, uint64_t id) {
    std::lock_guard<std::mutex> lock(a.mutex);
    return std::any_of(list.begin(), list.end(), [id](const auto& l) { return l.id == id; });
}

void CallHardwareListeners(AudioPropertyID property) {
    AudioLayer& a = Layer();
    std::lock_guard<std::recursive_mutex> dispatch(a.dispatch);
    std::vector<HardwareListener> listeners;
    {
        std::lock_guard<std::mutex> lock(a.mutex);
        for (const auto& l : a.hardwareListeners)
            if (l.property == property) listeners.push_back(l);
    }
    for (const auto& l : listeners)
        if (StillRegistered(a, a.hardwareListeners, l.id)) l.proc(property, l.clientData);
}

// Copies a string property into the caller's buffer, NUL-terminated within it.
OSStatus CopyString(const std::string& value, uint32_t* ioSize, void* outData) {
    if (!ioSize || !outData || *ioSize == 0) return kAudioHardwareBadPropertySizeError;
    uint32_t n = std::min<uint32_t>(*ioSize - 1, static_cast<uint32_t>(value.size()));
    std::memcpy(outData, value.data(), n);
    static_cast<char*>(outData)[n] = '\0';
    *ioSize = n + 1;
    return kAudioHardwareNoError;
}

template <class T>
OSStatus CopyValue(const T& value, uint32_t* ioSize, void* outData) {
    if (!ioSize || !outData || *ioSize < sizeof(T)) return kAudioHardwareBadPropertySizeError;
    std::memcpy(outData, &value, sizeof(T));
    *ioSize = sizeof(T);
    return kAudioHardwareNoError;
}

OSStatus ReadDeviceProperty(DeviceBus* bus, AudioDeviceID device, AudioPropertyID property,
                            uint32_t* ioSize, void* outData) {
    switch (property) {
        case kAudioDevicePropertyDeviceName: {
            std::string name;
            OSStatus s = bus->GetDeviceName(device, &name);
            return s ? s : CopyString(name, ioSize, outData);
        }
        case kAudioDevicePropertyNominalSampleRate: {
            double rate = 0;
            OSStatus s = bus->GetNominalSampleRate(device, &rate);
            return s ? s : CopyValue(rate, ioSize, outData);
        }
        case kAudioDevicePropertyClockSource: {
            uint32_t source = 0;
            OSStatus s = bus->GetClockSource(device, &source);
            return s ? s : CopyValue(source, ioSize, outData);
        }
        case kAudioDevicePropertyDeviceIsRunningSomewhere: {
            uint32_t running = 0;
            OSStatus s = bus->GetIsRunningSomewhere(device, &running);
            return s ? s : CopyValue(running, ioSize, outData);
        }
        case kAudioDevicePropertyClockSourceNameForID: {
            if (!ioSize || !outData || *ioSize < sizeof(AudioValueTranslation))
                return kAudioHardwareBadPropertySizeError;
            auto* translation = static_cast<AudioValueTranslation*>(outData);
            if (!translation->inputData || translation->inputDataSize < sizeof(uint32_t) ||
                !translation->outputData || translation->outputDataSize == 0)
                return kAudioHardwareBadPropertySizeError;
            uint32_t source;
            std::memcpy(&source, translation->inputData, sizeof source);
            std::string name;
            OSStatus s = bus->GetClockSourceName(device, source, &name);
            if (s) return s;
            uint32_t size = translation->outputDataSize;
            CopyString(name, &size, translation->outputData);
            translation->outputDataSize = size;
            *ioSize = sizeof(AudioValueTranslation);
            return kAudioHardwareNoError;
        }
        default: return kAudioHardwareUnknownPropertyError;
    }
}

}  // namespace

OSStatus AudioHardwareAddPropertyListener(AudioPropertyID property,
                                          AudioHardwarePropertyListenerProc listener,
                                          void* clientData) {
    if (!listener) return kAudioHardwareUnspecifiedError;
    AudioLayer& a = Layer();
    std::lock_guard<std::mutex> lock(a.mutex);
    a.hardwareListeners.push_back({a.nextID++, property, listener, clientData});
    return kAudioHardwareNoError;
}

OSStatus AudioHardwareRemovePropertyListener(AudioPropertyID property,
                                             AudioHardwarePropertyListenerProc listener) {
    AudioLayer& a = Layer();
    {
        std::lock_guard<std::mutex> lock(a.mutex);
        std::erase_if(a.hardwareListeners, [&](const HardwareListener& l) {
            return l.property == property && l.proc == listener;
        });
    }
    // Wait out a call of it that runs on another thread right now.
    std::lock_guard<std::recursive_mutex> dispatch(a.dispatch);
    return kAudioHardwareNoError;
}

OSStatus AudioHardwareGetPropertyInfo(AudioPropertyID property, uint32_t* outSize,
                                      bool* outWritable) {
    if (property != kAudioHardwarePropertyDevices) return kAudioHardwareUnknownPropertyError;
    AudioLayer& a = Layer();
    std::lock_guard<std::mutex> lock(a.mutex);
    if (outSize) *outSize = static_cast<uint32_t>(a.devices.size() * sizeof(AudioDeviceID));
    if (outWritable) *outWritable = false;
    return kAudioHardwareNoError;
}

OSStatus AudioHardwareGetProperty(AudioPropertyID property, uint32_t* ioSize, void* outData) {
    if (property != kAudioHardwarePropertyDevices) return kAudioHardwareUnknownPropertyError;
    if (!ioSize || (*ioSize && !outData)) return kAudioHardwareBadPropertySizeError;
    AudioLayer& a = Layer();
    std::lock_guard<std::mutex> lock(a.mutex);
    size_t fit = std::min<size_t>(*ioSize / sizeof(AudioDeviceID), a.devices.size());
    if (fit) std::memcpy(outData, a.devices.data(), fit * sizeof(AudioDeviceID));
    *ioSize = static_cast<uint32_t>(fit * sizeof(AudioDeviceID));
    return kAudioHardwareNoError;
}

OSStatus AudioDeviceGetPropertyInfo(AudioDeviceID device, uint32_t, bool, AudioPropertyID property,
                                    uint32_t* outSize, bool* outWritable) {
    AudioLayer& a = Layer();
    {
        std::lock_guard<std::mutex> lock(a.mutex);
        if (!Listed(a, device)) return kAudioHardwareBadDeviceError;
    }
    uint32_t size = 0;
    bool writable = false;
    switch (property) {
        case kAudioDevicePropertyDeviceName: {
            BusHold hold;
            if (!hold.bus()) return kAudioHardwareBadDeviceError;
            std::string name;
            OSStatus s = hold.bus()->GetDeviceName(device, &name);
            if (s) return s;
            size = static_cast<uint32_t>(name.size() + 1);
            break;
        }
        case kAudioDevicePropertyNominalSampleRate:
            size = sizeof(double);
            writable = true;
            break;
        case kAudioDevicePropertyClockSource:
        case kAudioDevicePropertyDeviceIsRunningSomewhere: size = sizeof(uint32_t); break;
        case kAudioDevicePropertyClockSourceNameForID: size = sizeof(AudioValueTranslation); break;
        default: return kAudioHardwareUnknownPropertyError;
    }
    if (outSize) *outSize = size;
    if (outWritable) *outWritable = writable;
    return kAudioHardwareNoError;
}

OSStatus AudioDeviceGetProperty(AudioDeviceID device, uint32_t, bool, AudioPropertyID property,
                                uint32_t* ioSize, void* outData) {
    AudioLayer& a = Layer();
    {
        std::lock_guard<std::mutex> lock(a.mutex);
        if (!Listed(a, device)) return kAudioHardwareBadDeviceError;
    }
    BusHold hold;
    if (!hold.bus()) return kAudioHardwareBadDeviceError;
    return ReadDeviceProperty(hold.bus(), device, property, ioSize, outData);
}

OSStatus AudioDeviceSetProperty(AudioDeviceID device, const void*, uint32_t, bool,
                                AudioPropertyID property, uint32_t size, const void* data) {
    AudioLayer& a = Layer();
    {
        std::lock_guard<std::mutex> lock(a.mutex);
        if (!Listed(a, device)) return kAudioHardwareBadDeviceError;
    }
    if (property != kAudioDevicePropertyNominalSampleRate)
        return kAudioHardwareUnknownPropertyError;
    if (size != sizeof(double) || !data) return kAudioHardwareBadPropertySizeError;
    double rate;
    std::memcpy(&rate, data, sizeof rate);
    OSStatus status;
    {
        BusHold hold;
        if (!hold.bus()) return kAudioHardwareBadDeviceError;
        status = hold.bus()->SetNominalSampleRate(device, rate);
    }
    // The rate's listeners hear of a rate set here before the call returns: the bus reports
    // the change only at its next delivery, and a caller that reads its record meanwhile
    // would take the old rate for a change back. A second report from the bus is harmless.
    if (status == kAudioHardwareNoError)
        platform::AudioHardwareDevicePropertyChanged(device, kAudioDevicePropertyNominalSampleRate);
    return status;
}

OSStatus AudioDeviceAddPropertyListener(AudioDeviceID device, uint32_t channel, bool isInput,
                                        AudioPropertyID property,
                                        AudioDevicePropertyListenerProc listener,
                                        void* clientData) {
    if (!listener) return kAudioHardwareUnspecifiedError;
    AudioLayer& a = Layer();
    std::lock_guard<std::mutex> lock(a.mutex);
    if (!Listed(a, device)) return kAudioHardwareBadDeviceError;
    a.deviceListeners.push_back(
        {a.nextID++, device, channel, isInput, property, listener, clientData});
    return kAudioHardwareNoError;
}

OSStatus AudioDeviceRemovePropertyListener(AudioDeviceID device, uint32_t channel, bool isInput,
                                           AudioPropertyID property,
                                           AudioDevicePropertyListenerProc listener) {
    AudioLayer& a = Layer();
    {
        std::lock_guard<std::mutex> lock(a.mutex);
        std::erase_if(a.deviceListeners, [&](const DeviceListener& l) {
            return l.device == device && l.channel == channel && l.isInput == isInput &&
                   l.property == property && l.proc == listener;
        });
    }
    std::lock_guard<std::recursive_mutex> dispatch(a.dispatch);
    return kAudioHardwareNoError;
}

namespace platform {

void AudioHardwareSetDevices(const std::vector<AudioDeviceID>& devices) {
    AudioLayer& a = Layer();
    {
        std::lock_guard<std::mutex> lock(a.mutex);
        if (a.devices == devices) return;
        a.devices = devices;
        // A device that left takes its listeners with it.
        std::erase_if(a.deviceListeners,
                      [&](const DeviceListener& l) { return !Listed(a, l.device); });
    }
    CallHardwareListeners(kAudioHardwarePropertyDevices);
}

void AudioHardwareDevicePropertyChanged(AudioDeviceID device, AudioPropertyID property) {
    AudioLayer& a = Layer();
    std::lock_guard<std::recursive_mutex> dispatch(a.dispatch);
    std::vector<DeviceListener> listeners;
    {
        std::lock_guard<std::mutex> lock(a.mutex);
        if (!Listed(a, device)) return;
        for (const auto& l : a.deviceListeners)
            if (l.device == device && l.property == property) listeners.push_back(l);
    }
    for (const auto& l : listeners)
        if (StillRegistered(a, a.deviceListeners, l.id))
            l.proc(device, l.channel, l.isInput, property, l.clientData);
}

}  // namespace platform
