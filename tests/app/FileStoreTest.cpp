#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "app/FileStore.h"

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

// Runs body in a child process, as the unprivileged user "nobody" when the tests run as
// root, so that folder permissions apply. Gives body's result.
int InUnprivilegedChild(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(255);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
    for (mode_t mode : {0600, 0640, 0755, 0444}) {
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

TEST_F(FileStore, TemporaryFilesOfKilledSavesAreRemovedAtTheNextSave) {
    const std::string target = Path("Settings.mvle");
    ASSERT_EQ(ReplaceFile(target, {1}), WriteResult::Ok);

    // Saves killed between creating their new file and renaming it: the old file survives
    // each, and each leaves its temporary file, which the next save clears away.
    for (int kill = 0; kill < 5; ++kill) {
        const pid_t child = fork();
        if (child == 0) {
            ReplaceFile(target, {2}, [] { raise(SIGKILL); });
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        const std::string leftover = "Settings.mvle.part" + std::to_string(child) + "-0";
        EXPECT_EQ(Sorted(Entries(folder)), (std::vector<std::string>{"Settings.mvle", leftover}));
        EXPECT_EQ(Read(target), (std::vector<uint8_t>{1}));
    }

    ASSERT_EQ(ReplaceFile(target, {3}), WriteResult::Ok);
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"Settings.mvle"}));
    EXPECT_EQ(Read(target), (std::vector<uint8_t>{3}));
}

TEST_F(FileStore, OnlyLeftoversOfGoneWritersForThisTargetAreRemoved) {
    ASSERT_EQ(mkdir(Path("dotfiles").c_str(), 0700), 0);
    const std::string target = Path("dotfiles/Settings.mvle");
    ASSERT_EQ(symlink("dotfiles/Settings.mvle", Path("link").c_str()), 0);
    const std::string dead = std::to_string(DeadPid());
    const std::string live = std::to_string(getppid());  // may be saving right now
    const std::string own = std::to_string(getpid());    // an earlier process with our pid
    const std::vector<std::string> removed = {
        "Settings.mvle.part" + dead + "-0",
        "Settings.mvle.part" + dead + "-17",
        "Settings.mvle.part" + own + "-0",
    };
    const std::vector<std::string> kept = {
        "Settings.mvle.part" + live + "-0",
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
    for (const std::vector<std::string>* names : {&removed, &kept})
        for (const std::string& name : *names) Touch(Path("dotfiles/" + name));
    // A folder of the pattern is not ours to remove.
    const std::string folderLike = "Settings.mvle.part" + dead + "-1";
    ASSERT_EQ(mkdir(Path("dotfiles/" + folderLike).c_str(), 0700), 0);

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
