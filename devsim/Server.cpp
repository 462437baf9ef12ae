#include "devsim/Server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/sim/SimulatorSocket.h"

namespace devsim {
namespace {

constexpr size_t kMaxClients = 32;
constexpr size_t kMaxRequestLength = 16 * 1024;
constexpr int kAnswerTimeoutMs = 2000;
constexpr int kProbeTimeoutMs = 300;

}  // namespace

Server::Server(DeviceModel& model) : handler_(model) {}

Server::~Server() {
    Stop();
}

bool Server::Start(const std::string& path, std::string* error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        *error = "socket path is empty or too long: " + path;
        return false;
    }
    {
        platform::LineChannel probe;
        if (probe.Connect(path, kProbeTimeoutMs)) {
            *error = "a simulator already serves " + path;
            return false;
        }
    }
    ::unlink(path.c_str());
    path_ = path;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0 ||
        ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 16) != 0 || ::pipe2(wakeFds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = "cannot listen at " + path + ": " + std::strerror(errno);
        Stop();
        return false;
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

void Server::Stop() {
    if (thread_.joinable()) {
        char byte = 1;
        (void)!::write(wakeFds_[1], &byte, 1);
        thread_.join();
    }
    for (int& fd : wakeFds_) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        ::unlink(path_.c_str());
    }
    path_.clear();
}

void Server::Run() {
    std::vector<std::unique_ptr<platform::LineChannel>> clients;
    for (;;) {
        std::vector<pollfd> fds{{wakeFds_[0], POLLIN, 0}, {listenFd_, POLLIN, 0}};
        for (const auto& c : clients) fds.push_back({c->fd(), POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents) return;
        const size_t polled = clients.size();  // a client accepted now is polled next round
        if (fds[1].revents & POLLIN) {
            int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0 && clients.size() < kMaxClients)
                clients.push_back(std::make_unique<platform::LineChannel>(fd));
            else if (fd >= 0)
                ::close(fd);
        }
        // Each client's complete lines are answered in order; a client that closed, sent an
        // over-long line, or does not take its answer is dropped.
        for (size_t i = 0; i < polled; ++i) {
            platform::LineChannel& client = *clients[i];
            if (!fds[i + 2].revents) continue;
            bool alive = client.ReadAvailable();
            std::string request;
            while (alive && client.TakeBufferedLine(&request)) {
                if (request.size() > kMaxRequestLength) {
                    alive = false;
                    break;
                }
                std::string answer;
                for (const std::string& line : handler_.Handle(request))
                    answer += answer.empty() ? line : "\n" + line;
                alive = client.SendLine(answer, kAnswerTimeoutMs);
            }
            if (!alive || client.Buffered() > kMaxRequestLength) client.Close();
        }
        std::erase_if(clients, [](const auto& c) { return !c->IsOpen(); });
    }
}

}  // namespace devsim
