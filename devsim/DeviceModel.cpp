#include "devsim/DeviceModel.h"

#include <chrono>
#include <cmath>
#include <numbers>

namespace devsim {
namespace {

constexpr uint8_t kCtypeControl = 0x00;
constexpr uint8_t kCtypeStatus = 0x01;
constexpr uint8_t kResponseAccepted = 0x09;
constexpr uint8_t kResponseStable = 0x0C;
constexpr uint8_t kSubunitUnit = 0xFF;
constexpr uint8_t kOpcodeVendorDependent = 0x00;
constexpr uint8_t kVendorCommandRegisters = 0x03;
constexpr uint32_t kAVCHeaderBytes = 8;
constexpr uint32_t kPairBytes = 8;

// A long-running simulator must not grow without bound; the oldest half goes first.
constexpr size_t kMaxLoggedWrites = 1u << 20;

// Rates of the status register's rate field, by index; 6 stands for any other rate.
constexpr uint32_t kStatusRates[] = {44100, 48000, 88200, 96000, 176400, 192000};

bool IsMapped(uint32_t reg) {
    if (reg >= kRegisterCount) return false;
    if (reg >= 56 && reg <= 63) return false;
    if (reg == 65 || reg == 113) return false;
    if (reg >= 104 && reg <= 107) return false;
    return true;
}

bool IsReadOnly(uint32_t reg) {
    return (reg >= kFirstMeterRegister && reg <= kLastMeterRegister) || reg == kStatusRegister ||
           reg == 109;
}

bool IsWritable(uint32_t reg) {
    return IsMapped(reg) && !IsReadOnly(reg);
}

uint32_t FromBus(const uint8_t* b) {
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
}

void ToBus(uint32_t v, uint8_t* b) {
    b[0] = uint8_t(v >> 24);
    b[1] = uint8_t(v >> 16);
    b[2] = uint8_t(v >> 8);
    b[3] = uint8_t(v);
}

uint32_t FirmwareWord(uint8_t major, uint8_t minor, uint16_t build) {
    return uint32_t(major) << 24 | uint32_t(minor) << 16 | build;
}

double SteadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

bool IsSupportedRate(double rate) {
    return rate == 44100.0 || rate == 48000.0 || rate == 88200.0 || rate == 96000.0;
}

DeviceModel::DeviceModel(const DeviceModelOptions& options) : options_(options) {
    if (!IsSupportedRate(options_.powerOnRate)) options_.powerOnRate = kPowerOnRate;
    for (uint32_t q = 0; q < kInfoBlockQuadlets; ++q) info_[q] = kCompanyID << 8 | q;
    pendingFirmwareWord_ =
        FirmwareWord(kDefaultFirmwareMajor, kDefaultFirmwareMinor, options_.firmwareBuild);
    info_[kFirmwareQuadlet] = pendingFirmwareWord_;
    ResetToPowerOn();
    const double start = SteadySeconds();
    clock_ = [start] { return SteadySeconds() - start; };
    if (options_.plugged) {
        plugged_ = true;
        generation_ = 1;
    }
}

void DeviceModel::SetListener(Listener* listener) {
    std::lock_guard<std::mutex> lock(listenerMutex_);
    listener_ = listener;
}

void DeviceModel::Report(std::vector<Event>& events) {
    if (events.empty()) return;
    std::lock_guard<std::mutex> lock(listenerMutex_);
    if (!listener_) return;
    for (const Event& e : events) {
        if (e.presence)
            listener_->DevicePresenceChanged(e.snapshot);
        else
            listener_->AudioPropertyChanged(kAudioDeviceID, e.property);
    }
}

platform::BusPresence DeviceModel::SnapshotLocked() const {
    platform::BusPresence p;
    p.fireWirePresent = plugged_;
    p.nodeID = plugged_ ? options_.nodeID : 0;
    p.guid = plugged_ ? options_.guid : 0;
    p.audioDevice = plugged_ ? kAudioDeviceID : kAudioDeviceUnknown;
    p.generation = generation_;
    p.sequence = ++sequence_;
    return p;
}

platform::BusPresence DeviceModel::Presence() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return SnapshotLocked();
}

// --- FireWire side -------------------------------------------------------------------------

bool DeviceModel::SessionValid(uint64_t session) const {
    return plugged_ && session != 0 && session == generation_;
}

FWAStatus DeviceModel::Open(uint32_t nodeID, uint64_t* session) {
    if (!session) return kFWABadArgument;
    std::lock_guard<std::mutex> lock(mutex_);
    *session = 0;
    if (!plugged_ || nodeID == 0 || nodeID != options_.nodeID) return kFWANoDevice;
    *session = generation_;
    return kFWASuccess;
}

FWAStatus DeviceModel::BeginAccess(uint64_t session, std::vector<Event>& events) {
    if (!SessionValid(session)) return kFWANoDevice;
    ++accessCount_;
    if (unplugAfter_ > 0 && --unplugAfter_ == 0) {
        UnplugLocked(events);
        return kFWANoDevice;
    }
    if (failCount_ > 0) {
        --failCount_;
        return failCode_;
    }
    return kFWASuccess;
}

FWAStatus DeviceModel::ReadRegisterAddress(uint16_t hi, uint32_t lo, uint32_t* value) const {
    if (lo % 4 != 0) return kFWABadArgument;
    if (hi == kRegisterSpaceHi && lo / 4 < kRegisterCount && IsMapped(lo / 4)) {
        *value = ReadRegister(lo / 4);
        return kFWASuccess;
    }
    if (hi == kInfoBlockHi && lo >= kInfoBlockLo && (lo - kInfoBlockLo) / 4 < kInfoBlockQuadlets) {
        *value = info_[(lo - kInfoBlockLo) / 4];
        return kFWASuccess;
    }
    return kFWABadArgument;
}

FWAStatus DeviceModel::ReadQuadlet(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                                   uint8_t busBytes[4]) {
    std::vector<Event> events;
    FWAStatus status;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        status = BeginAccess(session, events);
        uint32_t value = 0;
        if (status == kFWASuccess) status = ReadRegisterAddress(addressHi, addressLo, &value);
        if (status == kFWASuccess) ToBus(value, busBytes);
    }
    Report(events);
    return status;
}

