#include "device/MirovanHAL.h"

#include <cstdio>
#include <cstdlib>

#include "device/AudioDriver.h"
#include "device/DeviceMessage.h"
#include "device/Log.h"
#include "device/MeterData.h"
#include "device/MirovanPlugin.h"
#include "device/MixMatrix.h"
#include "device/ffAVC.h"
#include "platform/SleepHook.h"

namespace {

MirovanHAL* g_Instance = nullptr;

// Registers.
constexpr uint32_t kStatusRegister = 108;
constexpr uint32_t kTestRegister = 109;
constexpr uint32_t kSaveRegister = 110;
constexpr uint32_t kAC3Register = 112;
constexpr uint32_t kExternalSyncRegister = 114;
// Preset of the external-sync read: a failed read leaves it, and reads as "syncing".
constexpr uint32_t kExternalSyncPreset = 0xFFFF;

constexpr int kMeteringParameter = 72;
constexpr uint32_t kCloseSettleMicroseconds = 50000;

// Sample rate of the external input by bits 8-15 of the status register; later indices: none.
constexpr int32_t kStatusRates[] = {44100, 48000, 88200, 96000, 176400, 192000, 0};
constexpr uint32_t kStatusRateCount = sizeof(kStatusRates) / sizeof(kStatusRates[0]);

constexpr char kNoExternalInputText[] =
    "No external SPDIF input detected, please check your Mirovan LE SPDIF In connections and "
    "cables before retrying.";
constexpr char kExternalRateMismatchText[] =
    "Mirovan LE could not sync to external SPDIF device sample rate, please check Mirovan LE "
    "control panel and external device settings for correct sample rate.";

[[noreturn]] void FailAssertion(const char* file, unsigned line, const char* expression) {
    std::fprintf(stderr, "%s:%u: failed assertion `%s'\n", file, line, expression);
    std::abort();
}

}  // namespace

bool MirovanHAL::Create() {
    if (g_Instance == nullptr) g_Instance = new MirovanHAL();
    return true;
}

MirovanHAL* MirovanHAL::Get() {
    if (g_Instance == nullptr) FailAssertion(__FILE__, __LINE__, "g_Instance != NULL");
    return g_Instance;
}

void MirovanHAL::Destroy() {
    MirovanHAL* instance = g_Instance;
    if (instance == nullptr) return;
    delete instance;
    g_Instance = nullptr;
}

MirovanHAL::MirovanHAL()
    : avc(nullptr), driver(nullptr), matrix(nullptr), plugin(nullptr), open(false), meters(nullptr),
      sampleRate(0.0f), ac3Disabled(true), syncLocked(false), extInputPresent(false),
      extInputRate(0), firmwareUpdateLatched(false), flip(true) {
    avc = new ffAVC();
    driver = new AudioDriver();
    matrix = new MixMatrix();
    meters = new MeterData();
    AddObserver(meters);
}

MirovanHAL::~MirovanHAL() {
    Close();
    delete meters;
    meters = nullptr;
    delete matrix;
    matrix = nullptr;
    delete driver;
    driver = nullptr;
    delete avc;
    avc = nullptr;
}

void MirovanHAL::SetPlugin(MirovanPlugin* p) {
    plugin = p;
}

void MirovanHAL::_CloseAfterFailedOpen() {
    avc->Close();
    driver->Close();
}

int MirovanHAL::Open() {
    if (open || firmwareUpdateLatched) return 0;
    LogMessage("+ MirovanHAL::Open()\n");

    int r = avc->Open();
    if (r != 0) {
        LogMessage("  MirovanHAL::Open() : Failed to open FireWire driver\n");
        _CloseAfterFailedOpen();
        return r;
    }
    if (!driver->Open()) {
        LogMessage("  MirovanHAL::Open() : Failed to open audio driver\n");
        _CloseAfterFailedOpen();
        return -1;
    }
    AVCMsg test = {kTestRegister, 0};
    r = avc->GetValues(&test, 1);
    if (r != 0) {
        LogMessage("  MirovanHAL::Open() : Failed when sending test message\n");
        _CloseAfterFailedOpen();
        return r;
    }
    bool needsUpdate = false;
    if (!FirmwareNeedsUpdate(needsUpdate)) {
        LogMessage("  MirovanHAL::FirmwareNeedsUpdate() : Failed\n");
        _CloseAfterFailedOpen();
        return -1;
    }
    if (needsUpdate) {
        firmwareUpdateLatched = true;
        driver->Close();
        avc->Close();
        NotifyObservers(EventFirmwareNeedsUpdate);
        return -1;
    }
    LogMessage("  MirovanHAL::Open() : We're alive!\n");
    open = true;
    PostOpen();
    return 0;
}

bool MirovanHAL::KeepOpen() {
    if (open) return true;
    return Open() == 0;
}

void MirovanHAL::Close() {
    if (!open) return;
    LogMessage("+ MirovanHAL::Close()\n");
    open = false;
    // Lets the device settle before the connection goes.
    platform::SleepMicroseconds(kCloseSettleMicroseconds);
    avc->Close();
    driver->Close();
}

void MirovanHAL::_HandOverSampleRate(int rate) {
    sampleRate = static_cast<float>(rate);
    matrix->SampleRateChanged(static_cast<float>(rate));
    meters->sampleRate = static_cast<float>(rate);
}

bool MirovanHAL::PostOpen() {
    _HandOverSampleRate(GetSampleRate());
    return true;
}

int MirovanHAL::GetSampleRate() {
    if (!open) return 0;
    const int rate = driver->GetSampleRate();
    if (static_cast<float>(rate) != sampleRate) _HandOverSampleRate(rate);
    return rate;
}

