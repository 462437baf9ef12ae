#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/filter.h>
#include <linux/fs.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "app/FileStore.h"
#include "tests/app/UnprivilegedChild.h"

namespace {

class TempFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/mirovan-filestore-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + folder + "'").c_str()); }

    std::string Path(const std::string& name) const { return folder + "/" + name; }

    std::vector<std::string> Entries(const std::string& dir) const {
        std::vector<std::string> names;
        if (DIR* d = opendir(dir.c_str())) {
            while (dirent* e = readdir(d)) {
                std::string n = e->d_name;
                if (n != "." && n != "..") names.push_back(n);
            }
            closedir(d);
        }
        return names;
    }

    static std::vector<std::string> Sorted(std::vector<std::string> names) {
        std::sort(names.begin(), names.end());
        return names;
    }

    std::vector<uint8_t> Read(const std::string& path) {
        std::vector<uint8_t> bytes;
        EXPECT_EQ(ReadWholeFile(path, &bytes), ReadResult::Ok);
        return bytes;
    }

    std::string folder;
};

using FileStore = TempFolder;

}  // namespace

TEST_F(FileStore, ReplaceWritesNewAndOverwritesOldLeavingNoTemporaryFiles) {
    const std::string target = Path("Settings.mvle");
    int calls = 0;
    ASSERT_EQ(ReplaceFile(target, {1, 2, 3}, [&] { ++calls; }), WriteResult::Ok);
    EXPECT_EQ(Read(target), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(calls, 1);

    ASSERT_EQ(ReplaceFile(target, {9}), WriteResult::Ok);
    EXPECT_EQ(Read(target), (std::vector<uint8_t>{9}));
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Settings.mvle"}));
}

TEST_F(FileStore, FailedReplaceKeepsTheOldContentAndCleansUp) {
    int calls = 0;
    EXPECT_EQ(ReplaceFile(Path("missing/Settings.mvle"), {1}, [&] { ++calls; }),
              WriteResult::CannotCreate);
    EXPECT_EQ(calls, 0);  // the device is not asked to store when nothing can be written

    // No file can take a folder's place: the folder and its content survive, and nothing is
    // created or announced, also when a link leads to the folder.
    const std::string occupied = Path("occupied");
    ASSERT_EQ(mkdir(occupied.c_str(), 0700), 0);
    ASSERT_EQ(ReplaceFile(occupied + "/keep", {7}), WriteResult::Ok);
    EXPECT_EQ(ReplaceFile(occupied, {1, 2}, [&] { ++calls; }), WriteResult::CannotReplace);
    ASSERT_EQ(symlink("occupied", Path("to-folder").c_str()), 0);
    EXPECT_EQ(ReplaceFile(Path("to-folder"), {1, 2}, [&] { ++calls; }), WriteResult::CannotReplace);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(Read(occupied + "/keep"), (std::vector<uint8_t>{7}));
    EXPECT_EQ(Sorted(Entries(folder)), (std::vector<std::string>{"occupied", "to-folder"}));
}

TEST_F(FileStore, ReadRefusesWhatIsNotASmallRegularFile) {
    std::vector<uint8_t> bytes{42};
    EXPECT_EQ(ReadWholeFile(Path("absent"), &bytes), ReadResult::Unreadable);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(ReadWholeFile(folder, &bytes), ReadResult::Unreadable);
    // A pipe with no writer is refused at once instead of waiting for one.
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile(Path("pipe"), &bytes), ReadResult::Unreadable);

    ASSERT_EQ(ReplaceFile(Path("empty"), {}), WriteResult::Ok);
    EXPECT_EQ(ReadWholeFile(Path("empty"), &bytes), ReadResult::Ok);
    EXPECT_TRUE(bytes.empty());

    const std::string big = Path("big");
    ASSERT_EQ(ReplaceFile(big, {0}), WriteResult::Ok);
    ASSERT_EQ(truncate(big.c_str(), kMaxReadBytes + 1), 0);
    EXPECT_EQ(ReadWholeFile(big, &bytes), ReadResult::TooLarge);
}

