#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
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

    // The rename cannot put a file over a folder: the folder and its content survive.
    const std::string occupied = Path("occupied");
    ASSERT_EQ(mkdir(occupied.c_str(), 0700), 0);
    ASSERT_EQ(ReplaceFile(occupied + "/keep", {7}), WriteResult::Ok);
    EXPECT_EQ(ReplaceFile(occupied, {1, 2}), WriteResult::WriteFailed);
    EXPECT_EQ(Read(occupied + "/keep"), (std::vector<uint8_t>{7}));
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"occupied"}));
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
