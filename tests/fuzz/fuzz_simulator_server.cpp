// Sends arbitrary bytes to the simulated device as a client would: the server's own line
// channel splits them into requests and the request handler answers each over a fresh device
// model. Every answer must be one the program's client can read, and the device must still
// answer its state afterwards, whatever the requests did to it.

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "devsim/DeviceModel.h"
#include "devsim/RequestHandler.h"
#include "platform/sim/SimulatorSocket.h"

namespace {

// As the server: longer requests drop the client.
constexpr size_t kMaxRequestLength = 16 * 1024;
// The longest first line the program's client reads.
constexpr size_t kMaxAnswerLength = 64 * 1024;

// An answer's first line starts with a status; a list gives its count and then that many
// lines. No line may hold a line break.
void CheckAnswer(const std::vector<std::string>& lines) {
    if (lines.empty() || lines[0].size() > kMaxAnswerLength) std::abort();
    for (const std::string& line : lines)
        if (line.find('\n') != std::string::npos) std::abort();
    const std::vector<std::string> words = platform::SplitWords(lines[0]);
    int32_t status;
    if (words.empty() || !platform::ParseSigned32(words[0], &status)) std::abort();
    uint64_t count;
    if (lines.size() > 1 &&
        (words.size() != 2 || !platform::ParseUnsigned(words[1], UINT64_MAX, &count) ||
         count != lines.size() - 1))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return 0;
    platform::LineChannel client(ends[0]);
    platform::LineChannel server(ends[1]);
    // The input fits the socket's buffer (libFuzzer's inputs are a few kilobytes).
    if (size > 0 && ::send(client.fd(), data, size, MSG_DONTWAIT) != ssize_t(size)) return 0;
    client.Close();  // so the server reads everything up to the end of the stream

    devsim::DeviceModel model;
    devsim::RequestHandler handler(model);
    for (;;) {
        const bool open = server.ReadAvailable();
        std::string request;
        bool dropped = false;
        while (server.TakeBufferedLine(&request)) {
            if (request.size() > kMaxRequestLength) {
                dropped = true;
                break;
            }
            CheckAnswer(handler.Handle(request));
        }
        if (!open || dropped || server.Buffered() > kMaxRequestLength) break;
    }

    const std::vector<std::string> state = handler.Handle("state");
    CheckAnswer(state);
    if (state.size() != 1 || platform::SplitWords(state[0]).size() != 9 || state[0][0] != '0')
        std::abort();
    return 0;
}
