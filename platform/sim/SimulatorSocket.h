#pragma once
// The simulated MirovanLE's socket: where it lives, and line-based talk over it with time-outs.
// The server, the program's client bus and the mirovan-devsim command all use these.
//
// Talk is one request line of words, answered by one line that starts with a status word
// (decimal, 0 for success) followed by the result's words; an answer that is a list gives its
// count as its first result and then that many lines.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// $MIROVANLE_SIM_SOCKET, else $XDG_RUNTIME_DIR/mirovanle-sim.sock, else
// /tmp/mirovanle-sim-<uid>.sock. Empty variables count as unset.
std::string SimulatorSocketPath();

// One connected stream socket and what has been read from it but not yet taken.
class LineChannel {
  public:
    LineChannel() = default;
    explicit LineChannel(int fd) : fd_(fd) {}
    ~LineChannel();
    LineChannel(const LineChannel&) = delete;
    LineChannel& operator=(const LineChannel&) = delete;

    // Connects to the socket at path, giving up after timeoutMs. False when nobody answers.
    bool Connect(const std::string& path, int timeoutMs);
    bool IsOpen() const { return fd_ >= 0; }
    void Close();
    int fd() const { return fd_; }

    // Sends line and a newline, within timeoutMs.
    bool SendLine(const std::string& line, int timeoutMs);
    // Reads the next line (without its newline), waiting at most timeoutMs. Fails, and closes
    // the channel, on time-out, end of stream, or a line longer than maxLength.
    bool ReadLine(std::string* line, int timeoutMs, size_t maxLength);
    // Takes a line already buffered, without reading; false when none is complete. Used by a
    // server that reads when poll says so.
    bool TakeBufferedLine(std::string* line);
    // Reads what the socket has now into the buffer; false on end of stream or error.
    bool ReadAvailable();
    size_t Buffered() const { return buffer_.size(); }

  private:
    int fd_ = -1;
    std::string buffer_;
};

// Splits a line at spaces.
std::vector<std::string> SplitWords(const std::string& line);

// Parsers that accept the whole word or nothing. Numbers are decimal, or hexadecimal after 0x.
bool ParseUnsigned(const std::string& word, uint64_t max, uint64_t* value);
bool ParseSigned32(const std::string& word, int32_t* value);

// Bytes as lower-case hex digits, and back. Decoding stops at the first character that is
// not part of a whole hex byte and returns the bytes before it.
std::string HexEncode(const uint8_t* data, size_t length);
std::vector<uint8_t> HexDecodePrefix(const std::string& text, size_t maxBytes);

}  // namespace platform
