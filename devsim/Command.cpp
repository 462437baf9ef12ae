#include "devsim/Command.h"

#include <cstdio>

#include "devsim/DeviceModel.h"
#include "platform/sim/SimulatorSocket.h"

namespace devsim {
namespace {

using platform::ParseSigned32;
using platform::ParseUnsigned;

constexpr int kConnectTimeoutMs = 2000;
constexpr int kAnswerTimeoutMs = 5000;
constexpr size_t kMaxLineLength = 4096;
constexpr uint64_t kMaxListLength = 4u << 20;

std::string Hex32(uint64_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

// One request and its answer; list answers come back with their lines.
class Exchange {
  public:
    Exchange(const std::string& path, std::ostream& err) : path_(path), err_(err) {}

    bool Send(const std::string& request, int32_t* status, std::vector<std::string>* result,
              std::vector<std::string>* listLines = nullptr) {
        if (!channel_.Connect(path_, kConnectTimeoutMs))
            return Fail("no simulator answers at " + path_ +
                        " (start it with: mirovan-devsim serve)");
        std::string line;
        if (!channel_.SendLine(request, kAnswerTimeoutMs) ||
            !channel_.ReadLine(&line, kAnswerTimeoutMs, kMaxLineLength))
            return Fail("the simulator did not answer");
        std::vector<std::string> words = platform::SplitWords(line);
        if (words.empty() || !ParseSigned32(words[0], status))
            return Fail("the simulator's answer is malformed");
        result->assign(words.begin() + 1, words.end());
        if (!listLines || *status != 0) return true;
        uint64_t count;
        if (result->size() != 1 || !ParseUnsigned((*result)[0], kMaxListLength, &count))
            return Fail("the simulator's answer is malformed");
        for (uint64_t i = 0; i < count; ++i) {
            if (!channel_.ReadLine(&line, kAnswerTimeoutMs, kMaxLineLength))
                return Fail("the simulator's list ended early");
            listLines->push_back(line);
        }
        return true;
    }

    bool Fail(const std::string& message) {
        err_ << "mirovan-devsim: " << message << "\n";
        return false;
    }

  private:
    const std::string& path_;
    std::ostream& err_;
    platform::LineChannel channel_;
};

std::string DescribeStatus(int32_t status) {
    switch (status) {
        case kFWABadArgument: return "the simulator refused the request";
        case kAudioHardwareBadDeviceError: return "the device is unplugged";
        case kAudioDeviceUnsupportedFormatError:
            return "the rate is not supported (44100, 48000, 88200, 96000)";
        default: return "the simulator answered with error " + Hex32(static_cast<uint32_t>(status));
    }
}

int Usage(std::ostream& err, const std::string& problem) {
    err << "mirovan-devsim: " << problem << "\n" << CommandUsage();
    return 1;
}

}  // namespace

const char* CommandUsage() {
    return "usage: mirovan-devsim serve [--firmware BUILD] [--rate HZ]\n"
           "       mirovan-devsim unplug | plug | power-cycle\n"
           "       mirovan-devsim reg N | regs | writes [--clear]\n"
           "       mirovan-devsim firmware BUILD | fail COUNT [CODE]\n"
           "       mirovan-devsim meter REG VALUE | external RATE|none | in-use 0|1 | rate [HZ]\n";
}

int RunControlCommand(const std::vector<std::string>& args, const std::string& socketPath,
                      std::ostream& out, std::ostream& err) {
    if (args.empty()) return Usage(err, "no sub-command given");
    const std::string& verb = args[0];
    const size_t n = args.size();
    uint64_t a = 0, b = 0;
    int32_t code = kFWATimeout;

    // The request to send and what to print once it succeeded.
    std::string request;
    std::string confirmation;
    enum class Shape { Plain, Value, Registers } shape = Shape::Plain;

    if ((verb == "unplug" || verb == "plug" || verb == "power-cycle") && n == 1) {
        request = verb;
        confirmation = verb == "unplug" ? "unplugged" : verb == "plug" ? "plugged" : "power-cycled";
    } else if (verb == "reg" && n == 2) {
        if (!ParseUnsigned(args[1], kRegisterCount - 1, &a))
            return Usage(err, "register must be a number from 0 to 114: " + args[1]);
        request = "reg " + std::to_string(a);
        shape = Shape::Value;
    } else if (verb == "regs" && n == 1) {
        request = "regs";
        shape = Shape::Registers;
    } else if (verb == "writes" && (n == 1 || (n == 2 && args[1] == "--clear"))) {
        request = n == 1 ? "writes" : "writes-clear";
        shape = Shape::Registers;
    } else if (verb == "firmware" && n == 2) {
        if (!ParseUnsigned(args[1], 0xFFFF, &a))
            return Usage(err, "firmware build must be a number from 0 to 65535: " + args[1]);
        request = "firmware " + std::to_string(a);
        confirmation = "firmware build " + std::to_string(a) + " from the next plug";
    } else if (verb == "fail" && (n == 2 || n == 3)) {
        if (!ParseUnsigned(args[1], 1000000, &a))
            return Usage(err, "count must be a number from 0 to 1000000: " + args[1]);
        if (n == 3 && (!ParseSigned32(args[2], &code) || code == 0))
            return Usage(err, "code must be a nonzero 32-bit number: " + args[2]);
        request = "fail " + std::to_string(a) + " " + std::to_string(code);
        confirmation =
            "the next " + std::to_string(a) + " accesses fail with " + Hex32(uint32_t(code));
    } else if (verb == "meter" && n == 3) {
        if (!ParseUnsigned(args[1], kLastMeterRegister, &a) || a < kFirstMeterRegister)
            return Usage(err, "meter register must be a number from 90 to 103: " + args[1]);
        if (!ParseUnsigned(args[2], UINT32_MAX, &b))
            return Usage(err, "meter value must be a 32-bit number: " + args[2]);
        request = "meter " + std::to_string(a) + " " + std::to_string(b);
        confirmation = "meter " + std::to_string(a) + " " + Hex32(b);
    } else if (verb == "external" && n == 2) {
        if (args[1] == "none") {
            a = 0;
        } else if (!ParseUnsigned(args[1], 10000000, &a) || a == 0) {
            return Usage(err, "external rate must be a rate in Hz or none: " + args[1]);
        }
        request = "external " + std::to_string(a);
        confirmation = "external " + (a ? std::to_string(a) : std::string("none"));
    } else if (verb == "in-use" && n == 2) {
        if (args[1] != "0" && args[1] != "1") return Usage(err, "in-use takes 0 or 1: " + args[1]);
        request = "in-use " + args[1];
        confirmation = "in-use " + args[1];
    } else if (verb == "rate" && n == 1) {
        request = "rate";
        shape = Shape::Value;
    } else if (verb == "rate" && n == 2) {
        if (!ParseUnsigned(args[1], 10000000, &a) || !IsSupportedRate(double(a)))
            return Usage(err, "rate must be one of 44100, 48000, 88200, 96000: " + args[1]);
        request = "rate " + std::to_string(a);
        confirmation = "rate " + std::to_string(a);
    } else {
        return Usage(err, "unknown sub-command or wrong arguments: " + verb);
    }

    Exchange exchange(socketPath, err);
    int32_t status = 0;
    std::vector<std::string> result, lines;
    if (!exchange.Send(request, &status, &result, shape == Shape::Registers ? &lines : nullptr))
        return 1;
    if (status != 0) return exchange.Fail(DescribeStatus(status)), 1;

    switch (shape) {
        case Shape::Plain: out << confirmation << "\n"; break;
        case Shape::Value:
            if (result.size() != 1 || !ParseUnsigned(result[0], UINT32_MAX, &a))
                return exchange.Fail("the simulator's answer is malformed"), 1;
            out << (verb == "rate" ? std::to_string(a) : Hex32(a)) << "\n";
            break;
        case Shape::Registers:
            for (const std::string& line : lines) {
                std::vector<std::string> w = platform::SplitWords(line);
                if (w.size() != 2 || !ParseUnsigned(w[0], kRegisterCount - 1, &a) ||
                    !ParseUnsigned(w[1], UINT32_MAX, &b))
                    return exchange.Fail("the simulator's answer is malformed"), 1;
                out << a << " " << Hex32(b) << "\n";
            }
            break;
    }
    return 0;
}

}  // namespace devsim
