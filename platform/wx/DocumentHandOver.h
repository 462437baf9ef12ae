#pragma once
// Documents opened from the desktop while a copy of the program runs go to that copy. The
// desktop starts a second process with the file; that process hands the file's absolute path
// to the running copy over a Unix-domain socket beside the single-copy lock (see
// platform/HandOverProtocol.h), and exits. The running copy's receiver passes the path on.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// How long a second process waits for the running copy's answer.
constexpr std::chrono::seconds kHandOverTime{5};
// How often a second process asks again when the running copy is not ready for it yet.
constexpr std::chrono::milliseconds kHandOverRetry{20};

// The hand-over socket in folder, a folder of this user's own: "mirovan-control.sock" there;
// empty when folder is.
std::string HandOverSocketIn(const std::string& folder);

// Where earlier versions of the program serve the hand-over: in PrivateRuntimeFolder(); empty
// when that folder is not private.
std::string EarlierHandOverSocket();

enum class HandOver {
    Taken,       // the running copy has taken the file
    Refused,     // the running copy cannot open the file, or its path is too long to send
    Unanswered,  // a copy listens, but did not answer within a few seconds
    NoCopy,      // no copy of this user listens
};

// In the second process: hands path, made absolute against this process's folder, to the
// running copy that serves socket. Waits a few seconds at most, so that a copy that is
// stopped or hung cannot hold this process. A file that the copy refused or did not answer
// for is reported in one line on standard error.
HandOver HandDocumentToRunningCopy(const std::string& socket, const std::string& path);

// Whether a copy of this user listens on socket.
bool RunningCopyListens(const std::string& socket);

// In the running copy: serves the hand-over socket from the toolkit's event loop (GLib's
// main context), never blocking it. A stale socket left by a copy that crashed is replaced;
// a socket that another server answers on is left alone until that server has gone, and a
// socket file that was removed is made again: the receiver looks every second.
class DocumentReceiver {
  public:
    // Serves socket; nothing when it is empty. open runs on the main thread, from the
    // toolkit's event handling, with each absolute path handed over; it must not wait for
    // the user.
    DocumentReceiver(const std::string& socket, std::function<void(const std::string&)> open);
    ~DocumentReceiver();

    DocumentReceiver(const DocumentReceiver&) = delete;
    DocumentReceiver& operator=(const DocumentReceiver&) = delete;

  private:
    class Sources;
    std::unique_ptr<Sources> sources;
};

}  // namespace platform