FWAStatus DeviceModel::WriteRegisterValue(uint32_t reg, uint32_t value,
                                          std::vector<Event>& events) {
    if (!IsWritable(reg)) return kFWABadArgument;
    const bool wasExternal = ExternalSyncLocked();
    registers_[reg] = value;
    if (writes_.size() >= kMaxLoggedWrites)
        writes_.erase(writes_.begin(), writes_.begin() + kMaxLoggedWrites / 2);
    writes_.push_back({reg, value});
    if (ExternalSyncLocked() != wasExternal)
        PropertyChanged(kAudioDevicePropertyClockSource, events);
    return kFWASuccess;
}

FWAStatus DeviceModel::WriteQuadlet(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                                    const uint8_t busBytes[4]) {
    std::vector<Event> events;
    FWAStatus status;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        status = BeginAccess(session, events);
        if (status == kFWASuccess) {
            if (addressHi != kRegisterSpaceHi || addressLo % 4 != 0 ||
                addressLo / 4 >= kRegisterCount)
                status = kFWABadArgument;
            else
                status = WriteRegisterValue(addressLo / 4, FromBus(busBytes), events);
        }
    }
    Report(events);
    return status;
}

FWAStatus DeviceModel::WriteBlock(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                                  const uint8_t* data, uint32_t length) {
    std::vector<Event> events;
    FWAStatus status;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        status = BeginAccess(session, events);
        if (status != kFWASuccess) {
        } else if (!data || addressHi != kRegisterSpaceHi) {
            status = kFWABadArgument;
        } else if (addressLo == kBlockCommandLo) {
            // The block command: whole (id, value) pairs, every id writable, or nothing applies.
            if (length == 0 || length % kPairBytes != 0 || length > kMaxBlockBytes) {
                status = kFWABadArgument;
            } else {
                for (uint32_t k = 0; k < length; k += kPairBytes)
                    if (!IsWritable(FromBus(data + k))) status = kFWABadArgument;
                for (uint32_t k = 0; status == kFWASuccess && k < length; k += kPairBytes)
                    WriteRegisterValue(FromBus(data + k), FromBus(data + k + 4), events);
            }
        } else if (addressLo % 4 == 0 && addressLo / 4 < kRegisterCount && length == 4) {
            // One register written as a one-quadlet block.
            status = WriteRegisterValue(addressLo / 4, FromBus(data), events);
        } else {
            status = kFWABadArgument;
        }
    }
    Report(events);
    return status;
}

