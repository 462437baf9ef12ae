#include "platform/sim/SimulatorClientBus.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace platform {
namespace {

constexpr size_t kMaxAnswerLength = 64 * 1024;
constexpr size_t kMaxNameBytes = 255;
constexpr uint64_t kMaxRate = 10000000;

std::string Number(uint64_t v) {
    return std::to_string(v);
}

}  // namespace

SimulatorClientBus::SimulatorClientBus(std::string socketPath, int pollIntervalMs)
    : path_(std::move(socketPath)), pollMs_(pollIntervalMs > 0 ? pollIntervalMs : kDefaultPollMs) {
    Apply(Poll());
    watcher_ = std::thread([this] { Watch(); });
}

SimulatorClientBus::~SimulatorClientBus() {
    if (InstalledDeviceBus() == this) InstallDeviceBus(nullptr);
    {
        std::lock_guard<std::mutex> lock(stopMutex_);
        stopping_ = true;
    }
    stopWake_.notify_all();
    watcher_.join();
}

// --- Watching -------------------------------------------------------------------------------

SimulatorClientBus::ServerState SimulatorClientBus::Poll() {
    ServerState state;
    if (!watch_.IsOpen()) {
        if (!watch_.Connect(path_, kCallTimeoutMs)) return state;
        ++watchEpoch_;
    }
    std::string line;
    if (!watch_.SendLine("state", kCallTimeoutMs) || !watch_.ReadLine(&line, kCallTimeoutMs, 512))
        return state;
    std::vector<std::string> w = SplitWords(line);
    uint64_t present, node, guid, audio;
    if (w.size() != 9 || w[0] != "0" || !ParseUnsigned(w[1], 1, &present) ||
        !ParseUnsigned(w[2], UINT32_MAX, &node) || !ParseUnsigned(w[3], UINT64_MAX, &guid) ||
        !ParseUnsigned(w[4], UINT32_MAX, &audio) ||
        !ParseUnsigned(w[5], UINT64_MAX, &state.generation) ||
        !ParseUnsigned(w[6], UINT64_MAX, &state.changes[0]) ||
        !ParseUnsigned(w[7], UINT64_MAX, &state.changes[1]) ||
        !ParseUnsigned(w[8], UINT64_MAX, &state.changes[2])) {
        watch_.Close();
        return state;
    }
    state.answered = true;
    state.present = present != 0;
    state.nodeID = static_cast<uint32_t>(node);
    state.guid = guid;
    state.audio = static_cast<AudioDeviceID>(audio);
    state.epoch = watchEpoch_;
    return state;
}

void SimulatorClientBus::Apply(const ServerState& state) {
    static constexpr AudioPropertyID kWatched[3] = {kAudioDevicePropertyNominalSampleRate,
                                                    kAudioDevicePropertyClockSource,
                                                    kAudioDevicePropertyDeviceIsRunningSomewhere};
    std::vector<BusPresence> reports;
    std::vector<AudioPropertyID> changed;
    AudioDeviceID audio;
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        const bool was = last_.answered && last_.present;
        const bool now = state.answered && state.present;
        const bool samePlug =
            was && now && last_.epoch == state.epoch && last_.generation == state.generation &&
            last_.nodeID == state.nodeID && last_.guid == state.guid && last_.audio == state.audio;
        if (!samePlug) {
            if (was) {
                BusPresence gone;
                gone.generation = presence_.generation;
                gone.sequence = presence_.sequence + 1;
                presence_ = gone;
                reports.push_back(presence_);
            }
            if (now) {
                plugs_.fetch_add(1);
                BusPresence here;
                here.fireWirePresent = true;
                here.nodeID = state.nodeID;
                here.guid = state.guid;
                here.audioDevice = state.audio;
                here.generation = presence_.generation + 1;
                here.sequence = presence_.sequence + 1;
                presence_ = here;
                reports.push_back(presence_);
            }
        } else {
            for (int i = 0; i < 3; ++i)
                if (state.changes[i] != last_.changes[i]) changed.push_back(kWatched[i]);
        }
        last_ = state;
        audio = presence_.audioDevice;
    }
    for (const BusPresence& p : reports) DeviceBusPresenceChanged(this, p);
    for (AudioPropertyID property : changed) DeviceBusAudioPropertyChanged(this, audio, property);
}

void SimulatorClientBus::Watch() {
    std::unique_lock<std::mutex> lock(stopMutex_);
    while (!stopWake_.wait_for(lock, std::chrono::milliseconds(pollMs_),
                               [this] { return stopping_; })) {
        lock.unlock();
        Apply(Poll());
        lock.lock();
    }
}

