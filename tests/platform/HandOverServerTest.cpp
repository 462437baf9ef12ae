#include "platform/HandOverServer.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <vector>

namespace {

using namespace platform;
using Clock = HandOverServer::Clock;

// A server listening in a fresh folder, with what it watches and what it took; the test plays
// the event loop.
class HandOverServerTest : public testing::Test, public HandOverServer::Watcher {
  protected:
    void SetUp() override {
        char name[] = "/tmp/mirovan-handover-test-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        folder = name;
        socket = folder + "/s.sock";
        file = folder + "/mix.mvle";
        std::ofstream(file) << "mix";
        ASSERT_TRUE(server.Listen(socket));
    }
    void TearDown() override {
        for (int fd : peers) ::close(fd);
        std::system(("rm -rf '" + folder + "'").c_str());
    }

    void Watch(int fd) override { watched.insert(fd); }
    void Unwatch(int fd) override { watched.erase(fd); }

    // Calls the server for every watched descriptor that is readable, until none is.
    void Pump() {
        for (bool ready = true; ready;) {
            ready = false;
            std::vector<pollfd> fds;
            for (int fd : watched) fds.push_back({fd, POLLIN, 0});
            ASSERT_GE(::poll(fds.data(), fds.size(), 0), 0);
            for (const pollfd& p : fds) {
                if (!p.revents) continue;
                server.Readable(p.fd, now);
                ready = true;
            }
        }
    }

    int Connect() {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        peers.push_back(fd);
        return fd;
    }

    int Send(const std::string& bytes) {
        const int fd = Connect();
        EXPECT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
        return fd;
    }

    // What the peer on fd has heard: the answer byte, "closed" (without an answer) or
    // "nothing yet".
    static std::string Heard(int fd) {
        char answer = 0;
        const ssize_t n = ::recv(fd, &answer, 1, 0);
        if (n == 1) return std::string(1, answer);
        if (n < 0 && errno == EAGAIN) return "nothing yet";
        return "closed";
    }

