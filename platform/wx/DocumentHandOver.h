#pragma once
// Documents opened from the desktop while a copy of the program runs go to that copy. The
// desktop starts a second process with the file; that process hands the file's absolute path
// to the running copy through wxWidgets' IPC over a Unix-domain socket in the user's private
// runtime folder, and exits. The running copy's receiver passes the path on.

#include <functional>
#include <memory>
#include <string>

namespace platform {

// The hand-over socket: "mirovan-control.sock" in PrivateRuntimeFolder(); empty when there is
// no private folder.
std::string DocumentHandOverSocket();

// In the second process: hands path, made absolute against this process's folder, to the
// running copy. True once that copy has taken it; false when no copy of this user answers.
// A copy that takes the connection but never replies ends this process (status 1) after a
// few seconds, so it cannot hang.
bool HandDocumentToRunningCopy(const std::string& path);

// In the running copy: serves the hand-over socket. A stale socket left by a copy that
// crashed is replaced; a socket that another server answers on is left alone, and then this
// receiver does not listen.
class DocumentReceiver {
  public:
    // open runs on the main thread, from the toolkit's event handling, with each absolute
    // path handed over; it must not wait for the user (the second process waits for it).
    explicit DocumentReceiver(std::function<void(const std::string&)> open);
    ~DocumentReceiver();

    DocumentReceiver(const DocumentReceiver&) = delete;
    DocumentReceiver& operator=(const DocumentReceiver&) = delete;

    bool Listening() const { return server != nullptr; }

  private:
    class Server;
    // Shared with the live connections, which may outlive the receiver by an event.
    std::shared_ptr<std::function<void(const std::string&)>> open;
    std::unique_ptr<Server> server;
};

}  // namespace platform