BusPresence SimulatorClientBus::Presence() {
    std::lock_guard<std::mutex> lock(stateMutex_);
    // A fresh sequence, so that the platform takes this snapshot as the newest.
    ++presence_.sequence;
    return presence_;
}

// --- Calls ----------------------------------------------------------------------------------

void SimulatorClientBus::DropConnectionOfEarlierPlug() {
    if (call_.IsOpen() && callPlug_ != plugs_.load()) call_.Close();
}

bool SimulatorClientBus::Call(const std::string& request, int32_t* status,
                              std::vector<std::string>* result) {
    DropConnectionOfEarlierPlug();
    if (!call_.IsOpen()) {
        const uint64_t plug = plugs_.load();
        if (!call_.Connect(path_, kCallTimeoutMs)) return false;
        ++callEpoch_;
        callPlug_ = plug;
    }
    std::string line;
    if (!call_.SendLine(request, kCallTimeoutMs) ||
        !call_.ReadLine(&line, kCallTimeoutMs, kMaxAnswerLength))
        return false;
    std::vector<std::string> words = SplitWords(line);
    if (words.empty() || !ParseSigned32(words[0], status)) {
        call_.Close();
        return false;
    }
    result->assign(words.begin() + 1, words.end());
    return true;
}

FWAStatus SimulatorClientBus::SessionCall(uint64_t session, const std::string& request,
                                          std::vector<std::string>* result) {
    DropConnectionOfEarlierPlug();
    auto it = sessions_.find(session);
    // A session lives as long as the connection it was opened over: after a lost connection
    // the server may be another one that never saw it.
    if (it == sessions_.end() || !call_.IsOpen() || it->second.epoch != callEpoch_)
        return kFWANoDevice;
    size_t space = request.find(' ');
    std::string line = request.substr(0, space) + " " + Number(it->second.serverSession) +
                       (space == std::string::npos ? "" : request.substr(space));
    int32_t status;
    if (!Call(line, &status, result)) return kFWANoDevice;
    return status;
}

FWAStatus SimulatorClientBus::FireWireOpen(uint32_t nodeID, uint64_t* session) {
    if (!session) return kFWABadArgument;
    *session = 0;
    std::lock_guard<std::mutex> lock(callMutex_);
    int32_t status;
    std::vector<std::string> result;
    if (!Call("open " + Number(nodeID), &status, &result)) return kFWANoDevice;
    if (status != kFWASuccess) return status;
    uint64_t serverSession;
    if (result.size() != 1 || !ParseUnsigned(result[0], UINT64_MAX, &serverSession))
        return kFWANotResponding;
    *session = nextSession_++;
    sessions_[*session] = {callEpoch_, serverSession};
    return kFWASuccess;
}

void SimulatorClientBus::FireWireClose(uint64_t session) {
    std::lock_guard<std::mutex> lock(callMutex_);
    sessions_.erase(session);
}

FWAStatus SimulatorClientBus::ReadQuadlet(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                                          uint8_t busBytes[4]) {
    std::lock_guard<std::mutex> lock(callMutex_);
    std::vector<std::string> result;
    FWAStatus status =
        SessionCall(session, "read " + Number(addressHi) + " " + Number(addressLo), &result);
    if (status != kFWASuccess) return status;
    if (result.size() != 1 || result[0].size() != 8) return kFWANotResponding;
    std::vector<uint8_t> bytes = HexDecodePrefix(result[0], 4);
    if (bytes.size() != 4) return kFWANotResponding;
    std::memcpy(busBytes, bytes.data(), 4);
    return kFWASuccess;
}

FWAStatus SimulatorClientBus::WriteQuadlet(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                                           const uint8_t busBytes[4]) {
    std::lock_guard<std::mutex> lock(callMutex_);
    std::vector<std::string> result;
    return SessionCall(
        session,
        "write " + Number(addressHi) + " " + Number(addressLo) + " " + HexEncode(busBytes, 4),
        &result);
}

FWAStatus SimulatorClientBus::WriteBlock(uint64_t session, uint16_t addressHi, uint32_t addressLo,
                                         const uint8_t* data, uint32_t length) {
    // The server takes no empty blocks; refuse them here as the device would.
    if (!data || length == 0 || length > kMaxAnswerLength / 4) return kFWABadArgument;
    std::lock_guard<std::mutex> lock(callMutex_);
    std::vector<std::string> result;
    return SessionCall(
        session,
        "block " + Number(addressHi) + " " + Number(addressLo) + " " + HexEncode(data, length),
        &result);
}

