#pragma once
// The simulated MirovanLE: its register space, information block, AV/C vendor-dependent
// frames, external S/PDIF input, status register, moving meters, and the audio device the
// platform's audio layer shows for it. Speaks the wire format: quadlets, blocks and frames are
// big-endian byte strings, as on the bus.
//
// It rejects what the device would reject (unmapped or read-only places, bad lengths, block
// payloads that are not whole pairs, malformed AV/C frames) with kFWABadArgument or
// kFWAUnsupported, applies nothing of a rejected access, and keeps working.
//
// Thread-safe. Changes are reported to the listener after the model's lock is released, on the
// thread that made the change.

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/DeviceBus.h"

namespace devsim {

constexpr uint32_t kCompanyID = platform::kMakerCompanyId;
constexpr uint64_t kDeviceGUID = 0x0A7E570100040001ULL;
constexpr uint32_t kDeviceNodeID = 0xFFC0;
constexpr AudioDeviceID kAudioDeviceID = 0x4D4C;
constexpr const char* kAudioDeviceName = "MirovanLE";

constexpr uint32_t kRegisterCount = 115;
constexpr uint32_t kInfoBlockQuadlets = 26;
constexpr uint32_t kFirmwareQuadlet = 13;
constexpr uint32_t kFirstMeterRegister = 90;
constexpr uint32_t kLastMeterRegister = 103;
constexpr uint32_t kStatusRegister = 108;
constexpr uint32_t kExternalSyncRegister = 114;

// FireWire addresses: registers and the block command in the 0x0001 space, the information
// block in the 0xFFFF space.
constexpr uint16_t kRegisterSpaceHi = 0x0001;
constexpr uint32_t kBlockCommandLo = 0x00010000;
constexpr uint16_t kInfoBlockHi = 0xFFFF;
constexpr uint32_t kInfoBlockLo = 0xC8020000;

// Largest block write and AV/C frame the device takes.
constexpr uint32_t kMaxBlockBytes = 2048;
constexpr uint32_t kMaxAVCFrameBytes = 512;

// Clock sources of the audio device.
constexpr uint32_t kInternalClockSource = 1;
constexpr uint32_t kExternalClockSource = 2;
constexpr const char* kInternalClockName = "MirovanLE Internal";
constexpr const char* kExternalClockName = "MirovanLE Ext Plug 3";

constexpr uint32_t kPowerOnRate = 44100;
constexpr uint8_t kDefaultFirmwareMajor = 1;
constexpr uint8_t kDefaultFirmwareMinor = 2;
constexpr uint16_t kDefaultFirmwareBuild = 4811;

// The nominal rates the audio device supports.
bool IsSupportedRate(double rate);

struct RegisterWrite {
    uint32_t id;
    uint32_t value;
    bool operator==(const RegisterWrite&) const = default;
};

struct DeviceModelOptions {
    uint16_t firmwareBuild = kDefaultFirmwareBuild;
    uint32_t powerOnRate = kPowerOnRate;  // must be a supported rate
    bool plugged = true;
    uint64_t guid = kDeviceGUID;
    uint32_t nodeID = kDeviceNodeID;
};

class DeviceModel {
  public:
    class Listener {
      public:
        virtual ~Listener() = default;
        virtual void DevicePresenceChanged(const platform::BusPresence& presence) = 0;
        virtual void AudioPropertyChanged(AudioDeviceID device, AudioPropertyID property) = 0;
    };

    explicit DeviceModel(const DeviceModelOptions& options = {});
    DeviceModel(const DeviceModel&) = delete;
    DeviceModel& operator=(const DeviceModel&) = delete;

    // One listener at a time; null removes it. Returns once no report to the old one is running.
    void SetListener(Listener* listener);

    // --- What the bus reaches -------------------------------------------------------------
    platform::BusPresence Presence() const;

    FWAStatus Open(uint32_t nodeID, uint64_t* session);
    FWAStatus ReadQuadlet(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                          uint8_t busBytes[4]);
    FWAStatus WriteQuadlet(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                           const uint8_t busBytes[4]);
    FWAStatus WriteBlock(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                         const uint8_t* data, uint32_t length);
    // The whole response; CONTROL echoes the frame, STATUS answers each pair with the
    // register's id and current value. The response's ctype is ACCEPTED (0x09) or STABLE (0x0C).
    FWAStatus ExecuteAVC(uint64_t session, const uint8_t* command, uint32_t commandLength,
                         std::vector<uint8_t>* response);