FWAStatus DeviceModel::ExecuteAVC(uint64_t session, const uint8_t* command, uint32_t commandLength,
                                  std::vector<uint8_t>* response) {
    if (!response) return kFWABadArgument;
    response->clear();
    std::vector<Event> events;
    FWAStatus status;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        status = BeginAccess(session, events);
        const uint8_t* c = command;
        const uint32_t n = (commandLength - kAVCHeaderBytes) / kPairBytes;
        if (status != kFWASuccess) {
        } else if (!c || commandLength < kAVCHeaderBytes + kPairBytes ||
                   commandLength > kMaxAVCFrameBytes ||
                   (commandLength - kAVCHeaderBytes) % kPairBytes != 0) {
            status = kFWABadArgument;
        } else if ((c[0] != kCtypeControl && c[0] != kCtypeStatus) || c[1] != kSubunitUnit ||
                   c[2] != kOpcodeVendorDependent || c[3] != uint8_t(kCompanyID >> 16) ||
                   c[4] != uint8_t(kCompanyID >> 8) || c[5] != uint8_t(kCompanyID) ||
                   c[6] != kVendorCommandRegisters) {
            status = kFWAUnsupported;
        } else if (c[7] != n) {
            status = kFWABadArgument;
        } else {
            const bool control = c[0] == kCtypeControl;
            for (uint32_t k = 0; k < n; ++k) {
                uint32_t id = FromBus(c + kAVCHeaderBytes + k * kPairBytes);
                if (control ? !IsWritable(id) : !IsMapped(id)) status = kFWABadArgument;
            }
            if (status == kFWASuccess) {
                response->assign(c, c + commandLength);
                (*response)[0] = control ? kResponseAccepted : kResponseStable;
                for (uint32_t k = 0; k < n; ++k) {
                    const uint8_t* pair = c + kAVCHeaderBytes + k * kPairBytes;
                    uint32_t id = FromBus(pair);
                    if (control)
                        WriteRegisterValue(id, FromBus(pair + 4), events);
                    else
                        ToBus(ReadRegister(id),
                              response->data() + kAVCHeaderBytes + k * kPairBytes + 4);
                }
            }
        }
    }
    Report(events);
    return status;
}

// --- Registers ------------------------------------------------------------------------------

bool DeviceModel::ExternalSyncLocked() const {
    return registers_[kExternalSyncRegister] != 0;
}

bool DeviceModel::ExternalSync() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ExternalSyncLocked();
}

bool DeviceModel::SyncLocked() const {
    if (!ExternalSyncLocked()) return true;
    return externalRate_ != 0 && externalRate_ == nominalRate_;
}

uint32_t DeviceModel::StatusValue() const {
    uint32_t v = SyncLocked() ? 0x1 : 0x0;
    if (externalRate_ != 0) {
        uint32_t index = 6;
        for (uint32_t i = 0; i < 6; ++i)
            if (kStatusRates[i] == externalRate_) index = i;
        v |= 0x2 | index << 8;
    }
    return v;
}