TEST_F(FileStore, ParentFoldersAreCreatedPrivately) {
    const std::string nested = Path("a/b/c/Settings.mvle");
    ASSERT_TRUE(MakeParentFolder(nested));
    struct stat st;
    ASSERT_EQ(stat(Path("a/b/c").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(MakeParentFolder(nested));  // already there

    ASSERT_EQ(ReplaceFile(Path("file"), {1}), WriteResult::Ok);
    EXPECT_FALSE(MakeParentFolder(Path("file/sub/Settings.mvle")));
}

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

void Touch(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr) << path;
    std::fclose(f);
}

bool IsLink(const std::string& path) {
    return S_ISLNK(ModeOf(path));
}

// A pid that no process has any more: a child that has ended and been reaped.
pid_t DeadPid() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

// A save of target killed between creating its new file and renaming it. Gives the pid of the
// process that ran it, which names the temporary file it leaves behind.
pid_t KilledSave(const std::string& target) {
    const pid_t child = fork();
    if (child == 0) {
        ReplaceFile(target, {2}, [] { raise(SIGKILL); });
        _exit(0);
    }
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    return child;
}

// Dates a file back two days, as a leftover of a save killed long ago.
void MakeOld(const std::string& path) {
    const timeval old{std::time(nullptr) - 2 * 24 * 60 * 60, 0};
    const timeval times[2] = {old, old};
    ASSERT_EQ(utimes(path.c_str(), times), 0) << path;
}

// A user that only owns what a test gives it.
constexpr uid_t kOtherUser = 4321;

// What a replace did, as one number that a child process can give as its exit status: its
// result and how often beforeWrite ran.
int Outcome(WriteResult result, int calls) {
    return int(result) * 10 + calls;
}

int ReplaceOutcome(const std::string& path, uint8_t value) {
    int calls = 0;
    const WriteResult result = ReplaceFile(path, {value}, [&] { ++calls; });
    return Outcome(result, calls);
}

// Has this process's calls that check access (faccessat2, faccessat, access) fail with EPERM,
// as some sandboxes answer calls that their filter does not know.
bool RefuseAccessChecks() {
    std::vector<sock_filter> program = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr))};
    for (__u32 call : {SYS_faccessat2, SYS_faccessat, SYS_access}) {
        program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, call, 0, 1));
        program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM));
    }
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    const sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0;
}

// Sets or clears the immutable flag of the file at path; false where that cannot be done.
bool SetImmutable(const std::string& path, bool immutable) {
    const int fd = open(path.c_str(), O_RDONLY);
    int flags = 0;
    bool done = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0) close(fd);
    return done;
}

}  // namespace

TEST_F(FileStore, LinksAreFollowedAndTheFileTheyNameIsReplaced) {
    ASSERT_EQ(mkdir(Path("dotfiles").c_str(), 0700), 0);
    ASSERT_EQ(mkdir(Path("config").c_str(), 0700), 0);
    const std::string linked = Path("dotfiles/Settings.mvle");
    ASSERT_EQ(ReplaceFile(linked, {1}), WriteResult::Ok);

    // An absolute link, a relative one read from its own folder, and a chain of both.
    ASSERT_EQ(symlink(linked.c_str(), Path("config/absolute").c_str()), 0);
    ASSERT_EQ(symlink("../dotfiles/Settings.mvle", Path("config/relative").c_str()), 0);
    ASSERT_EQ(symlink("config/relative", Path("chain").c_str()), 0);
    ASSERT_EQ(symlink("absolute", Path("config/chain2").c_str()), 0);
    uint8_t value = 2;
    for (const char* name : {"config/absolute", "config/relative", "chain", "config/chain2"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReplaceFile(Path(name), {value}), WriteResult::Ok);
        EXPECT_TRUE(IsLink(Path(name)));
        EXPECT_EQ(Read(linked), (std::vector<uint8_t>{value}));
        ++value;
    }
    EXPECT_EQ(Entries(Path("dotfiles")), (std::vector<std::string>{"Settings.mvle"}));
    EXPECT_EQ(Sorted(Entries(Path("config"))),
              (std::vector<std::string>{"absolute", "chain2", "relative"}));

    // A dangling link gets the file it names when that file's folder exists; otherwise
    // nothing is created or announced.
    ASSERT_EQ(symlink("dotfiles/New.mvle", Path("dangling").c_str()), 0);
    EXPECT_EQ(ReplaceFile(Path("dangling"), {9}), WriteResult::Ok);
    EXPECT_TRUE(IsLink(Path("dangling")));
    EXPECT_EQ(Read(Path("dotfiles/New.mvle")), (std::vector<uint8_t>{9}));
    int calls = 0;
    ASSERT_EQ(symlink("nowhere/New.mvle", Path("lost").c_str()), 0);
    EXPECT_EQ(ReplaceFile(Path("lost"), {9}, [&] { ++calls; }), WriteResult::CannotCreate);

    // A loop never ends in a file.
    ASSERT_EQ(symlink("loop-b", Path("loop-a").c_str()), 0);
    ASSERT_EQ(symlink("loop-a", Path("loop-b").c_str()), 0);
    EXPECT_EQ(ReplacedFile(Path("loop-a")), "");
    EXPECT_EQ(ReplaceFile(Path("loop-a"), {9}, [&] { ++calls; }), WriteResult::CannotReplace);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(IsLink(Path("loop-a")));

    EXPECT_EQ(ReplacedFile(Path("chain")), Path("config/../dotfiles/Settings.mvle"));
    EXPECT_EQ(ReplacedFile(Path("dotfiles/Settings.mvle")), Path("dotfiles/Settings.mvle"));
}

