#pragma once
// Serves one device model on a Unix stream socket, to the program's client bus and to the
// mirovan-devsim command. One thread polls the listening socket and every client; requests are
// short model calls, so no client waits long for another.

#include <string>
#include <thread>
#include <vector>

#include "devsim/DeviceModel.h"
#include "devsim/RequestHandler.h"

namespace devsim {

class Server {
  public:
    explicit Server(DeviceModel& model);
    ~Server();  // stops
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Listens at path and starts serving. Fails with a message when the path is too long,
    // another simulator answers there already, or the socket cannot be made. A stale socket
    // file that nobody answers on is replaced.
    bool Start(const std::string& path, std::string* error);
    // Stops serving, closes every connection and removes the socket file.
    void Stop();

  private:
    void Run();

    RequestHandler handler_;
    std::string path_;
    int listenFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    std::thread thread_;
};

}  // namespace devsim
