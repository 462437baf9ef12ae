#include "app/FileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

ReadResult ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
    bytes->clear();
    // Without blocking: a named pipe would otherwise hang the open until some writer came.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return ReadResult::Unreadable;
    FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        ::close(fd);
        return ReadResult::Unreadable;
    }

    ReadResult result = ReadResult::Unreadable;
    long size = -1;
    // A folder or a pipe opens too, but has no size to take.
    struct stat st;
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (regular && std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    if (size >= 0 && std::fseek(f, 0, SEEK_SET) == 0) {
        if (size > kMaxReadBytes) {
            result = ReadResult::TooLarge;
        } else {
            bytes->resize(size_t(size));
            const size_t got = size > 0 ? std::fread(bytes->data(), 1, bytes->size(), f) : 0;
            if (got == bytes->size()) result = ReadResult::Ok;
        }
    }
    if (result != ReadResult::Ok) bytes->clear();
    std::fclose(f);
    return result;
}

namespace {

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

}  // namespace

WriteResult ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes,
                        const std::function<void()>& beforeWrite) {
    // A fresh name beside the target, so the rename stays within one file system.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = path + ".part" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return WriteResult::CannotCreate;

    if (beforeWrite) beforeWrite();

    bool ok = WriteAll(fd, bytes.data(), bytes.size());
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return WriteResult::WriteFailed;
    }
    return WriteResult::Ok;
}

bool MakeParentFolder(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return true;
    const std::string folder = path.substr(0, slash);

    struct stat st;
    if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    if (!MakeParentFolder(folder)) return false;
    // Settings folders are private to the user.
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}