FWAStatus SimulatorClientBus::ExecuteAVC(uint64_t session, const uint8_t* command,
                                         uint32_t commandLength, uint8_t* response,
                                         uint32_t* responseLength) {
    if (!command || commandLength == 0 || commandLength > kMaxAnswerLength / 4 || !responseLength)
        return kFWABadArgument;
    std::lock_guard<std::mutex> lock(callMutex_);
    std::vector<std::string> result;
    FWAStatus status = SessionCall(session, "avc " + HexEncode(command, commandLength), &result);
    if (status != kFWASuccess) return status;
    // Only the valid part of the answer, and only as much as the buffer holds.
    std::vector<uint8_t> bytes;
    if (result.size() == 1 && response) bytes = HexDecodePrefix(result[0], *responseLength);
    if (!bytes.empty()) std::memcpy(response, bytes.data(), bytes.size());
    *responseLength = static_cast<uint32_t>(bytes.size());
    return kFWASuccess;
}

// --- Audio side -----------------------------------------------------------------------------

OSStatus SimulatorClientBus::AudioCall(const std::string& request,
                                       std::vector<std::string>* result) {
    std::lock_guard<std::mutex> lock(callMutex_);
    int32_t status;
    if (!Call(request, &status, result)) return kAudioHardwareBadDeviceError;
    return status;
}

OSStatus SimulatorClientBus::NameCall(const std::string& request, std::string* name) {
    if (!name) return kAudioHardwareBadPropertySizeError;
    std::vector<std::string> result;
    OSStatus status = AudioCall(request, &result);
    if (status != kAudioHardwareNoError) return status;
    if (result.size() != 1) return kAudioHardwareUnspecifiedError;
    std::vector<uint8_t> bytes = HexDecodePrefix(result[0], kMaxNameBytes);
    // A name ends at its first NUL, whatever follows.
    name->assign(bytes.begin(), std::find(bytes.begin(), bytes.end(), uint8_t(0)));
    return kAudioHardwareNoError;
}

OSStatus SimulatorClientBus::NumberCall(const std::string& request, uint64_t max, uint64_t* value) {
    std::vector<std::string> result;
    OSStatus status = AudioCall(request, &result);
    if (status != kAudioHardwareNoError) return status;
    if (result.size() != 1 || !ParseUnsigned(result[0], max, value))
        return kAudioHardwareUnspecifiedError;
    return kAudioHardwareNoError;
}

OSStatus SimulatorClientBus::GetDeviceName(AudioDeviceID device, std::string* name) {
    return NameCall("name " + Number(device), name);
}

OSStatus SimulatorClientBus::GetNominalSampleRate(AudioDeviceID device, double* rate) {
    if (!rate) return kAudioHardwareBadPropertySizeError;
    uint64_t value;
    OSStatus status = NumberCall("get-rate " + Number(device), kMaxRate, &value);
    if (status == kAudioHardwareNoError) *rate = static_cast<double>(value);
    return status;
}

OSStatus SimulatorClientBus::SetNominalSampleRate(AudioDeviceID device, double rate) {
    // The device knows only whole rates.
    if (!(rate > 0 && rate <= double(kMaxRate)) || std::floor(rate) != rate)
        return kAudioDeviceUnsupportedFormatError;
    std::vector<std::string> result;
    return AudioCall("set-rate " + Number(device) + " " + Number(static_cast<uint64_t>(rate)),
                     &result);
}

OSStatus SimulatorClientBus::GetClockSource(AudioDeviceID device, uint32_t* sourceID) {
    if (!sourceID) return kAudioHardwareBadPropertySizeError;
    uint64_t value;
    OSStatus status = NumberCall("clock " + Number(device), UINT32_MAX, &value);
    if (status == kAudioHardwareNoError) *sourceID = static_cast<uint32_t>(value);
    return status;
}

OSStatus SimulatorClientBus::GetClockSourceName(AudioDeviceID device, uint32_t sourceID,
                                                std::string* name) {
    return NameCall("clock-name " + Number(device) + " " + Number(sourceID), name);
}

OSStatus SimulatorClientBus::GetIsRunningSomewhere(AudioDeviceID device, uint32_t* running) {
    if (!running) return kAudioHardwareBadPropertySizeError;
    uint64_t value;
    OSStatus status = NumberCall("running " + Number(device), UINT32_MAX, &value);
    if (status == kAudioHardwareNoError) *running = static_cast<uint32_t>(value);
    return status;
}

}  // namespace platform