uint32_t DeviceModel::MeterValue(uint32_t reg) const {
    if (meterHeld_[reg]) return meterHeldValue_[reg];
    // A slow swing between about -20 dB and -3 dB, each meter at its own phase.
    const double t = clock_ ? clock_() : 0.0;
    const double level =
        0.4 + 0.3 * std::sin(2.0 * std::numbers::pi * t / 3.0 + 0.7 * (reg - kFirstMeterRegister));
    return static_cast<uint32_t>(level * 2147483648.0);
}

uint32_t DeviceModel::ReadRegister(uint32_t reg) const {
    if (reg >= kFirstMeterRegister && reg <= kLastMeterRegister) return MeterValue(reg);
    if (reg == kStatusRegister) return StatusValue();
    return registers_[reg];
}

bool DeviceModel::Register(uint32_t reg, uint32_t* value) const {
    if (reg >= kRegisterCount || !value) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    *value = ReadRegister(reg);
    return true;
}

std::vector<uint32_t> DeviceModel::Registers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<uint32_t> values(kRegisterCount);
    for (uint32_t r = 0; r < kRegisterCount; ++r) values[r] = ReadRegister(r);
    return values;
}

uint32_t DeviceModel::InfoQuadlet(uint32_t q) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return q < kInfoBlockQuadlets ? info_[q] : 0;
}

std::vector<RegisterWrite> DeviceModel::Writes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return writes_;
}

std::vector<RegisterWrite> DeviceModel::TakeWrites() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<RegisterWrite> taken;
    taken.swap(writes_);
    return taken;
}

void DeviceModel::ClearWrites() {
    std::lock_guard<std::mutex> lock(mutex_);
    writes_.clear();
}

uint64_t DeviceModel::AccessCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return accessCount_;
}

// --- Audio side -----------------------------------------------------------------------------

#define DEVICE_OR_FAIL(device) \
    if (!plugged_ || (device) != kAudioDeviceID) return kAudioHardwareBadDeviceError

OSStatus DeviceModel::GetDeviceName(AudioDeviceID device, std::string* name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    DEVICE_OR_FAIL(device);
    *name = kAudioDeviceName;
    return kAudioHardwareNoError;
}

OSStatus DeviceModel::GetNominalSampleRate(AudioDeviceID device, double* rate) const {
    std::lock_guard<std::mutex> lock(mutex_);
    DEVICE_OR_FAIL(device);
    *rate = nominalRate_;
    return kAudioHardwareNoError;
}

OSStatus DeviceModel::SetNominalSampleRate(AudioDeviceID device, double rate) {
    std::vector<Event> events;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        DEVICE_OR_FAIL(device);
        if (!IsSupportedRate(rate)) return kAudioDeviceUnsupportedFormatError;
        if (static_cast<uint32_t>(rate) != nominalRate_) {
            nominalRate_ = static_cast<uint32_t>(rate);
            PropertyChanged(kAudioDevicePropertyNominalSampleRate, events);
        }
    }
    Report(events);
    return kAudioHardwareNoError;
}

OSStatus DeviceModel::GetClockSource(AudioDeviceID device, uint32_t* sourceID) const {
    std::lock_guard<std::mutex> lock(mutex_);
    DEVICE_OR_FAIL(device);
    *sourceID = ExternalSyncLocked() ? kExternalClockSource : kInternalClockSource;
    return kAudioHardwareNoError;
}

OSStatus DeviceModel::GetClockSourceName(AudioDeviceID device, uint32_t sourceID,
                                         std::string* name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    DEVICE_OR_FAIL(device);
    if (sourceID == kInternalClockSource)
        *name = kInternalClockName;
    else if (sourceID == kExternalClockSource)
        *name = kExternalClockName;
    else
        return kAudioHardwareUnknownPropertyError;
    return kAudioHardwareNoError;
}

