#include "devsim/RequestHandler.h"

#include <cstdio>

#include "platform/sim/SimulatorSocket.h"

namespace devsim {
namespace {

using platform::HexDecodePrefix;
using platform::HexEncode;
using platform::ParseSigned32;
using platform::ParseUnsigned;
using Words = std::vector<std::string>;
using Lines = std::vector<std::string>;

std::string Status(int32_t status) {
    return std::to_string(status);
}

Lines Answer(int32_t status, const std::string& result = {}) {
    return {result.empty() ? Status(status) : Status(status) + " " + result};
}

Lines BadRequest() {
    return Answer(kFWABadArgument);
}

Lines List(const std::vector<RegisterWrite>& entries) {
    Lines lines{"0 " + std::to_string(entries.size())};
    for (const RegisterWrite& e : entries)
        lines.push_back(std::to_string(e.id) + " " + std::to_string(e.value));
    return lines;
}

// Byte strings from a request must decode whole.
bool DecodeAll(const std::string& hex, size_t maxBytes, std::vector<uint8_t>* bytes) {
    if (hex.size() % 2 != 0 || hex.size() / 2 > maxBytes) return false;
    *bytes = HexDecodePrefix(hex, maxBytes);
    return bytes->size() * 2 == hex.size();
}

std::string HexName(const std::string& name) {
    return HexEncode(reinterpret_cast<const uint8_t*>(name.data()), name.size());
}

}  // namespace

RequestHandler::RequestHandler(DeviceModel& model) : model_(model) {
    model_.SetListener(this);
}

RequestHandler::~RequestHandler() {
    model_.SetListener(nullptr);
}

void RequestHandler::AudioPropertyChanged(AudioDeviceID, AudioPropertyID property) {
    if (property == kAudioDevicePropertyNominalSampleRate) ++rateChanges_;
    if (property == kAudioDevicePropertyClockSource) ++clockChanges_;
    if (property == kAudioDevicePropertyDeviceIsRunningSomewhere) ++inUseChanges_;
}

std::vector<std::string> RequestHandler::Handle(const std::string& request) {
    const Words w = platform::SplitWords(request);
    if (w.empty()) return BadRequest();
    const std::string& verb = w[0];
    const size_t n = w.size();
    uint64_t a = 0, b = 0, c = 0;

    // --- Bus requests ---
    if (verb == "state" && n == 1) {
        platform::BusPresence p = model_.Presence();
        char line[200];
        std::snprintf(line, sizeof line, "%d %llu %llu %llu %llu %llu %llu %llu",
                      p.fireWirePresent ? 1 : 0, (unsigned long long)p.nodeID,
                      (unsigned long long)p.guid, (unsigned long long)p.audioDevice,
                      (unsigned long long)p.generation, (unsigned long long)rateChanges_.load(),
                      (unsigned long long)clockChanges_.load(),
                      (unsigned long long)inUseChanges_.load());
        return Answer(0, line);
    }
    if (verb == "open" && n == 2 && ParseUnsigned(w[1], UINT32_MAX, &a)) {
        uint64_t session = 0;
        FWAStatus s = model_.Open(static_cast<uint32_t>(a), &session);
        return s ? Answer(s) : Answer(0, std::to_string(session));
    }
    if (verb == "close" && n == 2 && ParseUnsigned(w[1], UINT64_MAX, &a)) return Answer(0);
    if (verb == "read" && n == 4 && ParseUnsigned(w[1], UINT64_MAX, &a) &&
        ParseUnsigned(w[2], 0xFFFF, &b) && ParseUnsigned(w[3], UINT32_MAX, &c)) {
        uint8_t bytes[4];
        FWAStatus s = model_.ReadQuadlet(a, uint16_t(b), uint32_t(c), bytes);
        return s ? Answer(s) : Answer(0, HexEncode(bytes, 4));
    }
    std::vector<uint8_t> data;
    if (verb == "write" && n == 5 && ParseUnsigned(w[1], UINT64_MAX, &a) &&
        ParseUnsigned(w[2], 0xFFFF, &b) && ParseUnsigned(w[3], UINT32_MAX, &c) &&
        w[4].size() == 8 && DecodeAll(w[4], 4, &data))
        return Answer(model_.WriteQuadlet(a, uint16_t(b), uint32_t(c), data.data()));
    if (verb == "block" && n == 5 && ParseUnsigned(w[1], UINT64_MAX, &a) &&
        ParseUnsigned(w[2], 0xFFFF, &b) && ParseUnsigned(w[3], UINT32_MAX, &c) &&
        DecodeAll(w[4], kMaxBlockBytes, &data) && !data.empty())
        return Answer(model_.WriteBlock(a, uint16_t(b), uint32_t(c), data.data(),
                                        static_cast<uint32_t>(data.size())));
    if (verb == "avc" && n == 3 && ParseUnsigned(w[1], UINT64_MAX, &a) &&
        DecodeAll(w[2], kMaxAVCFrameBytes, &data) && !data.empty()) {
        std::vector<uint8_t> response;
        FWAStatus s =
            model_.ExecuteAVC(a, data.data(), static_cast<uint32_t>(data.size()), &response);
        return s ? Answer(s) : Answer(0, HexEncode(response.data(), response.size()));
    }
    if (verb == "name" && n == 2 && ParseUnsigned(w[1], UINT32_MAX, &a)) {
        std::string name;
        OSStatus s = model_.GetDeviceName(AudioDeviceID(a), &name);
        return s ? Answer(s) : Answer(0, HexName(name));
    }
    if (verb == "clock-name" && n == 3 && ParseUnsigned(w[1], UINT32_MAX, &a) &&
        ParseUnsigned(w[2], UINT32_MAX, &b)) {
        std::string name;
        OSStatus s = model_.GetClockSourceName(AudioDeviceID(a), uint32_t(b), &name);
        return s ? Answer(s) : Answer(0, HexName(name));
    }
    if (verb == "get-rate" && n == 2 && ParseUnsigned(w[1], UINT32_MAX, &a)) {
        double rate = 0;
        OSStatus s = model_.GetNominalSampleRate(AudioDeviceID(a), &rate);
        return s ? Answer(s) : Answer(0, std::to_string(static_cast<uint64_t>(rate)));
    }
    if (verb == "set-rate" && n == 3 && ParseUnsigned(w[1], UINT32_MAX, &a) &&
        ParseUnsigned(w[2], UINT32_MAX, &b))
        return Answer(model_.SetNominalSampleRate(AudioDeviceID(a), double(b)));
    if (verb == "clock" && n == 2 && ParseUnsigned(w[1], UINT32_MAX, &a)) {
        uint32_t source = 0;
        OSStatus s = model_.GetClockSource(AudioDeviceID(a), &source);
        return s ? Answer(s) : Answer(0, std::to_string(source));
    }
    if (verb == "running" && n == 2 && ParseUnsigned(w[1], UINT32_MAX, &a)) {
        uint32_t running = 0;
        OSStatus s = model_.GetIsRunningSomewhere(AudioDeviceID(a), &running);
        return s ? Answer(s) : Answer(0, std::to_string(running));
    }

    // --- Control requests ---
    if (n == 1 && verb == "plug") return model_.Plug(), Answer(0);
    if (n == 1 && verb == "unplug") return model_.Unplug(), Answer(0);
    if (n == 1 && verb == "power-cycle") return model_.PowerCycle(), Answer(0);
    if (verb == "firmware" && n == 2 && ParseUnsigned(w[1], 0xFFFF, &a))
        return model_.SetFirmwareBuild(uint16_t(a)), Answer(0);
    int32_t code = 0;
    if (verb == "fail" && n == 3 && ParseUnsigned(w[1], UINT32_MAX, &a) &&
        ParseSigned32(w[2], &code) && code != 0)
        return model_.FailNextAccesses(uint32_t(a), code), Answer(0);
    if (verb == "meter" && n == 3 && ParseUnsigned(w[1], kLastMeterRegister, &a) &&
        a >= kFirstMeterRegister && ParseUnsigned(w[2], UINT32_MAX, &b))
        return model_.SetMeter(uint32_t(a), uint32_t(b)), Answer(0);
    if (verb == "external" && n == 2 && ParseUnsigned(w[1], 10000000, &a))
        return model_.SetExternalInput(uint32_t(a)), Answer(0);
    if (verb == "in-use" && n == 2 && ParseUnsigned(w[1], 1, &a))
        return model_.SetInUse(a != 0), Answer(0);
    if (verb == "rate" && n == 1) return Answer(0, std::to_string(model_.NominalRate()));
    if (verb == "rate" && n == 2 && ParseUnsigned(w[1], UINT32_MAX, &a)) {
        if (!model_.IsPlugged()) return Answer(kAudioHardwareBadDeviceError);
        if (!IsSupportedRate(double(a))) return Answer(kAudioDeviceUnsupportedFormatError);
        return Answer(model_.SetRateFromOutside(uint32_t(a)) ? 0 : kAudioHardwareUnspecifiedError);
    }
    if (verb == "reg" && n == 2 && ParseUnsigned(w[1], kRegisterCount - 1, &a)) {
        uint32_t value = 0;
        model_.Register(uint32_t(a), &value);
        return Answer(0, std::to_string(value));
    }
    if (verb == "regs" && n == 1) {
        std::vector<uint32_t> values = model_.Registers();
        std::vector<RegisterWrite> entries;
        for (uint32_t r = 0; r < values.size(); ++r) entries.push_back({r, values[r]});
        return List(entries);
    }
    if (verb == "writes" && n == 1) return List(model_.Writes());
    if (verb == "writes-clear" && n == 1) return List(model_.TakeWrites());
    return BadRequest();
}

}  // namespace devsim
