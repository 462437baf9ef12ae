#pragma once
// The running copy's end of the document hand-over socket (see HandOverProtocol.h), without
// any toolkit: it listens, accepts, reads each request without ever blocking, answers and
// closes. An event loop drives it: it watches the descriptors that the server names through
// its Watcher, calls Readable when one of them is readable, and Expire at NextDeadline.
//
// What a peer can cost is bounded. Only this user's processes are served; a request is read
// no further than the longest path; each connection is closed within kDeadline of its accept;
// and at most kMaxConnections stay open, the oldest dropped to make room, so peers that
// stall cannot keep a real request out.

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/HandOverRequest.h"

namespace platform {

class HandOverServer {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kDeadline = std::chrono::seconds(2);
    static constexpr size_t kMaxConnections = 4;
    // While no connection can be accepted for want of descriptors or memory, the listening
    // socket stays readable: it is left unwatched this long, so that the loop does not spin.
    static constexpr Clock::duration kAcceptPause = std::chrono::milliseconds(100);

    // Told which descriptors to watch for reading; a descriptor is unwatched before it is
    // closed.
    class Watcher {
      public:
        virtual ~Watcher() = default;
        virtual void Watch(int fd) = 0;
        virtual void Unwatch(int fd) = 0;
    };

    // open is called with each path taken, once its peer has had the answer; it must not
    // wait for the user, and must not destroy the server.
    HandOverServer(Watcher* watcher, std::function<void(const std::string&)> open);
    // Closes every connection and the listening socket, and removes the socket's file.
    ~HandOverServer();

    HandOverServer(const HandOverServer&) = delete;
    HandOverServer& operator=(const HandOverServer&) = delete;

    // Listens on a Unix socket at path. Nothing there, or a stale socket of this user, is
    // replaced; false, and nothing listens, when another server answers there, the path holds
    // something else, or the socket cannot be made. Called again, it goes on listening while
    // its socket file is still at path, and otherwise listens anew as the first time: so a
    // server that is asked again now and then comes to answer once the path is free, also
    // after its socket file was taken away.
    bool Listen(const std::string& path);

    // fd, a watched descriptor, is readable (or its peer has gone): the listening socket's
    // pending connections are all accepted, a connection's bytes are read as far as they go.
    void Readable(int fd, Clock::time_point now);
    // Serves a socket connected elsewhere as if it had just been accepted, credentials check
    // included; the server owns fd from now on.
    void Adopt(int fd, Clock::time_point now);
    // Closes the connections whose deadline has come, and watches the listening socket again
    // once a pause in accepting has ended.
    void Expire(Clock::time_point now);
    // When Expire has work next; nothing while no connection is open and accepting goes on.
    std::optional<Clock::time_point> NextDeadline() const;

    size_t OpenConnections() const { return connections.size(); }
    // Bytes held for requests not yet complete.
    size_t HeldBytes() const;

  private:
    struct Connection {
        int fd;
        Clock::time_point deadline;
        HandOverRequest request;
    };

    bool SocketFileIsOwn() const;
    void StopListening();
    void AcceptPending(Clock::time_point now);
    void ReadFrom(int fd);
    void Answer(int fd);
    void Close(int fd);
    Connection* Find(int fd);

    Watcher* watcher;
    std::function<void(const std::string&)> open;
    int listenFd = -1;
    std::string socketPath;
    // The socket file this server made, so that only that file is removed at the end.
    unsigned long socketDevice = 0;
    unsigned long socketInode = 0;
    // Oldest first.
    std::vector<Connection> connections;
    // When accepting, paused for want of resources, goes on.
    std::optional<Clock::time_point> acceptResumes;
};

}  // namespace platform
