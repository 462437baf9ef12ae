#include "app/FileStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
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

// More links than any sensible setup chains; the kernel stops at the same number.
constexpr int kMaxLinkHops = 40;

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

// The folder part of path, with its last slash: "" for a bare name, "/" for a file at the
// root.
std::string FolderPrefix(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The folder that holds path, as a path that can be opened.
std::string FolderOf(const std::string& path) {
    const std::string prefix = FolderPrefix(path);
    return prefix.empty() ? "." : prefix;
}

bool ReadLink(const std::string& link, std::string* target) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (n < 0) return false;
        if (size_t(n) < buffer.size()) {
            target->assign(buffer.data(), size_t(n));
            return !target->empty();
        }
        if (buffer.size() >= 1 << 16) return false;
        buffer.resize(buffer.size() * 2);
    }
}

// Our temporary files for a target named name: name.part<pid>-<attempt>.
const char kTempMark[] = ".part";

std::string TempName(const std::string& target, pid_t pid, int attempt) {
    return target + kTempMark + std::to_string(pid) + "-" + std::to_string(attempt);
}

// Reads a number at pos as std::to_string writes it (at most 9 digits); -1 when there is none.
long NumberAt(const std::string& text, size_t* pos) {
    const size_t begin = *pos;
    long value = 0;
    while (*pos < text.size() && text[*pos] >= '0' && text[*pos] <= '9' && *pos - begin < 10) {
        value = value * 10 + (text[*pos] - '0');
        ++*pos;
    }
    const size_t count = *pos - begin;
    if (count == 0 || count > 9 || (count > 1 && text[begin] == '0')) return -1;
    return value;
}

// The writer's pid when entry is one of our temporary files for a target named name, else 0.
pid_t TempWriter(const std::string& entry, const std::string& name) {
    const std::string prefix = name + kTempMark;
    if (entry.compare(0, prefix.size(), prefix) != 0) return 0;
    size_t pos = prefix.size();
    const long pid = NumberAt(entry, &pos);
    if (pid <= 0 || pos >= entry.size() || entry[pos] != '-') return 0;
    ++pos;
    if (NumberAt(entry, &pos) < 0 || pos != entry.size()) return 0;
    return pid_t(pid);
}

// Whether the process that named a temporary file can no longer be writing it. Another
// running process may be saving right now, so its file stays, whoever owns it. Our own pid
// is not in a save of this target (saves of one file do not overlap within a process), so
// a file with it comes from an earlier process that had the same pid, as happens in
// containers that start every time with the same pids.
bool WriterIsGone(pid_t pid) {
    if (pid == ::getpid()) return true;
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Removes the temporary files that saves of target left behind when they were killed
// between writing and renaming. Only regular files of our own naming pattern for this
// target are touched.
void RemoveLeftovers(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string name = target.substr(FolderPrefix(target).size());
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t writer = TempWriter(entry->d_name, name);
        if (writer > 0 && WriterIsGone(writer)) stale.push_back(entry->d_name);
    }
    ::closedir(dir);
    for (const std::string& entry : stale) {
        const std::string path = FolderPrefix(target) + entry;
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
    }
}

// Whether a rename can put a new file over target: not over a folder, and in a sticky
// folder (such as /tmp) only over a file of our own or in a folder of our own.
bool CanReplace(const std::string& target, struct stat* old, bool* exists) {
    *exists = ::lstat(target.c_str(), old) == 0;
    if (!*exists) return true;
    if (S_ISDIR(old->st_mode)) return false;
    struct stat folder;
    if (::geteuid() == 0 || ::stat(FolderOf(target).c_str(), &folder) != 0) return true;
    if (!(folder.st_mode & S_ISVTX)) return true;
    return old->st_uid == ::geteuid() || folder.st_uid == ::geteuid();
}

}  // namespace

std::string ReplacedFile(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string target;
        if (!ReadLink(current, &target)) return {};
        current = target[0] == '/' ? target : FolderPrefix(current) + target;
    }
    return {};
}

WriteResult ReplaceFile(const std::string& path, const std::vector<uint8_t>& bytes,
                        const std::function<void()>& beforeWrite) {
    // A link is followed, so the file it names is replaced and the link stays.
    const std::string target = ReplacedFile(path);
    struct stat old;
    bool exists = false;
    if (target.empty() || !CanReplace(target, &old, &exists)) return WriteResult::CannotReplace;

    RemoveLeftovers(target);

    // A fresh name beside the target, so the rename stays within one file system.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = TempName(target, ::getpid(), attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return WriteResult::CannotCreate;

    // The new file takes the old one's permission bits; fchmod, unlike open, ignores the
    // umask.
    if (exists && ::fchmod(fd, old.st_mode & 0777) != 0) {
        ::close(fd);
        ::unlink(temp.c_str());
        return WriteResult::CannotCreate;
    }

    if (beforeWrite) beforeWrite();

    bool ok = WriteAll(fd, bytes.data(), bytes.size());
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), target.c_str()) == 0;
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