OSStatus DeviceModel::GetIsRunningSomewhere(AudioDeviceID device, uint32_t* running) const {
    std::lock_guard<std::mutex> lock(mutex_);
    DEVICE_OR_FAIL(device);
    *running = inUse_ ? 1 : 0;
    return kAudioHardwareNoError;
}

#undef DEVICE_OR_FAIL

void DeviceModel::PropertyChanged(AudioPropertyID property, std::vector<Event>& events) {
    if (plugged_) events.push_back({false, {}, property});
}

// --- Simulator controls ---------------------------------------------------------------------

bool DeviceModel::IsPlugged() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return plugged_;
}

void DeviceModel::PlugLocked(std::vector<Event>& events) {
    if (plugged_) return;
    plugged_ = true;
    ++generation_;
    info_[kFirmwareQuadlet] = pendingFirmwareWord_;
    events.push_back({true, SnapshotLocked(), 0});
}

void DeviceModel::UnplugLocked(std::vector<Event>& events) {
    if (!plugged_) return;
    plugged_ = false;
    unplugAfter_ = 0;
    events.push_back({true, SnapshotLocked(), 0});
}

void DeviceModel::ResetToPowerOn() {
    for (uint32_t& r : registers_) r = 0;
    nominalRate_ = options_.powerOnRate;
}

void DeviceModel::Plug() {
    std::vector<Event> events;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        PlugLocked(events);
    }
    Report(events);
}

void DeviceModel::Unplug() {
    std::vector<Event> events;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        UnplugLocked(events);
    }
    Report(events);
}

void DeviceModel::PowerCycle() {
    std::vector<Event> events;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        UnplugLocked(events);
        ResetToPowerOn();
        PlugLocked(events);
    }
    Report(events);
}

void DeviceModel::SetFirmwareBuild(uint16_t build) {
    std::lock_guard<std::mutex> lock(mutex_);
    pendingFirmwareWord_ = (pendingFirmwareWord_ & 0xFFFF0000u) | build;
}

void DeviceModel::SetFirmwareVersion(uint8_t major, uint8_t minor, uint16_t build) {
    std::lock_guard<std::mutex> lock(mutex_);
    pendingFirmwareWord_ = FirmwareWord(major, minor, build);
}

void DeviceModel::FailNextAccesses(uint32_t count, FWAStatus code) {
    std::lock_guard<std::mutex> lock(mutex_);
    failCount_ = code == kFWASuccess ? 0 : count;
    failCode_ = code;
}

void DeviceModel::UnplugAfterAccesses(uint32_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    unplugAfter_ = count == 0 ? 0 : count + 1;
}

bool DeviceModel::SetMeter(uint32_t reg, uint32_t value) {
    if (reg < kFirstMeterRegister || reg > kLastMeterRegister) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    meterHeld_[reg] = true;
    meterHeldValue_[reg] = value;
    return true;
}

void DeviceModel::SetExternalInput(uint32_t rate) {
    std::lock_guard<std::mutex> lock(mutex_);
    externalRate_ = rate;
}

uint32_t DeviceModel::ExternalInputRate() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return externalRate_;
}

void DeviceModel::SetInUse(bool inUse) {
    std::vector<Event> events;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (inUse_ != inUse) {
            inUse_ = inUse;
            PropertyChanged(kAudioDevicePropertyDeviceIsRunningSomewhere, events);
        }
    }
    Report(events);
}

bool DeviceModel::InUse() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return inUse_;
}

bool DeviceModel::SetRateFromOutside(uint32_t rate) {
    return SetNominalSampleRate(kAudioDeviceID, rate) == kAudioHardwareNoError;
}

uint32_t DeviceModel::NominalRate() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return nominalRate_;
}

void DeviceModel::SetClock(std::function<double()> secondsNow) {
    std::lock_guard<std::mutex> lock(mutex_);
    clock_ = std::move(secondsNow);
}

}  // namespace devsim
