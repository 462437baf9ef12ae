#pragma once
// Sockets of this user's: where earlier versions kept them, what lies at a socket's path, and
// whether a server could answer there. Only a socket that this user made, in a folder that
// nobody else may write into, is trusted.

#include <string>

namespace platform {

// $XDG_RUNTIME_DIR when it is set to an absolute path, else /tmp/mirovan-control-<uid>, where
// earlier versions of the program served the hand-over socket. Empty when that folder is not
// private (see IsPrivateFolder), so that nothing is trusted there.
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

// Whether a server of this user could answer at path (an absolute path): one answers there,
// or nothing is there but a stale socket or nothing at all, on a file system that takes a new
// socket. False for a path that does not fit a socket's address, and for anything else in
// the way, which no server of ours would replace.
bool SocketCanBeServed(const std::string& path);

}  // namespace platform
