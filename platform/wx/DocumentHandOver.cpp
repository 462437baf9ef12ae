#include "platform/wx/DocumentHandOver.h"

#include <unistd.h>
#include <wx/ipc.h>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/PrivateSocket.h"

namespace platform {

namespace {

const char kSocketName[] = "mirovan-control.sock";
const char kTopic[] = "open-document";
const char kTaken[] = "taken";
// Longest path accepted from a second process (Linux's PATH_MAX).
constexpr size_t kMaxPathBytes = 4096;
constexpr unsigned kReplySeconds = 5;

std::string AbsolutePath(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char* folder = ::getcwd(nullptr, 0);
    if (!folder) return std::string();
    std::string absolute = std::string(folder) + "/" + path;
    std::free(folder);
    return absolute;
}

bool AcceptablePath(const std::string& path) {
    return !path.empty() && path[0] == '/' && path.size() <= kMaxPathBytes &&
           path.find('\0') == std::string::npos;
}

// wxWidgets' IPC client waits up to ten minutes for a reply and cannot be given less. A
// running copy that accepted the connection but is stopped or hung would hold the desktop's
// second process that long, so an alarm ends the process instead.
class ReplyDeadline {
  public:
    explicit ReplyDeadline(unsigned seconds) {
        struct sigaction action {};
        action.sa_handler = &Expired;
        ::sigemptyset(&action.sa_mask);
        ::sigaction(SIGALRM, &action, &previous);
        ::alarm(seconds);
    }
    ~ReplyDeadline() {
        ::alarm(0);
        ::sigaction(SIGALRM, &previous, nullptr);
    }

  private:
    static void Expired(int) {
        static const char message[] =
            "mirovan-control: the running copy did not take the file; giving up\n";
        [[maybe_unused]] ssize_t written = ::write(STDERR_FILENO, message, sizeof message - 1);
        ::_exit(1);
    }
    struct sigaction previous {};
};

// The second process's end; it lives only as long as the hand-over, so a disconnection seen
// later must not delete it (the default does).
class SenderConnection : public wxConnection {
  public:
    bool OnDisconnect() override { return true; }
};

class Sender : public wxClient {
  public:
    wxConnectionBase* OnMakeConnection() override { return new SenderConnection; }
};

// The running copy's end of one connection. wxWidgets deletes it when the other end leaves.
class ReceiverConnection : public wxConnection {
  public:
    explicit ReceiverConnection(std::weak_ptr<std::function<void(const std::string&)>> open)
        : open(std::move(open)) {}

    const void* OnRequest(const wxString& topic, const wxString& item, size_t* size,
                          wxIPCFormat) override {
        const std::string path = item.utf8_string();
        auto handler = open.lock();
        if (topic != kTopic || !handler || !AcceptablePath(path)) return nullptr;
        (*handler)(path);
        *size = sizeof kTaken;
        return kTaken;
    }

  private:
    std::weak_ptr<std::function<void(const std::string&)>> open;
};

}  // namespace

class DocumentReceiver::Server : public wxServer {
  public:
    explicit Server(std::weak_ptr<std::function<void(const std::string&)>> open)
        : open(std::move(open)) {}

    wxConnectionBase* OnAcceptConnection(const wxString& topic) override {
        if (topic != kTopic) return nullptr;
        return new ReceiverConnection(open);
    }

  private:
    std::weak_ptr<std::function<void(const std::string&)>> open;
};

std::string DocumentHandOverSocket() {
    const std::string folder = PrivateRuntimeFolder();
    return folder.empty() ? std::string() : folder + "/" + kSocketName;
}

bool HandDocumentToRunningCopy(const std::string& path) {
    const std::string absolute = AbsolutePath(path);
    const std::string socket = DocumentHandOverSocket();
    if (!AcceptablePath(absolute) || socket.empty()) return false;
    // Only this user's socket in this user's folder is ever spoken to.
    if (ProbeSocket(socket) != SocketProbe::Answers) return false;

    ReplyDeadline deadline(kReplySeconds);
    Sender sender;
    std::unique_ptr<wxConnectionBase> connection(
        sender.MakeConnection("localhost", wxString::FromUTF8(socket), kTopic));
    if (!connection) return false;
    size_t size = 0;
    const void* reply = connection->Request(wxString::FromUTF8(absolute), &size, wxIPC_TEXT);
    const bool taken =
        reply && size >= sizeof kTaken && std::memcmp(reply, kTaken, sizeof kTaken) == 0;
    connection->Disconnect();
    return taken;
}

DocumentReceiver::DocumentReceiver(std::function<void(const std::string&)> handler)
    : open(std::make_shared<std::function<void(const std::string&)>>(std::move(handler))) {
    const std::string socket = DocumentHandOverSocket();
    if (socket.empty()) return;
    const SocketProbe probe = ProbeSocket(socket);
    // Creating the server removes whatever file has the socket's name, so only a missing or
    // stale socket may be replaced.
    if (probe != SocketProbe::Missing && probe != SocketProbe::Stale) return;
    auto candidate = std::make_unique<Server>(open);
    if (candidate->Create(wxString::FromUTF8(socket))) server = std::move(candidate);
}

DocumentReceiver::~DocumentReceiver() = default;

}  // namespace platform
