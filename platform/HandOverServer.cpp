#include "platform/HandOverServer.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/PrivateSocket.h"

namespace platform {

namespace {

// Connections that arrive together wait here until accepted; all are accepted at once, so a
// few suffice.
constexpr int kBacklog = 16;

bool SameUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer &&
           peer.uid == ::getuid();
}

// What the running copy takes: an absolute path that names a regular file it can read. Only
// a regular file is opened to find out, so that naming a device or a pipe starts nothing.
bool CanOpen(const std::string& path) {
    struct stat st;
    if (path.empty() || path[0] != '/' || path.size() > handover::kMaxPathBytes) return false;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular;
}

}  // namespace

HandOverServer::HandOverServer(Watcher* watcher, std::function<void(const std::string&)> open)
    : watcher(watcher), open(std::move(open)) {}

HandOverServer::~HandOverServer() {
    while (!connections.empty()) Close(connections.front().fd);
    if (listenFd < 0) return;
    const bool ownFile = SocketFileIsOwn();
    StopListening();
    if (ownFile) ::unlink(socketPath.c_str());
}

bool HandOverServer::Listen(const std::string& path) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    if (listenFd >= 0) {
        if (path == socketPath && SocketFileIsOwn()) return true;
        // Nobody can reach this socket any more: its file was removed or replaced.
        StopListening();
    }
    const SocketProbe probe = ProbeSocket(path);
    if (probe != SocketProbe::Missing && probe != SocketProbe::Stale) return false;
    if (probe == SocketProbe::Stale) ::unlink(path.c_str());

    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    struct stat st;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, kBacklog) != 0 || ::lstat(path.c_str(), &st) != 0) {
        ::close(fd);
        return false;
    }
    listenFd = fd;
    socketPath = path;
    socketDevice = st.st_dev;
    socketInode = st.st_ino;
    if (watcher) watcher->Watch(listenFd);
    return true;
}

void HandOverServer::Readable(int fd, Clock::time_point now) {
    if (fd == listenFd)
        AcceptPending(now);
    else
        ReadFrom(fd);
}

void HandOverServer::AcceptPending(Clock::time_point now) {
    for (;;) {
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            Adopt(fd, now);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return;  // none left
        } else if (errno != EINTR && errno != ECONNABORTED) {
            // Out of descriptors or memory: the connections wait in the queue meanwhile.
            if (watcher) watcher->Unwatch(listenFd);
            acceptResumes = now + kAcceptPause;
            return;
        }
    }
}

void HandOverServer::Adopt(int fd, Clock::time_point now) {
    // The socket's folder already keeps other users out; this holds even if it did not.
    if (!SameUser(fd)) {
        ::close(fd);
        return;
    }
    connections.push_back({fd, now + kDeadline, HandOverRequest()});
    if (watcher) watcher->Watch(fd);
    // A second process sends its request as soon as it is connected, so it is usually here
    // already: answered now, it never takes a place from anyone.
    ReadFrom(fd);
    while (connections.size() > kMaxConnections) Close(connections.front().fd);
}

void HandOverServer::ReadFrom(int fd) {
    Connection* connection = Find(fd);
    if (!connection) return;
    char piece[handover::kMaxRequestBytes];
    for (;;) {
        // Never more than the request can still hold: whatever follows stays unread.
        const ssize_t got = ::recv(fd, piece, connection->request.Room(), 0);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (got <= 0) break;  // closed before the request was whole, or failed
        const auto state = connection->request.Append(piece, static_cast<size_t>(got));
        if (state == HandOverRequest::State::Complete) {
            Answer(fd);
            return;
        }
        if (state == HandOverRequest::State::Malformed) break;
    }
    Close(fd);
}

void HandOverServer::Answer(int fd) {
    const std::string path = Find(fd)->request.path();
    const bool taken = CanOpen(path);
    const char answer = taken ? handover::kTaken : handover::kRefused;
    // One byte into an empty socket buffer: it cannot block, and a peer that has gone is no
    // reason to fail.
    [[maybe_unused]] ssize_t sent = ::send(fd, &answer, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    Close(fd);
    if (taken && open) open(path);
}

void HandOverServer::Expire(Clock::time_point now) {
    std::vector<int> due;
    for (const Connection& connection : connections)
        if (connection.deadline <= now) due.push_back(connection.fd);
    for (int fd : due) Close(fd);
    if (acceptResumes && *acceptResumes <= now) {
        acceptResumes.reset();
        if (watcher) watcher->Watch(listenFd);
    }
}

std::optional<HandOverServer::Clock::time_point> HandOverServer::NextDeadline() const {
    std::optional<Clock::time_point> next = acceptResumes;
    for (const Connection& connection : connections)
        if (!next || connection.deadline < *next) next = connection.deadline;
    return next;
}

size_t HandOverServer::HeldBytes() const {
    size_t held = 0;
    for (const Connection& connection : connections) held += connection.request.path().size();
    return held;
}

void HandOverServer::Close(int fd) {
    auto found = std::find_if(connections.begin(), connections.end(),
                              [fd](const Connection& c) { return c.fd == fd; });
    if (found == connections.end()) return;
    if (watcher) watcher->Unwatch(fd);
    ::close(fd);
    connections.erase(found);
}

bool HandOverServer::SocketFileIsOwn() const {
    struct stat st;
    return ::lstat(socketPath.c_str(), &st) == 0 && st.st_dev == socketDevice &&
           st.st_ino == socketInode;
}

void HandOverServer::StopListening() {
    if (watcher) watcher->Unwatch(listenFd);
    ::close(listenFd);
    listenFd = -1;
    acceptResumes.reset();
}

HandOverServer::Connection* HandOverServer::Find(int fd) {
    for (Connection& connection : connections)
        if (connection.fd == fd) return &connection;
    return nullptr;
}

}  // namespace platform