TEST_F(FileStore, ReplacedFilesKeepTheirPermissionBits) {
    const mode_t oldMask = umask(022);
    std::vector<mode_t> modes = {0600, 0640, 0755};
    // Only root may replace a file that its user cannot write.
    if (geteuid() == 0) modes.push_back(0444);
    for (mode_t mode : modes) {
        char name[16];
        std::snprintf(name, sizeof name, "mode-%o", unsigned(mode));
        SCOPED_TRACE(name);
        const std::string target = Path(name);
        ASSERT_EQ(ReplaceFile(target, {1}), WriteResult::Ok);
        ASSERT_EQ(chmod(target.c_str(), mode), 0);
        EXPECT_EQ(ReplaceFile(target, {2}), WriteResult::Ok);
        EXPECT_EQ(ModeOf(target) & 07777, mode);
        EXPECT_EQ(Read(target), (std::vector<uint8_t>{2}));
    }
    // Through a link the named file's bits count, not the link's.
    ASSERT_EQ(symlink("mode-640", Path("link").c_str()), 0);
    EXPECT_EQ(ReplaceFile(Path("link"), {3}), WriteResult::Ok);
    EXPECT_EQ(ModeOf(Path("mode-640")) & 07777, 0640u);
    // A new file gets what the umask allows.
    EXPECT_EQ(ReplaceFile(Path("fresh"), {1}), WriteResult::Ok);
    EXPECT_EQ(ModeOf(Path("fresh")) & 07777, 0644u);
    umask(oldMask);
}

TEST_F(FileStore, WriteProtectedFilesAreLeftAsTheyAre) {
    ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
    const std::string mix = Path("Kept.mvle");
    ASSERT_EQ(InUnprivilegedChild([&] { return int(ReplaceFile(mix, {1})); }), 0);
    ASSERT_EQ(chmod(mix.c_str(), 0444), 0);
    ASSERT_EQ(symlink("Kept.mvle", Path("link").c_str()), 0);
    // Its owner protected it; nothing is created beside it, nor is the device asked to store.
    for (const std::string& path : {mix, Path("link")}) {
        EXPECT_EQ(InUnprivilegedChild([&] { return ReplaceOutcome(path, 2); }),
                  Outcome(WriteResult::WriteProtected, 0))
            << path;
    }
    EXPECT_EQ(Read(mix), (std::vector<uint8_t>{1}));
    EXPECT_EQ(Sorted(Entries(folder)), (std::vector<std::string>{"Kept.mvle", "link"}));
    // Root may write any file, as opening it would let it.
    if (geteuid() == 0) {
        EXPECT_EQ(ReplaceFile(mix, {3}), WriteResult::Ok);
    }
}

TEST_F(FileStore, AFileIsProtectedOnlyWhenItsUserMayNotWriteIt) {
    ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
    const std::string mix = Path("Own.mvle");
    ASSERT_EQ(InUnprivilegedChild([&] { return int(ReplaceFile(mix, {1})); }), 0);
    // A sandbox answers the calls that check access with EPERM: the user's own file is saved
    // over, as an open would let it be.
    EXPECT_EQ(
        InUnprivilegedChild([&] { return RefuseAccessChecks() ? ReplaceOutcome(mix, 2) : 255; }),
        Outcome(WriteResult::Ok, 1));
    EXPECT_EQ(Read(mix), (std::vector<uint8_t>{2}));
    // The immutable flag protects a file even from root.
    if (!SetImmutable(mix, true)) GTEST_SKIP() << "no immutable flag here";
    EXPECT_EQ(ReplaceOutcome(mix, 3), Outcome(WriteResult::WriteProtected, 0));
    EXPECT_TRUE(SetImmutable(mix, false));
}

