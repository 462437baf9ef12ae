// Plays peers of the document hand-over server with arbitrary bytes. The input is a list of
// steps, each a step byte and its operands:
//   0: a new peer connects (eight at the most per input)
//   1 L B...: peer (step >> 3) sends the L bytes that follow
//   2 N B: peer (step >> 3) sends N * 256 copies of byte B
//   3: peer (step >> 3) stops sending
//   4: time passes, (step >> 3) * 100 ms
// After every step the server reads what it can. However the peers behave, the server keeps
// no more connections and holds no more bytes than its limits allow, a peer hears one answer
// byte at the most (taken or refused), a path is taken only when it is absolute, and once every
// deadline has passed nothing is left open.

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform/HandOverServer.h"

namespace {

using platform::HandOverServer;
namespace handover = platform::handover;

constexpr size_t kMostPeers = 8;

class Watched : public HandOverServer::Watcher {
  public:
    void Watch(int fd) override { fds.insert(fd); }
    void Unwatch(int fd) override { fds.erase(fd); }
    std::set<int> fds;
};

struct Peer {
    int fd;
    int answers = 0;
};

void Check(bool condition) {
    if (!condition) std::abort();
}

// Reads what the peer has heard so far: at most one answer, and only a known one.
void Listen(Peer& peer) {
    char heard[8];
    const ssize_t n = ::recv(peer.fd, heard, sizeof heard, MSG_DONTWAIT);
    if (n <= 0) return;
    peer.answers += static_cast<int>(n);
    Check(peer.answers == 1 && (heard[0] == handover::kTaken || heard[0] == handover::kRefused));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Watched watched;
    std::vector<std::string> taken;
    std::vector<Peer> peers;
    auto now = HandOverServer::Clock::time_point() + std::chrono::hours(1);
    {
        HandOverServer server(&watched, [&](const std::string& path) { taken.push_back(path); });
        size_t at = 0;
        auto next = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
        while (at < size) {
            const uint8_t step = next();
            Peer* peer = peers.empty() ? nullptr : &peers[(step >> 3) % peers.size()];
            switch (step & 7) {
                case 0: {
                    int ends[2];
                    if (peers.size() >= kMostPeers ||
                        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, ends) != 0)
                        break;
                    peers.push_back({ends[0]});
                    server.Adopt(ends[1], now);
                    break;
                }
                case 1: {
                    const size_t length = std::min<size_t>(next(), size - at);
                    if (peer) ::send(peer->fd, data + at, length, MSG_NOSIGNAL);
                    at += length;
                    break;
                }
                case 2: {
                    const size_t count = next() * size_t{256};
                    const std::string bytes(count, static_cast<char>(next()));
                    if (peer) ::send(peer->fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
                    break;
                }
                case 3:
                    if (peer) ::shutdown(peer->fd, SHUT_WR);
                    break;
                case 4:
                    now += std::chrono::milliseconds(100) * (step >> 3);
                    server.Expire(now);
                    break;
                default: break;
            }
            const std::set<int> readable = watched.fds;
            for (int fd : readable) server.Readable(fd, now);
            Check(server.OpenConnections() <= HandOverServer::kMaxConnections);
            Check(server.HeldBytes() <= server.OpenConnections() * handover::kMaxPathBytes);
            for (Peer& each : peers) Listen(each);
        }
        server.Expire(now + HandOverServer::kDeadline);
        Check(server.OpenConnections() == 0 && server.HeldBytes() == 0 && watched.fds.empty());
    }
    for (const std::string& path : taken)
        Check(!path.empty() && path[0] == '/' && path.size() <= handover::kMaxPathBytes &&
              path.find('\0') == std::string::npos);
    for (Peer& peer : peers) ::close(peer.fd);
    return 0;
}