    OSStatus GetDeviceName(AudioDeviceID device, std::string* name) const;
    OSStatus GetNominalSampleRate(AudioDeviceID device, double* rate) const;
    OSStatus SetNominalSampleRate(AudioDeviceID device, double rate);
    OSStatus GetClockSource(AudioDeviceID device, uint32_t* sourceID) const;
    OSStatus GetClockSourceName(AudioDeviceID device, uint32_t sourceID, std::string* name) const;
    OSStatus GetIsRunningSomewhere(AudioDeviceID device, uint32_t* running) const;

    // --- What the simulator's user controls -----------------------------------------------
    bool IsPlugged() const;
    void Plug();    // no-op while plugged
    void Unplug();  // no-op while unplugged
    // Unplug, reset to power-on state (registers 0, rate, internal clock), plug.
    void PowerCycle();
    // The firmware build the information block shows from the next plug on.
    void SetFirmwareBuild(uint16_t build);
    // The whole version word (major << 24 | minor << 16 | build), also from the next plug on.
    void SetFirmwareVersion(uint8_t major, uint8_t minor, uint16_t build);
    // The next `count` register accesses (quadlet read or write, block write, AV/C command)
    // fail with `code` and change nothing.
    void FailNextAccesses(uint32_t count, FWAStatus code = kFWATimeout);
    // After `count` more register accesses succeed, the next one finds the device unplugged.
    // 0 disarms it.
    void UnplugAfterAccesses(uint32_t count);
    // Holds a meter register (90-103) at a value instead of the synthetic signal.
    bool SetMeter(uint32_t reg, uint32_t value);
    // The external S/PDIF input: present at `rate` Hz, or absent when rate is 0.
    void SetExternalInput(uint32_t rate);
    uint32_t ExternalInputRate() const;  // 0 when absent
    void SetInUse(bool inUse);
    bool InUse() const;
    // Another program changing the nominal rate; false when it is not supported or unplugged.
    bool SetRateFromOutside(uint32_t rate);
    uint32_t NominalRate() const;
    bool ExternalSync() const;

    // The register's value as a read would give it (status and meters computed), whatever
    // its access; false above 114.
    bool Register(uint32_t reg, uint32_t* value) const;
    std::vector<uint32_t> Registers() const;
    uint32_t InfoQuadlet(uint32_t q) const;

    // Every register write applied, in order, whatever path carried it.
    std::vector<RegisterWrite> Writes() const;
    std::vector<RegisterWrite> TakeWrites();  // the log, cleared in the same step
    void ClearWrites();
    // Number of register accesses that reached the device (failed ones included).
    uint64_t AccessCount() const;

    // Where the meters' synthetic signal takes its time from, in seconds (tests fix it).
    void SetClock(std::function<double()> secondsNow);

  private:
    struct Event {
        bool presence;
        platform::BusPresence snapshot;
        AudioPropertyID property;
    };

    bool SessionValid(uint64_t session) const;
    FWAStatus BeginAccess(uint64_t session, std::vector<Event>& events);
    FWAStatus ReadRegisterAddress(uint16_t hi, uint32_t lo, uint32_t* value) const;
    FWAStatus WriteRegisterValue(uint32_t reg, uint32_t value, std::vector<Event>& events);
    uint32_t ReadRegister(uint32_t reg) const;
    uint32_t StatusValue() const;
    uint32_t MeterValue(uint32_t reg) const;
    bool SyncLocked() const;
    bool ExternalSyncLocked() const;
    platform::BusPresence SnapshotLocked() const;
    void PlugLocked(std::vector<Event>& events);
    void UnplugLocked(std::vector<Event>& events);
    void ResetToPowerOn();
    void PropertyChanged(AudioPropertyID property, std::vector<Event>& events);
    void Report(std::vector<Event>& events);

    mutable std::mutex mutex_;
    std::mutex listenerMutex_;  // held while a report runs
    Listener* listener_ = nullptr;

    DeviceModelOptions options_;
    uint32_t registers_[kRegisterCount] = {};
    uint32_t info_[kInfoBlockQuadlets] = {};
    uint32_t pendingFirmwareWord_ = 0;
    bool plugged_ = false;
    uint64_t generation_ = 0;
    mutable uint64_t sequence_ = 0;
    uint32_t nominalRate_ = kPowerOnRate;
    uint32_t externalRate_ = 0;
    bool inUse_ = false;
    bool meterHeld_[kRegisterCount] = {};
    uint32_t meterHeldValue_[kRegisterCount] = {};
    uint32_t failCount_ = 0;
    FWAStatus failCode_ = kFWATimeout;
    uint32_t unplugAfter_ = 0;
    uint64_t accessCount_ = 0;
    std::vector<RegisterWrite> writes_;
    std::function<double()> clock_;
};

}  // namespace devsim