    std::set<int> watched;
    std::vector<int> peers;
    std::vector<std::string> taken;
    Clock::time_point now = Clock::now();
    std::string folder, socket, file;
    // Last, so that it goes first: it unwatches what it watched.
    HandOverServer server{this, [this](const std::string& path) { taken.push_back(path); }};
};

TEST_F(HandOverServerTest, TakesAReadableFileAndRefusesWhatCannotBeOpened) {
    // The path may arrive in pieces.
    const int whole = Connect();
    ASSERT_EQ(::send(whole, file.data(), 5, 0), 5);
    Pump();
    EXPECT_EQ(Heard(whole), "nothing yet");
    ASSERT_EQ(::send(whole, file.c_str() + 5, file.size() - 4, 0),
              static_cast<ssize_t>(file.size() - 4));
    Pump();
    EXPECT_EQ(Heard(whole), "T");
    EXPECT_EQ(taken, std::vector<std::string>{file});

    ASSERT_EQ(::mkdir((folder + "/folder.mvle").c_str(), 0700), 0);
    for (const std::string& refused :
         {std::string("mix.mvle"), folder + "/missing.mvle", folder + "/folder.mvle"}) {
        const int fd = Send(refused + '\0');
        Pump();
        EXPECT_EQ(Heard(fd), "R") << refused;
    }
    EXPECT_EQ(taken.size(), 1u);
    EXPECT_EQ(server.OpenConnections(), 0u);
}

TEST_F(HandOverServerTest, DropsLongStalledAndMalformedRequestsWithoutHoldingMoreThanAPath) {
    // A request longer than any path is dropped as soon as it is, holding at most one path.
    const int endless = Connect();
    const std::string block(1 << 16, 'x');
    bool dropped = false;
    for (int i = 0; i < 64 && !dropped; ++i) {
        dropped = ::send(endless, block.data(), block.size(), MSG_NOSIGNAL) < 0 && errno != EAGAIN;
        Pump();
        EXPECT_LE(server.HeldBytes(), handover::kMaxRequestBytes);
    }
    EXPECT_TRUE(dropped) << "the endless request was read on and on";
    EXPECT_EQ(Heard(endless), "closed");

    // An empty path, and a request cut short, are dropped at once.
    const int empty = Send(std::string(1, '\0'));
    const int cut = Send("/tm");
    ::shutdown(cut, SHUT_WR);
    Pump();
    EXPECT_EQ(Heard(empty), "closed");
    EXPECT_EQ(Heard(cut), "closed");

    // A stalled request is dropped at its deadline.
    const int stalled = Send("/tm");
    Pump();
    EXPECT_EQ(server.OpenConnections(), 1u);
    ASSERT_TRUE(server.NextDeadline());
    EXPECT_LE(*server.NextDeadline(), now + std::chrono::seconds(2));
    server.Expire(*server.NextDeadline() - std::chrono::milliseconds(1));
    EXPECT_EQ(Heard(stalled), "nothing yet");
    server.Expire(*server.NextDeadline());
    EXPECT_EQ(Heard(stalled), "closed");
    EXPECT_EQ(server.OpenConnections(), 0u);
    EXPECT_FALSE(server.NextDeadline());
    EXPECT_TRUE(taken.empty());
}

TEST_F(HandOverServerTest, AServerAskedAgainListensOnceTheSocketIsFreeAndAfterItWasRemoved) {
    // Another server holds the socket at first; asking again changes nothing meanwhile.
    HandOverServer deaf(nullptr, {});
    EXPECT_FALSE(deaf.Listen(socket));
    EXPECT_TRUE(server.Listen(socket));
    // The socket file is removed under the server that listens: the next one takes the path,
    // and the first answers again only once that one has gone.
    ASSERT_EQ(::unlink(socket.c_str()), 0);
    {
        HandOverServer other(nullptr, {});
        EXPECT_TRUE(other.Listen(socket));
        EXPECT_FALSE(server.Listen(socket));
        EXPECT_TRUE(watched.empty());  // the unreachable socket is closed
    }
    EXPECT_TRUE(server.Listen(socket));
    const int fd = Send(file + '\0');
    Pump();
    EXPECT_EQ(Heard(fd), "T");
}

TEST_F(HandOverServerTest, StalledPeersDoNotKeepARealRequestOut) {
    // Many more peers than the server keeps, each having sent a byte, arriving ten at a time.
    std::vector<int> stalled;
    for (int i = 0; i < 40; ++i) {
        stalled.push_back(Send("/"));
        if (i % 10 == 9) Pump();
        EXPECT_LE(server.OpenConnections(), HandOverServer::kMaxConnections);
    }

    const int real = Send(file + '\0');
    Pump();
    EXPECT_EQ(Heard(real), "T");
    EXPECT_EQ(taken, std::vector<std::string>{file});
    for (int fd : stalled) EXPECT_NE(Heard(fd), "T");
}

TEST_F(HandOverServerTest, RunningOutOfDescriptorsPausesAcceptingInsteadOfSpinning) {
    ASSERT_EQ(watched.size(), 1u);
    const int listening = *watched.begin();
    const int real = Send(file + '\0');
    // No descriptor is left for the connection that waits.
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit none{rlim_t(real + 1), limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
    std::vector<int> holes;
    for (int fd; (fd = ::dup(real)) >= 0;) holes.push_back(fd);
    server.Readable(listening, now);
    for (int fd : holes) ::close(fd);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
    // The listening socket, still readable, is not watched until the pause has passed.
    EXPECT_EQ(watched.count(listening), 0u);
    ASSERT_TRUE(server.NextDeadline());
    server.Expire(*server.NextDeadline());
    EXPECT_EQ(watched.count(listening), 1u);
    Pump();
    EXPECT_EQ(Heard(real), "T");
}

}  // namespace
