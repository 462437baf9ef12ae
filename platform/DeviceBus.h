#pragma once
// The bus behind the platform stand-ins: one device reached both as a FireWire node (the
// FireWire audio library forwards to it) and as an audio device (the audio layer forwards to
// it). A bus is in the same process (over a device model, for tests), a client of the
// simulator server (platform/sim), or the real device through the kernel, udev and ALSA
// (platform/linux).
//
// The platform keeps its own picture of what is present (the registry's services and the audio
// device list) and changes it only when the installed bus reports a new presence snapshot. Bus
// calls are made from any thread; a bus must be safe for that.
//
// Values cross the FireWire side in bus byte order: a quadlet is its four bytes as they are on
// the wire, most significant first; blocks and AV/C frames are byte strings.

#include <cstdint>
#include <string>

#include "platform/AudioHardware.h"
#include "platform/FWAUserLib.h"

namespace platform {

// What is on the bus at one moment. `sequence` grows with every snapshot a bus hands out, so a
// late report never overrides a newer one; `generation` changes whenever the device was
// plugged again (or the bus lost and found it), even when every other field looks the same.
struct BusPresence {
    bool fireWirePresent = false;
    uint32_t nodeID = 0;
    uint64_t guid = 0;
    AudioDeviceID audioDevice = kAudioDeviceUnknown;  // 0 while the audio device is absent
    uint64_t generation = 0;
    uint64_t sequence = 0;
};

class DeviceBus {
  public:
    virtual ~DeviceBus() = default;

    // The current snapshot.
    virtual BusPresence Presence() = 0;

    // FireWire side. A session is the bus's handle for one open connection; it stops working
    // (kFWANoDevice) once the device it was opened on is gone, even if the device comes back.
    virtual FWAStatus FireWireOpen(uint32_t nodeID, uint64_t* session) = 0;
    virtual void FireWireClose(uint64_t session) = 0;
    virtual FWAStatus ReadQuadlet(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                                  uint8_t busBytes[4]) = 0;
    virtual FWAStatus WriteQuadlet(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                                   const uint8_t busBytes[4]) = 0;
    virtual FWAStatus WriteBlock(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                                 const uint8_t* data, uint32_t length) = 0;
    // *responseLength: the buffer's size on entry, the bytes written on return; the bus never
    // writes beyond the buffer, and cuts a longer response short.
    virtual FWAStatus ExecuteAVC(uint64_t session, const uint8_t* command, uint32_t commandLength,
                                 uint8_t* response, uint32_t* responseLength) = 0;

    // Audio side, for the audio device of the current snapshot. A device id that is not the
    // present audio device gives kAudioHardwareBadDeviceError.
    virtual OSStatus GetDeviceName(AudioDeviceID device, std::string* name) = 0;
    virtual OSStatus GetNominalSampleRate(AudioDeviceID device, double* rate) = 0;
    // Refuses a rate the device does not support with kAudioDeviceUnsupportedFormatError. The
    // change reaches the 'nsrt' listeners later, from the bus's own thread.
    virtual OSStatus SetNominalSampleRate(AudioDeviceID device, double rate) = 0;
    virtual OSStatus GetClockSource(AudioDeviceID device, uint32_t* sourceID) = 0;
    virtual OSStatus GetClockSourceName(AudioDeviceID device, uint32_t sourceID,
                                        std::string* name) = 0;
    virtual OSStatus GetIsRunningSomewhere(AudioDeviceID device, uint32_t* running) = 0;
};

// Makes `bus` the process's bus (null uninstalls). What the old bus had published is taken
// away first (its services terminated, its audio device removed from the device list), then
// the new bus's current snapshot is published. The 'dev#' listeners run on the calling thread.
// Returns once no call into the old bus is running any more, so the caller may delete it.
void InstallDeviceBus(DeviceBus* bus);
DeviceBus* InstalledDeviceBus();

// A bus reports from its own thread, never from inside one of its calls.
// Called by a bus, on its own thread, when its presence changed. Ignored unless `bus` is the
// installed one and `presence` is newer than the last snapshot taken. The registry's services
// and the audio device list follow at once; registry callbacks are queued to the main run loop,
// the 'dev#' listeners are called on this thread.
void DeviceBusPresenceChanged(DeviceBus* bus, const BusPresence& presence);

// Called by a bus, on its own thread, when a property of its audio device changed
// ('nsrt', 'csrc' or 'gone'); the device's listeners of that property are called on this thread.
void DeviceBusAudioPropertyChanged(DeviceBus* bus, AudioDeviceID device, AudioPropertyID property);

// Names of the service that a present FireWire device publishes in the registry.
constexpr const char* kDeviceServiceClass = "AppleRemoteAudioDevice";
constexpr const char* kManufacturerKey = "IOAudioDeviceManufacturerName";
constexpr const char* kProductKey = "FireWire Product Name";
constexpr const char* kGUIDKey = "GUID";
constexpr const char* kNodeIDKey = "FireWire Node ID";
constexpr const char* kDeviceManufacturer = "Kestrovel";
constexpr const char* kDeviceProduct = "MirovanLE";
// Number of parent levels between the service and the entry that carries the GUID and node id.
constexpr int kDeviceServiceDepth = 4;

// The maker's 24-bit IEEE company id: bits 63-40 of the device's GUID and bytes 3-5 of every
// AV/C vendor-dependent frame. A locally administered value, so no real company's id.
constexpr uint32_t kMakerCompanyId = 0x0A7E57;

// Whether a FireWire GUID is the device's: the low 16 bits of the maker's company id in bits
// 55-40, the model byte 0x01 in bits 39-32 and the product code 0x0004 in bits 31-16; the
// other bits are not compared.
constexpr bool IsDeviceGuid(uint64_t guid) {
    return ((guid >> 40) & 0xFFFF) == (kMakerCompanyId & 0xFFFF) && ((guid >> 32) & 0xFF) == 0x01 &&
           ((guid >> 16) & 0xFFFF) == 0x0004;
}

}  // namespace platform