TEST_F(FileStore, ReplacedFilesKeepTheirGroupWhereTheUserMaySetIt) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can put a user in a group for the test";
    ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
    const gid_t audio = 4242;    // a group of the saving user's
    const gid_t foreign = 4343;  // a group the saving user is not in
    const std::string shared = Path("shared.mvle");
    const std::string given = Path("given.mvle");
    for (const auto& [path, group] : {std::pair{shared, audio}, std::pair{given, foreign}}) {
        ASSERT_EQ(ReplaceFile(path, {1}), WriteResult::Ok);
        ASSERT_EQ(chown(path.c_str(), kNobody, group), 0);
        ASSERT_EQ(chmod(path.c_str(), 0660), 0);
    }

    const auto save = [&](const std::string& path) {
        return InUnprivilegedChild([&] { return ReplaceOutcome(path, 2); }, {audio});
    };
    // The new file is the user's, in the old group, with the old bits.
    EXPECT_EQ(save(shared), Outcome(WriteResult::Ok, 1));
    struct stat st;
    ASSERT_EQ(stat(shared.c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, audio);
    EXPECT_EQ(st.st_mode & 07777, 0660u);
    // A group the user may not give a file is no reason to fail: the file keeps the user's own,
    // which gets no more rights than the others had.
    EXPECT_EQ(save(given), Outcome(WriteResult::Ok, 1));
    ASSERT_EQ(stat(given.c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, kNobody);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(Read(given), (std::vector<uint8_t>{2}));
}

TEST_F(FileStore, NamesAsLongAsAFileSystemTakesAreSaved) {
    const std::string longest(NAME_MAX, 'm');
    ASSERT_EQ(ReplaceFile(Path(longest), {1}), WriteResult::Ok);
    EXPECT_EQ(Read(Path(longest)), (std::vector<uint8_t>{1}));

    // A long name of two-byte characters: the temporary file of a killed save begins with
    // whole characters of it, and a later save knows the file as its own leftover.
    std::string accented;
    while (accented.size() + 2 < NAME_MAX) accented += "\xC3\xA9";
    const std::string target = Path(accented);
    ASSERT_EQ(ReplaceFile(target, {1}), WriteResult::Ok);
    const pid_t killed = KilledSave(target);
    std::vector<std::string> leftovers = Entries(folder);
    std::erase_if(leftovers, [&](const std::string& n) { return n == longest || n == accented; });
    ASSERT_EQ(leftovers.size(), 1u);
    const std::string leftover = leftovers.front();
    const std::string base = leftover.substr(0, leftover.rfind(".part"));
    EXPECT_EQ(leftover.substr(base.size()), ".part" + std::to_string(killed) + "-0");
    EXPECT_FALSE(base.empty());
    EXPECT_EQ(base.size() % 2, 0u);
    EXPECT_EQ(accented.compare(0, base.size(), base), 0);
    MakeOld(Path(leftover));
    ASSERT_EQ(ReplaceFile(target, {3}), WriteResult::Ok);
    EXPECT_EQ(Sorted(Entries(folder)), Sorted({longest, accented}));
    EXPECT_EQ(Read(target), (std::vector<uint8_t>{3}));
}

TEST_F(FileStore, TemporaryFilesOfKilledSavesAreRemovedOnceAbandoned) {
    const std::string target = Path("Settings.mvle");
    ASSERT_EQ(ReplaceFile(target, {1}), WriteResult::Ok);

    // Saves killed between creating their new file and renaming it: the old file survives
    // each, and each leaves its temporary file.
    std::vector<std::string> expected = {"Settings.mvle"};
    for (int kill = 0; kill < 5; ++kill) {
        expected.push_back("Settings.mvle.part" + std::to_string(KilledSave(target)) + "-0");
        EXPECT_EQ(Sorted(Entries(folder)), Sorted(expected));
        EXPECT_EQ(Read(target), (std::vector<uint8_t>{1}));
    }

    // Fresh, they cannot be told from saves still running in another pid namespace or on
    // another machine, so they stay; once old, the next save clears them away.
    ASSERT_EQ(ReplaceFile(target, {3}), WriteResult::Ok);
    EXPECT_EQ(Sorted(Entries(folder)), Sorted(expected));
    for (const std::string& name : expected) MakeOld(Path(name));
    ASSERT_EQ(ReplaceFile(target, {4}), WriteResult::Ok);
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Settings.mvle"}));
    EXPECT_EQ(Read(target), (std::vector<uint8_t>{4}));
}

TEST_F(FileStore, OnlyTheUsersOwnAbandonedLeftoversForThisTargetAreRemoved) {
    ASSERT_EQ(mkdir(Path("dotfiles").c_str(), 0700), 0);
    const std::string target = Path("dotfiles/Settings.mvle");
    ASSERT_EQ(symlink("dotfiles/Settings.mvle", Path("link").c_str()), 0);
    // Whatever process named them: the pid means nothing in another pid namespace.
    const std::string dead = std::to_string(DeadPid());
    const std::string live = std::to_string(getppid());
    const std::string own = std::to_string(getpid());
    const std::vector<std::string> removed = {
        "Settings.mvle.part" + dead + "-0",
        "Settings.mvle.part" + dead + "-17",
        "Settings.mvle.part" + live + "-0",
        "Settings.mvle.part" + own + "-0",
    };
    std::vector<std::string> kept = {
        "Other.mvle.part" + dead + "-0",
        "Settings.mvle.part" + dead + "-0.bak",
        "Settings.mvle.part" + dead + "-",
        "Settings.mvle.part" + dead,
        "Settings.mvle.part0" + dead + "-0",
        "Settings.mvle.part-" + dead + "-0",
        "Settings.mvle.part0-0",
        "Settings.mvle.part99999999999-0",
        "Settings.mvle.partx-0",
    };
    const auto leaveOld = [&](const std::string& name) {
        Touch(Path("dotfiles/" + name));
        MakeOld(Path("dotfiles/" + name));
    };
    for (const std::string& name : removed) leaveOld(name);
    for (const std::string& name : kept) leaveOld(name);
    // A folder of the pattern is not ours to remove, nor is another user's file.
    const std::string folderLike = "Settings.mvle.part" + dead + "-1";
    ASSERT_EQ(mkdir(Path("dotfiles/" + folderLike).c_str(), 0700), 0);
    MakeOld(Path("dotfiles/" + folderLike));
    if (geteuid() == 0) {
        const std::string theirs = "Settings.mvle.part" + dead + "-2";
        leaveOld(theirs);
        ASSERT_EQ(chown(Path("dotfiles/" + theirs).c_str(), kNobody, kNobody), 0);
        kept.push_back(theirs);
    }
    // A fresh file may belong to a save running right now, whatever its pid.
    const std::string fresh = "Settings.mvle.part" + dead + "-3";
    Touch(Path("dotfiles/" + fresh));
    kept.push_back(fresh);

    // The leftovers beside the file that a link names are the ones that count.
    ASSERT_EQ(ReplaceFile(Path("link"), {6}), WriteResult::Ok);
    std::vector<std::string> expected = kept;
    expected.push_back(folderLike);
    expected.push_back("Settings.mvle");
    EXPECT_EQ(Sorted(Entries(Path("dotfiles"))), Sorted(expected));
    EXPECT_EQ(Read(target), (std::vector<uint8_t>{6}));
}

TEST_F(FileStore, FoldersThatRefuseTheSaveAreFoundBeforeAnythingIsAnnounced) {
    // The child may run as another user: it needs to reach the folders.
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);

    // A read-only folder: no new file, and the old one stays.
    const std::string readOnly = Path("read-only");
    ASSERT_EQ(mkdir(readOnly.c_str(), 0755), 0);
    ASSERT_EQ(ReplaceFile(readOnly + "/Settings.mvle", {1}), WriteResult::Ok);
    ASSERT_EQ(chmod((readOnly + "/Settings.mvle").c_str(), 0666), 0);
    ASSERT_EQ(chmod(readOnly.c_str(), 0555), 0);
    EXPECT_EQ(InUnprivilegedChild([&] { return ReplaceOutcome(readOnly + "/Settings.mvle", 2); }),
              Outcome(WriteResult::CannotCreate, 0));
    EXPECT_EQ(Read(readOnly + "/Settings.mvle"), (std::vector<uint8_t>{1}));
    EXPECT_EQ(Entries(readOnly), (std::vector<std::string>{"Settings.mvle"}));

    // A sticky folder open to all: another user's file cannot be renamed over, although a
    // new file can be made beside it; a file of one's own can.
    const std::string shared = Path("shared");
    ASSERT_EQ(mkdir(shared.c_str(), 0777), 0);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    ASSERT_EQ(ReplaceFile(shared + "/Theirs.mvle", {1}), WriteResult::Ok);
    ASSERT_EQ(chmod((shared + "/Theirs.mvle").c_str(), 0666), 0);
    if (geteuid() == 0) {
        EXPECT_EQ(InUnprivilegedChild([&] { return ReplaceOutcome(shared + "/Theirs.mvle", 2); }),
                  Outcome(WriteResult::CannotReplace, 0));
    }
    EXPECT_EQ(InUnprivilegedChild([&] {
                  ReplaceFile(shared + "/Mine.mvle", {1});
                  return ReplaceOutcome(shared + "/Mine.mvle", 2);
              }),
              Outcome(WriteResult::Ok, 1));
    EXPECT_EQ(Read(shared + "/Theirs.mvle"), (std::vector<uint8_t>{1}));
    EXPECT_EQ(Read(shared + "/Mine.mvle"), (std::vector<uint8_t>{2}));
    EXPECT_EQ(Sorted(Entries(shared)), (std::vector<std::string>{"Mine.mvle", "Theirs.mvle"}));
}

