#include "platform/sim/SimulatorSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for the events on fd until the deadline; false on time-out or error.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        int n = ::poll(&p, 1, RemainingMs(deadline));
        if (n > 0) return (p.revents & (events | POLLHUP | POLLERR)) != 0;
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

const char* NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string SimulatorSocketPath() {
    if (const char* path = NonEmptyEnv("MIROVANLE_SIM_SOCKET")) return path;
    if (const char* dir = NonEmptyEnv("XDG_RUNTIME_DIR"))
        return std::string(dir) + "/mirovanle-sim.sock";
    return "/tmp/mirovanle-sim-" + std::to_string(::getuid()) + ".sock";
}

LineChannel::~LineChannel() {
    Close();
}

void LineChannel::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    buffer_.clear();
}

bool LineChannel::Connect(const std::string& path, int timeoutMs) {
    Close();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int r = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    if (r != 0 && (errno == EINPROGRESS || errno == EAGAIN)) {
        int error = 0;
        socklen_t size = sizeof error;
        if (WaitFor(fd, POLLOUT, deadline) &&
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0)
            r = 0;
    }
    if (r != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool LineChannel::SendLine(const std::string& line, int timeoutMs) {
    if (fd_ < 0) return false;
    std::string data = line + "\n";
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n =
            ::send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (!WaitFor(fd_, POLLOUT, deadline)) {
                Close();
                return false;
            }
        } else {
            Close();
            return false;
        }
    }
    return true;
}

bool LineChannel::TakeBufferedLine(std::string* line) {
    size_t end = buffer_.find('\n');
    if (end == std::string::npos) return false;
    line->assign(buffer_, 0, end);
    buffer_.erase(0, end + 1);
    return true;
}

bool LineChannel::ReadAvailable() {
    if (fd_ < 0) return false;
    char chunk[4096];
    for (;;) {
        ssize_t n = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) {
            buffer_.append(chunk, static_cast<size_t>(n));
            if (static_cast<size_t>(n) < sizeof chunk) return true;
        } else if (n == 0) {
            return false;
        } else {
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        }
    }
}

bool LineChannel::ReadLine(std::string* line, int timeoutMs, size_t maxLength) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        size_t end = buffer_.find('\n');
        if (end != std::string::npos && end <= maxLength) return TakeBufferedLine(line);
        if (end != std::string::npos || buffer_.size() > maxLength || fd_ < 0 ||
            !WaitFor(fd_, POLLIN, deadline) || !ReadAvailable()) {
            Close();
            return false;
        }
    }
}

std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

bool ParseUnsigned(const std::string& word, uint64_t max, uint64_t* value) {
    if (word.empty() || word.size() > 20) return false;
    int base = 10;
    size_t i = 0;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        base = 16;
        i = 2;
    }
    uint64_t v = 0;
    for (; i < word.size(); ++i) {
        int d = HexDigit(word[i]);
        if (d < 0 || d >= base) return false;
        if (v > (UINT64_MAX - d) / base) return false;
        v = v * base + d;
    }
    if (v > max) return false;
    *value = v;
    return true;
}

bool ParseSigned32(const std::string& word, int32_t* value) {
    uint64_t v;
    if (!word.empty() && word[0] == '-') {
        if (!ParseUnsigned(word.substr(1), 0x80000000ULL, &v)) return false;
        *value = static_cast<int32_t>(-static_cast<int64_t>(v));
        return true;
    }
    // Hexadecimal takes the whole 32-bit range, so status codes can be written as 0xE00002D6.
    bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
    if (!ParseUnsigned(word, hex ? 0xFFFFFFFFULL : 0x7FFFFFFFULL, &v)) return false;
    *value = static_cast<int32_t>(static_cast<uint32_t>(v));
    return true;
}

std::string HexEncode(const uint8_t* data, size_t length) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(length * 2);
    for (size_t i = 0; i < length; ++i) {
        text.push_back(kDigits[data[i] >> 4]);
        text.push_back(kDigits[data[i] & 0xF]);
    }
    return text;
}

std::vector<uint8_t> HexDecodePrefix(const std::string& text, size_t maxBytes) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < text.size() && bytes.size() < maxBytes; i += 2) {
        int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) break;
        bytes.push_back(static_cast<uint8_t>(hi << 4 | lo));
    }
    return bytes;
}

}  // namespace platform
