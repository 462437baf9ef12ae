#include "platform/wx/DocumentHandOver.h"

#include <glib-unix.h>
#include <glib.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <thread>

#include "platform/HandOverProtocol.h"
#include "platform/HandOverServer.h"
#include "platform/PrivateSocket.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

const char kSocketName[] = "mirovan-control.sock";
// A receiver that does not listen, or whose socket file was taken away, tries again this often.
constexpr guint kListenRetrySeconds = 1;

std::string AbsolutePath(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char* folder = ::getcwd(nullptr, 0);
    if (!folder) return std::string();
    std::string absolute = std::string(folder) + "/" + path;
    std::free(folder);
    return absolute;
}

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for events on fd until the deadline; false on time-out or error.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, RemainingMs(deadline));
        if (n > 0) return true;
        if (n == 0 || errno != EINTR) return false;
    }
}

// The second process's connection, closed when the hand-over ends however it ends.
class Connection {
  public:
    Connection() : fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {}
    ~Connection() {
        if (fd >= 0) ::close(fd);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Nothing once connected; otherwise how the hand-over ends. A listening copy whose queue
    // is full refuses a connection at once; it is asked again until the deadline.
    std::optional<HandOver> Connect(const std::string& socket, Clock::time_point deadline) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (fd < 0 || socket.size() >= sizeof address.sun_path) return HandOver::NoCopy;
        std::memcpy(address.sun_path, socket.c_str(), socket.size() + 1);
        for (;;) {
            if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
                return std::nullopt;
            if (errno == EINTR) continue;
            if (errno != EAGAIN) return HandOver::NoCopy;  // the copy has ended meanwhile
            if (Clock::now() >= deadline) return HandOver::Unanswered;
            std::this_thread::sleep_for(kHandOverRetry);
        }
    }

    bool Send(const std::string& bytes, Clock::time_point deadline) {
        size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n > 0) {
                sent += static_cast<size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && errno == EAGAIN) {
                if (!WaitFor(fd, POLLOUT, deadline)) return false;
            } else {
                return false;
            }
        }
        return true;
    }

    HandOver Answer(Clock::time_point deadline) {
        for (;;) {
            if (!WaitFor(fd, POLLIN, deadline)) return HandOver::Unanswered;
            char answer = 0;
            const ssize_t n = ::recv(fd, &answer, 1, 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n == 1 && answer == handover::kTaken) return HandOver::Taken;
            if (n == 1 && answer == handover::kRefused) return HandOver::Refused;
            // Closed without an answer: the copy dropped this connection.
            return HandOver::Unanswered;
        }
    }

  private:
    int fd;
};

// What a second process says on standard error when the running copy did not take its file:
// one line, so control characters in the name are shown as "?".
void Report(HandOver handOver, const std::string& path) {
    if (handOver == HandOver::Unanswered) {
        std::fputs("mirovan-control: the running copy did not take the file; giving up\n", stderr);
    } else if (handOver == HandOver::Refused) {
        std::string shown = path;
        for (char& c : shown)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
        std::fprintf(stderr,
                     "mirovan-control: \"%s\" was not accepted: the running copy cannot open it\n",
                     shown.c_str());
    }
}

}  // namespace

std::string HandOverSocketIn(const std::string& folder) {
    return folder.empty() ? std::string() : folder + "/" + kSocketName;
}

std::string EarlierHandOverSocket() {
    return HandOverSocketIn(PrivateRuntimeFolder());
}

bool RunningCopyListens(const std::string& socket) {
    // Only this user's socket is ever spoken to.
    return !socket.empty() && ProbeSocket(socket) == SocketProbe::Answers;
}

namespace {

HandOver TryHandOver(const std::string& socket, const std::string& path) {
    if (!RunningCopyListens(socket)) return HandOver::NoCopy;
    const std::string absolute = AbsolutePath(path);
    // A path that cannot be sent is one that the running copy could not open either.
    if (absolute.empty() || absolute.size() > handover::kMaxPathBytes) return HandOver::Refused;

    const Clock::time_point deadline = Clock::now() + kHandOverTime;
    Connection connection;
    if (const auto failed = connection.Connect(socket, deadline)) return *failed;
    if (!connection.Send(absolute + handover::kTerminator, deadline)) return HandOver::Unanswered;
    return connection.Answer(deadline);
}

}  // namespace

HandOver HandDocumentToRunningCopy(const std::string& socket, const std::string& path) {
    const HandOver handOver = TryHandOver(socket, path);
    Report(handOver, path);
    return handOver;
}

// The server's descriptors and deadline as GLib sources of the main context, which the
// toolkit's event loop runs (modal dialogs' loops too).
class DocumentReceiver::Sources : public HandOverServer::Watcher {
  public:
    Sources(const std::string& socket, std::function<void(const std::string&)> open)
        : socket(socket), server(std::make_unique<HandOverServer>(this, std::move(open))) {
        server->Listen(socket);
        // So that the copy that runs always takes documents: a socket that another copy
        // held at first, or that was removed meanwhile, is listened on as soon as it can be.
        listenRetry = g_timeout_add_seconds(kListenRetrySeconds, &OnListenRetry, this);
    }

    ~Sources() override {
        server.reset();  // unwatches everything it watched
        if (timeout) g_source_remove(timeout);
        g_source_remove(listenRetry);
    }

    void Watch(int fd) override { watches[fd] = g_unix_fd_add(fd, G_IO_IN, &OnReadable, this); }

    void Unwatch(int fd) override {
        auto found = watches.find(fd);
        if (found == watches.end()) return;
        g_source_remove(found->second);
        watches.erase(found);
    }

  private:
    // GLib calls this for a hang-up or an error too; the server then finds the end of the
    // stream. The source may have been removed meanwhile, which GLib allows.
    static gboolean OnReadable(gint fd, GIOCondition, gpointer data) {
        auto* self = static_cast<Sources*>(data);
        self->server->Readable(fd, Clock::now());
        self->ScheduleDeadline();
        return G_SOURCE_CONTINUE;
    }

    static gboolean OnListenRetry(gpointer data) {
        auto* self = static_cast<Sources*>(data);
        self->server->Listen(self->socket);
        return G_SOURCE_CONTINUE;
    }

    static gboolean OnDeadline(gpointer data) {
        auto* self = static_cast<Sources*>(data);
        self->timeout = 0;  // this source ends with this call
        self->server->Expire(Clock::now());
        self->ScheduleDeadline();
        return G_SOURCE_REMOVE;
    }

    void ScheduleDeadline() {
        if (timeout) g_source_remove(timeout);
        timeout = 0;
        if (const auto next = server->NextDeadline())
            timeout = g_timeout_add(static_cast<guint>(RemainingMs(*next)), &OnDeadline, this);
    }

    const std::string socket;
    std::unique_ptr<HandOverServer> server;
    std::map<int, guint> watches;
    guint timeout = 0;
    guint listenRetry = 0;
};

DocumentReceiver::DocumentReceiver(const std::string& socket,
                                   std::function<void(const std::string&)> open)
    : sources(socket.empty() ? nullptr : std::make_unique<Sources>(socket, std::move(open))) {}

DocumentReceiver::~DocumentReceiver() = default;

}  // namespace platform