TEST_F(FileStore, LinksThatOthersPlantInASharedStickyFolderAreNotFollowed) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can plant links as other users";
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    // The saving user's private file, and a sticky folder open to all, as /tmp is.
    const std::string own = Path("own");
    ASSERT_EQ(mkdir(own.c_str(), 0700), 0);
    ASSERT_EQ(chown(own.c_str(), kNobody, kNobody), 0);
    const std::string secret = own + "/secret";
    ASSERT_EQ(ReplaceFile(secret, {1}), WriteResult::Ok);
    ASSERT_EQ(chown(secret.c_str(), kNobody, kNobody), 0);
    const std::string shared = Path("shared");
    ASSERT_EQ(mkdir(shared.c_str(), 0777), 0);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    const auto link = [&](const std::string& path, uid_t owner) {
        ASSERT_EQ(symlink(secret.c_str(), path.c_str()), 0);
        ASSERT_EQ(lchown(path.c_str(), owner, owner), 0);
    };
    const auto save = [&](const std::string& path, uint8_t value) {
        return InUnprivilegedChild([&] { return ReplaceOutcome(path, value); });
    };

    // Another user's link there is refused before the device is asked to store, also at the
    // end of a chain that starts in the user's own folder: each link counts in its own folder.
    link(shared + "/planted.mvle", kOtherUser);
    ASSERT_EQ(symlink("../shared/planted.mvle", (own + "/via.mvle").c_str()), 0);
    ASSERT_EQ(lchown((own + "/via.mvle").c_str(), kNobody, kNobody), 0);
    EXPECT_EQ(save(shared + "/planted.mvle", 2), Outcome(WriteResult::CannotReplace, 0));
    EXPECT_EQ(save(own + "/via.mvle", 3), Outcome(WriteResult::CannotReplace, 0));
    EXPECT_EQ(Read(secret), (std::vector<uint8_t>{1}));

    // The user's own link there, and the folder owner's, are followed.
    link(shared + "/mine.mvle", kNobody);
    link(shared + "/folder-owner.mvle", 0);
    EXPECT_EQ(save(shared + "/mine.mvle", 4), Outcome(WriteResult::Ok, 1));
    EXPECT_EQ(Read(secret), (std::vector<uint8_t>{4}));
    EXPECT_EQ(save(shared + "/folder-owner.mvle", 5), Outcome(WriteResult::Ok, 1));
    EXPECT_EQ(Read(secret), (std::vector<uint8_t>{5}));

    // Where only its owner may write, a sticky folder holds no planted links.
    const std::string closed = Path("closed");
    ASSERT_EQ(mkdir(closed.c_str(), 0755), 0);
    ASSERT_EQ(chmod(closed.c_str(), 01755), 0);
    link(closed + "/given.mvle", kOtherUser);
    EXPECT_EQ(save(closed + "/given.mvle", 6), Outcome(WriteResult::Ok, 1));
    EXPECT_EQ(Read(secret), (std::vector<uint8_t>{6}));
    for (const char* name : {"planted.mvle", "mine.mvle", "folder-owner.mvle"})
        EXPECT_TRUE(IsLink(shared + "/" + name)) << name;
}
