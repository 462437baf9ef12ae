#include "app/FileStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>

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

// The folder that holds path, as a path that can be opened: "." for a bare name.
std::string OpenableFolderOf(const std::string& path) {
    const std::string prefix = FolderPrefix(path);
    return prefix.empty() ? "." : prefix;
}

// The last part of path: the name of the file within its folder.
std::string NameOf(const std::string& path) {
    return path.substr(FolderPrefix(path).size());
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

// Whether a save may follow the link at path (link is its lstat). The kernel guards the links
// it walks itself (protected_symlinks), but not the ones walked here by hand: in a sticky
// folder that everyone may write to, such as /tmp, another user could plant a link that names
// a file of ours and have our save overwrite it. So the kernel's rule holds here too: in such
// a folder a link is followed only when it belongs to us or to the folder's owner.
bool MayFollowLink(const std::string& path, const struct stat& link) {
    if (link.st_uid == ::geteuid()) return true;
    struct stat folder;
    if (::stat(OpenableFolderOf(path).c_str(), &folder) != 0) return false;
    const mode_t shared = S_ISVTX | S_IWOTH;
    return (folder.st_mode & shared) != shared || link.st_uid == folder.st_uid;
}

// Our temporary files for a target named name: <name>.part<pid>-<attempt>. The pid keeps the
// saves of several processes apart; the name is cut short enough that the whole fits the
// folder's file system's limit on a name, which some (encrypted names) keep well below 255.
const char kTempMark[] = ".part";
constexpr int kMaxAttempts = 100;
// The longest suffix: the mark, a pid of 9 digits (NumberAt reads no more), the dash and an
// attempt below kMaxAttempts.
constexpr size_t kTempSuffixMax = sizeof kTempMark - 1 + 9 + 1 + 2;

// The longest name that the folder holding target takes.
size_t NameLimit(const std::string& target) {
    const long limit = ::pathconf(OpenableFolderOf(target).c_str(), _PC_NAME_MAX);
    return limit > 0 ? size_t(limit) : size_t(NAME_MAX);
}

// The part of a target's name that its temporary files begin with: the whole name, or as much
// of it as leaves room for the suffix within limit, cut before a UTF-8 continuation byte so
// that no character is split.
std::string TempBase(const std::string& name, size_t limit) {
    if (name.size() + kTempSuffixMax <= limit) return name;
    size_t cut = limit > kTempSuffixMax ? limit - kTempSuffixMax : 0;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    return name.substr(0, cut);
}

std::string TempName(const std::string& target, const std::string& base, pid_t pid, int attempt) {
    return FolderPrefix(target) + base + kTempMark + std::to_string(pid) + "-" +
           std::to_string(attempt);
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

// Whether entry is named as one of our temporary files for a target whose temporary files
// begin with base (see TempBase).
bool IsTempName(const std::string& entry, const std::string& base) {
    const std::string prefix = base + kTempMark;
    if (entry.compare(0, prefix.size(), prefix) != 0) return false;
    size_t pos = prefix.size();
    if (NumberAt(entry, &pos) <= 0 || pos >= entry.size() || entry[pos] != '-') return false;
    ++pos;
    return NumberAt(entry, &pos) >= 0 && pos == entry.size();
}

// A save creates, writes and renames its temporary file within milliseconds, so a file that
// has been left alone for a day belongs to no save still running, in this process's pid
// namespace or not, on this machine or on another that shares the folder; the day leaves
// room for clocks that differ between them. Either time shows it: a save stamps both when it
// creates and writes the file, and the status-change time also serves when a wrong clock
// stamped the modification time in the future.
constexpr time_t kAbandonedAfterSeconds = 24 * 60 * 60;

// Whether a file with our temporary naming (st is its lstat) is a leftover of this user's
// that a later save may remove: a regular file of our own that was clearly abandoned.
// Another user's file, even of the same pattern in a shared folder, is never ours to remove.
bool IsAbandonedLeftover(const struct stat& st, time_t now) {
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return false;
    return std::min(st.st_mtime, st.st_ctime) <= now - kAbandonedAfterSeconds;
}

// Removes the temporary files that saves of target left behind when they were killed
// between writing and renaming.
void RemoveLeftovers(const std::string& target, const std::string& base) {
    DIR* dir = ::opendir(OpenableFolderOf(target).c_str());
    if (!dir) return;
    std::vector<std::string> named;
    while (const dirent* entry = ::readdir(dir))
        if (IsTempName(entry->d_name, base)) named.push_back(entry->d_name);
    ::closedir(dir);
    const time_t now = ::time(nullptr);
    for (const std::string& entry : named) {
        const std::string path = FolderPrefix(target) + entry;
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && IsAbandonedLeftover(st, now)) ::unlink(path.c_str());
    }
}

// Whether a rename can put a new file over target: not over a folder, and in a sticky
// folder (such as /tmp) only over a file of our own or in a folder of our own.
bool CanReplace(const std::string& target, struct stat* old, bool* exists) {
    *exists = ::lstat(target.c_str(), old) == 0;
    if (!*exists) return true;
    if (S_ISDIR(old->st_mode)) return false;
    struct stat folder;
    if (::geteuid() == 0 || ::stat(OpenableFolderOf(target).c_str(), &folder) != 0) return true;
    if (!(folder.st_mode & S_ISVTX)) return true;
    return old->st_uid == ::geteuid() || folder.st_uid == ::geteuid();
}

// Whether the existing file at target is one that this user may not write, as an open for
// writing would find: its permission bits or an ACL refuse it (EACCES), or its immutable flag
// (EPERM). A save that replaces the file by a rename never opens it, so it asks: a user who
// write-protects a mix means it. access() answers for the real user, who is this user, as the
// program is not setuid; root may write, as an open would let it. A file system that cannot
// be written at all protects no file of its own: the save goes on, fails and says so. Nor
// does a check that cannot be made refuse the save: a sandbox may answer the call with EPERM
// too, so that answer counts only for a file whose immutable flag is set.
bool WriteProtected(const std::string& target) {
    if (::access(target.c_str(), W_OK) == 0) return false;
    if (errno == EACCES) return true;
    struct statx attributes;
    return errno == EPERM &&
           ::statx(AT_FDCWD, target.c_str(), 0, STATX_BASIC_STATS, &attributes) == 0 &&
           (attributes.stx_attributes_mask & attributes.stx_attributes & STATX_ATTR_IMMUTABLE);
}

// Gives the new file the old one's group and permission bits, with fchmod, which unlike open
// ignores the umask. The group is kept where this user may set it (root, or a member of the
// group). Elsewhere the file keeps the user's own group and the save goes on, but that group
// gets no more than the others may: the old group's rights were meant for its members, not
// for the user's group.
bool TakeOldAttributes(int fd, const struct stat& old) {
    mode_t mode = old.st_mode & 0777;
    if (::fchown(fd, uid_t(-1), old.st_gid) != 0) mode = (mode & 0707) | ((mode & 07) << 3);
    return ::fchmod(fd, mode) == 0;
}

// Syncs the folder, so that a rename in it survives a power cut. A folder that cannot be
// opened for that (no read permission) or a file system that cannot sync folders does not
// turn a good save into a failure; an error saying the change may not reach the disk does.
bool SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return true;
    const bool lost = ::fsync(fd) != 0 && (errno == EIO || errno == ENOSPC || errno == EDQUOT);
    ::close(fd);
    return !lost;
}

}  // namespace

std::string ReplacedFile(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string target;
        if (!MayFollowLink(current, st) || !ReadLink(current, &target)) return {};
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
    if (exists && WriteProtected(target)) return WriteResult::WriteProtected;

    const std::string base = TempBase(NameOf(target), NameLimit(target));
    RemoveLeftovers(target, base);

    // A fresh name beside the target, so the rename stays within one file system.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < kMaxAttempts && fd < 0; ++attempt) {
        temp = TempName(target, base, ::getpid(), attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return WriteResult::CannotCreate;

    if (exists && !TakeOldAttributes(fd, old)) {
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
    return SyncFolder(OpenableFolderOf(target)) ? WriteResult::Ok : WriteResult::WriteFailed;
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
