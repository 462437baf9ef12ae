#include "platform/linux/ProcAsoundText.h"

namespace platform {
namespace {

// No sound card runs faster; a larger number is garbage.
constexpr uint32_t kMaxRate = 10000000;
// Linux's largest pid (PID_MAX_LIMIT).
constexpr uint32_t kMaxPid = 4194304;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Takes the next line of `text`, without its newline.
std::string_view NextLine(std::string_view& text) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return line;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Reads the decimal number at the start of `s` up to `max`; false without digits or beyond max.
bool LeadingNumber(std::string_view s, uint32_t max, uint32_t* value) {
    uint64_t n = 0;
    size_t digits = 0;
    while (digits < s.size() && s[digits] >= '0' && s[digits] <= '9') {
        n = n * 10 + uint64_t(s[digits] - '0');
        if (n > max) return false;
        ++digits;
    }
    if (digits == 0) return false;
    *value = static_cast<uint32_t>(n);
    return true;
}

// The value of a "key   : value" line, when the line has that key.
bool Field(std::string_view line, std::string_view key, std::string_view* value) {
    if (line.substr(0, key.size()) != key) return false;
    line = Trimmed(line.substr(key.size()));
    if (line.empty() || line.front() != ':') return false;
    *value = Trimmed(line.substr(1));
    return true;
}

}  // namespace

SubstreamStatus ParseSubstreamStatus(std::string_view text) {
    SubstreamStatus status;
    std::string_view rest = text;
    const std::string_view first = Trimmed(NextLine(rest));
    if (first.empty() && rest.empty()) return status;
    if (first == "closed") return status;
    status.held = true;
    for (rest = text; !rest.empty();) {
        std::string_view value;
        uint32_t pid;
        if (Field(NextLine(rest), "owner_pid", &value) && LeadingNumber(value, kMaxPid, &pid)) {
            status.ownerPid = static_cast<int>(pid);
            break;
        }
    }
    return status;
}

uint32_t ParseHwParamsRate(std::string_view text) {
    while (!text.empty()) {
        std::string_view value;
        uint32_t rate;
        if (Field(NextLine(text), "rate", &value))
            return LeadingNumber(value, kMaxRate, &rate) ? rate : 0;
    }
    return 0;
}

bool ParseNumberedName(std::string_view name, std::string_view prefix, int* number) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return false;
    const std::string_view digits = name.substr(prefix.size());
    uint32_t value;
    if (!LeadingNumber(digits, kMaxNameNumber, &value)) return false;
    // Every character a digit, and no leading zero: "card01" is not a card's folder.
    for (char c : digits)
        if (c < '0' || c > '9') return false;
    if (digits.size() > 1 && digits.front() == '0') return false;
    *number = static_cast<int>(value);
    return true;
}

bool ParsePcmFolderName(std::string_view name, int* device, bool* capture) {
    if (name.size() < 2) return false;
    const char side = name.back();
    if (side != 'p' && side != 'c') return false;
    if (!ParseNumberedName(name.substr(0, name.size() - 1), "pcm", device)) return false;
    *capture = side == 'c';
    return true;
}

}  // namespace platform