bool MirovanHAL::SetSampleRate(int rate) {
    if (!open || GetExternalClock()) return false;
    LogMessage("MirovanHAL::SetSampleRate(%d)\n", rate);
    if (driver->SetSampleRate(rate) != 0) {
        Close();
        return false;
    }
    _HandOverSampleRate(rate);
    return true;
}

bool MirovanHAL::GetExternalClock() {
    if (!open) return false;
    AVCMsg m = {kExternalSyncRegister, kExternalSyncPreset};
    GetValue(m);
    return m.value != 0;
}

bool MirovanHAL::SetExternalClock(bool on) {
    if (!open) return false;
    if (!on) {
        SetValueDirect(AVCMsg{kExternalSyncRegister, 0});
        return true;
    }
    if (!extInputPresent) {
        ShowDeviceMessage(kNoExternalInputText);
        return false;
    }
    if (GetSampleRate() != extInputRate) {
        ShowDeviceMessage(kExternalRateMismatchText);
        return false;
    }
    SetValueDirect(AVCMsg{kExternalSyncRegister, 1});
    return true;
}

bool MirovanHAL::IsExternalClockAvailable() {
    return open && driver->IsExternalClockAvailable();
}

bool MirovanHAL::IsInUse() {
    return open && driver->IsInUse();
}

bool MirovanHAL::GetAC3() {
    return !ac3Disabled;
}

void MirovanHAL::SetAC3(bool disable) {
    ac3Disabled = disable;
    SetValueDirect(AVCMsg{kAC3Register, disable ? 0u : 1u});
    matrix->SetAC3(disable);
}

void MirovanHAL::SaveToCnE() {
    if (!open) return;
    LogMessage("MirovanHAL::SaveToCnE()\n");
    AVCMsg m = {kSaveRegister, 0};
    if (avc->SetValues(&m, 1) != 0) Close();
}

int MirovanHAL::GetValue(AVCMsg& m) {
    if (!open) return -1;
    LogGetAVCMessage(m);
    const int r = avc->GetValues(&m, 1);
    if (r != 0) {
        LogMessage("MirovanHAL::GetValue() Failed - Closing device now\n");
        Close();
    }
    return r;
}

int MirovanHAL::GetValues(AVCMsg* m, unsigned long n) {
    if (!open) return -1;
    LogMessage("MirovanHAL::GetValues(): \n");
    for (unsigned long k = 0; k < n; ++k) LogGetAVCMessage(m[k]);
    const int r = avc->GetValues(m, n);
    if (r != 0) {
        LogMessage("MirovanHAL::GetValues() Failed!!\n");
        Close();
    }
    return r;
}

void MirovanHAL::SetValuesDirect(const AVCMsg* m, unsigned long n) {
    if (!open) return;
    LogMessage("MirovanHAL::SetValuesDirect(): \n");
    for (unsigned long k = 0; k < n; ++k) LogAVCMessage(m[k]);
    if (avc->SetValues(m, n) != 0) Close();
}

void MirovanHAL::SetValueDirect(const AVCMsg& m) {
    if (!open) return;
    LogAVCMessage(m);
    if (avc->SetValues(&m, 1) != 0) Close();
}

void MirovanHAL::AddObserver(Observer* o) {
    for (Observer* known : observers)
        if (known == o) return;
    observers.push_back(o);
}

void MirovanHAL::NotifyObservers(Event e) {
    // By index, reading the size each time: an observer added meanwhile is told in this pass.
    for (size_t i = 0; i < observers.size(); ++i) observers[i]->MirovanHALEvent(e);
}

MeterData* MirovanHAL::GetMeterData() {
    return meters;
}

const uint32_t* MirovanHAL::GetBcdInfo() {
    if (avc == nullptr) return nullptr;
    LogMessage("MirovanHAL::GetBCDInfo()\n");
    return avc->infoValid ? avc->info : nullptr;
}

bool MirovanHAL::GetBcdVersion(int* build, int* major, int* minor) {
    const uint32_t* info = GetBcdInfo();
    if (info == nullptr) return false;
    const uint32_t word = info[kFirmwareVersionWord];
    if (major != nullptr) *major = static_cast<int>((word >> 24) & 0xFF);
    if (minor != nullptr) *minor = static_cast<int>((word >> 16) & 0xFF);
    if (build != nullptr) *build = static_cast<int>(word & 0xFFFF);
    return true;
}

bool MirovanHAL::FirmwareNeedsUpdate(bool& needsUpdate) {
    needsUpdate = false;
    int build = 0, major = 0, minor = 0;
    if (!GetBcdVersion(&build, &major, &minor)) return false;
    needsUpdate = build <= kNewestOutdatedBuild;
    return true;
}

void MirovanHAL::_ReadStatus() {
    AVCMsg m = {kStatusRegister, 0};
    GetValue(m);
    const uint32_t v = m.value;
    syncLocked = (v & 0x1) != 0;
    extInputPresent = (v & 0x2) != 0;
    extInputRate = 0;
    if (extInputPresent) {
        const uint32_t index = (v >> 8) & 0xFF;
        if (index < kStatusRateCount) extInputRate = kStatusRates[index];
    }
}

void MirovanHAL::StepAVC() {
    if (matrix != nullptr) matrix->ThreadAction(plugin);
    LogMessage("MeterData--+\n");
    // Without a plug-in there is no metering switch to read: metering counts as off.
    const bool metering =
        plugin != nullptr && plugin->HostWantsParameterValue(kMeteringParameter) > 0.0f;
    if (metering)
        meters->execute();
    else
        meters->reset();
    LogMessage("MeterData---\n");
    if (flip) _ReadStatus();
    flip = !flip;
}
