#pragma once
// Sockets that only this user can reach: where they live and what lies at a socket's path.
// A socket is private because its folder is: a real directory owned by this user that
// nobody else may enter.

#include <string>

namespace platform {

// $XDG_RUNTIME_DIR when it is set to an absolute path, else /tmp/mirovan-control-<uid>,
// created with mode 0700 when missing (only the second one is ever created). Empty when that
// folder is not private (see IsPrivateFolder), so that nothing is served or trusted there.
std::string PrivateRuntimeFolder();

// True when path is a directory, not a symbolic link, owned by this user, with no access for
// the group or others.
bool IsPrivateFolder(const std::string& path);

enum class SocketProbe {
    Missing,  // nothing at the path
    Stale,    // this user's socket that nobody listens on: its server ended without removing it
    Answers,  // this user's socket with a server behind it
    Foreign,  // something else: not a socket, another user's, or the path does not fit
};

// Looks at path without changing it. A socket is tried with a connection that is closed at
// once, which a server sees as a client that said nothing.
SocketProbe ProbeSocket(const std::string& path);

}  // namespace platform
