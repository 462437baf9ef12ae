#include "platform/PrivateSocket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {

std::string PrivateRuntimeFolder() {
    // Only an absolute runtime folder counts, as the XDG rule says.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder;
    if (runtime && runtime[0] == '/') {
        folder = runtime;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    } else {
        // /tmp is shared: a folder that another user made first under this name is refused
        // by the check below, never used.
        folder = "/tmp/mirovan-control-" + std::to_string(::getuid());
    }
    return IsPrivateFolder(folder) ? folder : std::string();
}

bool IsPrivateFolder(const std::string& path) {
    struct stat st;
    if (path.empty() || ::lstat(path.c_str(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

SocketProbe ProbeSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return SocketProbe::Foreign;

    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? SocketProbe::Missing : SocketProbe::Foreign;
    if (!S_ISSOCK(st.st_mode) || st.st_uid != ::getuid()) return SocketProbe::Foreign;

    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    // Without blocking: a listening socket takes the connection into its queue at once, and
    // a full queue (a server that stopped taking clients) still means someone listens.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return SocketProbe::Foreign;
    const int result = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const int error = errno;
    ::close(fd);
    if (result == 0 || error == EAGAIN) return SocketProbe::Answers;
    return error == ECONNREFUSED ? SocketProbe::Stale : SocketProbe::Foreign;
}

bool SocketCanBeServed(const std::string& path) {
    const SocketProbe probe = ProbeSocket(path);
    if (probe == SocketProbe::Answers) return true;
    if (probe == SocketProbe::Foreign) return false;
    // A server makes its socket file anew, which a read-only file system refuses.
    const std::string folder = path.substr(0, path.find_last_of('/') + 1);
    struct statvfs fs;
    return ::statvfs(folder.c_str(), &fs) != 0 || !(fs.f_flag & ST_RDONLY);
}

}  // namespace platform
