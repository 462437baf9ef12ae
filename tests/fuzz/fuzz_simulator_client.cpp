// Plays a simulator server that answers the program's client bus with arbitrary bytes. The
// input is the answers, one per request in the order they arrive, separated by '|'. An answer
// that does not end in a line break is followed by the end of that connection, so a partial
// line is what the client last reads there; when the answers run out, every further request
// ends its connection. Every call must come back with what the caller's buffers hold.

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/SimulatorClientBus.h"

namespace {

constexpr char kSeparator = '|';
// The watcher never polls during one input: the constructor's own poll is the one state
// answer, so every run of an input sends the same requests.
constexpr int kNoWatching = 3600 * 1000;

std::vector<std::string> SplitAnswers(const uint8_t* data, size_t size) {
    std::vector<std::string> answers(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == kSeparator)
            answers.emplace_back();
        else
            answers.back().push_back(char(data[i]));
    }
    return answers;
}

// Listens at a socket in a temporary folder and serves on a thread of its own for the whole
// run (threads are costly under the sanitizers); each input's answers are served from Start
// to Stop, and Stop ends every connection of that input.
class ScriptedServer {
  public:
    ScriptedServer() {
        char pattern[] = "/tmp/fuzz-simulator-client-XXXXXX";
        if (const char* made = ::mkdtemp(pattern)) folder_ = made;
        path_ = folder_ + "/sim.sock";
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
        listen_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
            ::listen(listen_, 16) || ::pipe2(wake_, O_CLOEXEC) || ::pipe2(done_, O_CLOEXEC))
            std::abort();
        // The run ends with exit(), which joins no thread; the folder goes then too.
        std::thread([this] { Serve(); }).detach();
        std::atexit([] { Instance().Remove(); });
    }

    static ScriptedServer& Instance() {
        static ScriptedServer* server = new ScriptedServer;
        return *server;
    }

    const std::string& path() const { return path_; }

    void Start(std::vector<std::string> answers) {
        std::lock_guard<std::mutex> lock(mutex_);
        answers_ = std::move(answers);
        next_ = 0;
    }

    void Stop() {
        Signal(wake_[1]);
        Await(done_[0]);
    }

  private:
    struct Connection {
        int fd;
        std::string received;
    };

    void Remove() {
        ::unlink(path_.c_str());
        ::rmdir(folder_.c_str());
    }

    void Serve() {
        for (;;) {
            std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {listen_, POLLIN, 0}};
            for (const Connection& c : connections_) fds.push_back({c.fd, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), -1) < 0) continue;
            if (fds[0].revents) {
                EndInput();
                continue;
            }
            const size_t polled = connections_.size();
            if (fds[1].revents) {
                const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0) connections_.push_back({fd, {}});
            }
            for (size_t i = 0; i < polled; ++i)
                if (fds[i + 2].revents && !Answer(connections_[i])) {
                    ::close(connections_[i].fd);
                    connections_[i].fd = -1;
                }
            std::erase_if(connections_, [](const Connection& c) { return c.fd < 0; });
        }
    }

    void EndInput() {
        Await(wake_[0]);
        for (Connection& c : connections_) ::close(c.fd);
        connections_.clear();
        // Connections that were never accepted belong to this input too.
        for (int fd; (fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) ::close(fd);
        Signal(done_[1]);
    }

    // One byte through a pipe. libFuzzer's alarm signal may interrupt either end.
    static void Signal(int fd) {
        const char byte = 1;
        ssize_t n;
        while ((n = ::write(fd, &byte, 1)) < 0 && errno == EINTR) {}
        if (n != 1) std::abort();
    }
    static void Await(int fd) {
        char byte;
        ssize_t n;
        while ((n = ::read(fd, &byte, 1)) < 0 && errno == EINTR) {}
        if (n != 1) std::abort();
    }

    // Answers every whole request received; false when the connection is to end.
    bool Answer(Connection& c) {
        char chunk[4096];
        const ssize_t n = ::recv(c.fd, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        c.received.append(chunk, size_t(n));
        std::lock_guard<std::mutex> lock(mutex_);
        for (size_t end; (end = c.received.find('\n')) != std::string::npos;) {
            c.received.erase(0, end + 1);
            if (next_ == answers_.size()) return false;
            const std::string& answer = answers_[next_++];
            if (!answer.empty() &&
                ::send(c.fd, answer.data(), answer.size(), MSG_NOSIGNAL) != ssize_t(answer.size()))
                return false;
            if (answer.empty() || answer.back() != '\n') return false;
        }
        return true;
    }

    std::string folder_;
    std::string path_;
    int listen_ = -1;
    int wake_[2] = {-1, -1};
    int done_[2] = {-1, -1};
    std::vector<Connection> connections_;  // the serving thread's own

    std::mutex mutex_;  // the answers
    std::vector<std::string> answers_;
    size_t next_ = 0;
};

// A buffer of exactly size bytes on the heap, so AddressSanitizer sees any write past it.
std::unique_ptr<uint8_t[]> ExactBuffer(size_t size) {
    return std::unique_ptr<uint8_t[]>(new uint8_t[size]);
}

void CheckName(OSStatus status, const std::string& name) {
    if (status == 0 && (name.size() > 255 || name.find('\0') != std::string::npos)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ScriptedServer& server = ScriptedServer::Instance();
    server.Start(SplitAnswers(data, size));
    {
        platform::SimulatorClientBus bus(server.path(), kNoWatching);
        bus.Presence();

        uint64_t session = 0;
        bus.FireWireOpen(0xFFC0, &session);
        uint8_t quadlet[4] = {};
        bus.ReadQuadlet(session, 1, 0, quadlet);
        bus.WriteQuadlet(session, 1, 4, quadlet);
        const uint8_t block[8] = {0, 0, 0, 10, 0, 0, 0x7F, 0xFF};
        bus.WriteBlock(session, 1, 0x10000, block, sizeof block);
        const uint8_t command[8] = {0x01, 0xFF, 0x00, 0x0A, 0x7E, 0x57, 0x00, 0x00};
        for (uint32_t room : {0u, 3u, 24u}) {
            auto response = ExactBuffer(room);
            uint32_t length = room;
            if (bus.ExecuteAVC(session, command, sizeof command, response.get(), &length) == 0 &&
                length > room)
                std::abort();
        }
        bus.FireWireClose(session);

        std::string name;
        CheckName(bus.GetDeviceName(0x4D4C, &name), name);
        double rate = 0;
        if (bus.GetNominalSampleRate(0x4D4C, &rate) == 0 && !(rate >= 0 && rate <= 1e7))
            std::abort();
        bus.SetNominalSampleRate(0x4D4C, 48000);
        uint32_t source = 0;
        bus.GetClockSource(0x4D4C, &source);
        CheckName(bus.GetClockSourceName(0x4D4C, source, &name), name);
        uint32_t running = 0;
        bus.GetIsRunningSomewhere(0x4D4C, &running);
    }
    server.Stop();
    return 0;
}
