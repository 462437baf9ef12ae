#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>

#include "app/DevicePanels.h"
#include "app/FileStore.h"
#include "app/MixFile.h"
#include "app/MixFiles.h"
#include "app/ParameterActions.h"
#include "app/ParameterIndex.h"
#include "app/ProjectPlug.h"
#include "app/UserMessages.h"
#include "tests/app/DeviceFixture.h"
#include "tests/app/UnprivilegedChild.h"

namespace {

class RecordingMessages : public UserMessages {
  public:
    void ShowError(const std::string& text) override { errors.push_back(text); }
    std::vector<std::string> errors;
};

class MixFilesTest : public DeviceFixture {
  protected:
    void SetUp() override {
        DeviceFixture::SetUp();
        OpenDevice();
        char pattern[] = "/tmp/mirovan-mixfiles-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        actions = std::make_unique<ParameterActions>(wrapper.get(), nullptr);
        files = std::make_unique<MixFiles>(wrapper.get(), &messages,
                                           [this] { actions->ResendDeviceSettings(); });
    }
    void TearDown() override {
        std::system(("rm -rf '" + folder + "'").c_str());
        DeviceFixture::TearDown();
    }

    std::string Path(const std::string& name) const { return folder + "/" + name; }

    void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(ReplaceFile(path, bytes), WriteResult::Ok);
    }

    std::vector<float> AllValues() {
        std::vector<float> v;
        for (int i = 0; i < kMirovanParameterCount; ++i) v.push_back(Value(i));
        return v;
    }

    std::string folder;
    RecordingMessages messages;
    std::unique_ptr<ParameterActions> actions;
    std::unique_ptr<MixFiles> files;
};

}  // namespace

TEST_F(MixFilesTest, SavedMixComesBackExceptTheDeviceState) {
    for (int i = 0; i < kMirovanParameterCount; ++i)
        wrapper->HostHasChangedParameter(i, float(i % 5) / 4.0f);
    wrapper->HostHasChangedParameterUnnormalised(param::kSampleRate, 2.0f);
    const std::vector<float> saved = AllValues();

    ASSERT_TRUE(files->Save(Path("mix.mvle"), kMixFileId));
    // The device is asked to store its own settings too.
    EXPECT_EQ(LastWrite(TakeWrites(), 110), 0);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(ReadWholeFile(Path("mix.mvle"), &bytes), ReadResult::Ok);
    EXPECT_EQ(bytes.size(), 324u);

    for (int i = 0; i < kMirovanParameterCount; ++i) wrapper->HostHasChangedParameter(i, 0.0f);
    ASSERT_TRUE(files->Load(Path("mix.mvle"), kMixFileId, false));
    EXPECT_TRUE(messages.errors.empty());
    for (int i = 0; i < kMirovanParameterCount; ++i) {
        if (i >= param::kSampleRate && i <= param::kSyncLocked)
            EXPECT_EQ(Value(i), 0.0f) << i;  // these follow the device, never a file
        else
            EXPECT_EQ(Value(i), saved[i]) << i;
    }

    // The settings no mixer register carries reach the device, changed or not.
    const auto writes = TakeWrites();
    for (uint32_t reg : {85u, 86u, 112u, 111u, 64u, 84u})
        EXPECT_NE(LastWrite(writes, reg), -1) << reg;
}

TEST_F(MixFilesTest, FailedChecksShowTheirMessageUnlessSilencedAndChangeNothing) {
    std::vector<uint8_t> corrupt =
        BuildMixFile(kMixFileId, kMixFileVersion, std::vector<float>(73, 1.0f));
    corrupt[100] ^= 0x10;
    WriteBytes(Path("corrupt.mvle"), corrupt);
    WriteBytes(Path("short.mvle"), {102, 0, 0});
    WriteBytes(Path("foreign.mvle"), std::vector<uint8_t>(324, 'x'));
    const std::vector<float> before = AllValues();

    EXPECT_TRUE(files->Load(Path("corrupt.mvle"), kMixFileId, false));
    EXPECT_TRUE(files->Load(Path("short.mvle"), kMixFileId, false));
    EXPECT_TRUE(files->Load(Path("foreign.mvle"), kMixFileId, false));
    EXPECT_EQ(messages.errors,
              (std::vector<std::string>{MixCheckMessage(MixCheck::Corrupt),
                                        MixCheckMessage(MixCheck::WrongLength),
                                        MixCheckMessage(MixCheck::WrongIdentity)}));
    EXPECT_EQ(AllValues(), before);
    EXPECT_TRUE(TakeWrites().empty());

    messages.errors.clear();
    EXPECT_TRUE(files->Load(Path("corrupt.mvle"), kMixFileId, true));
    EXPECT_TRUE(messages.errors.empty());

    // A file that cannot be read at all is passed over without a word.
    EXPECT_FALSE(files->Load(Path("absent.mvle"), kMixFileId, false));
    EXPECT_FALSE(files->Load(folder, kMixFileId, false));
    EXPECT_TRUE(messages.errors.empty());
}

TEST_F(MixFilesTest, LoadedValuesAreKeptWithinRange) {
    std::vector<float> values(73, 0.5f);
    values[6] = 1.5f;
    values[7] = -0.25f;
    values[8] = std::numeric_limits<float>::quiet_NaN();
    values[9] = std::numeric_limits<float>::infinity();
    values[23] = -std::numeric_limits<float>::infinity();
    WriteBytes(Path("odd.mvle"), BuildMixFile(kMixFileId, kMixFileVersion, values));
    ASSERT_TRUE(files->Load(Path("odd.mvle"), kMixFileId, false));
    EXPECT_EQ(Value(6), 1.0f);
    EXPECT_EQ(Value(7), 0.0f);
    EXPECT_EQ(Value(8), 1.0f);   // "Output Level for 5&6" defaults to 1
    EXPECT_EQ(Value(9), 0.5f);   // "Playback 1&2 to Monitor Mix" defaults to 0.5
    EXPECT_EQ(Value(23), 0.5f);  // a centred pan
}

TEST_F(MixFilesTest, ShorterBlocksLoadWhatTheyHold) {
    wrapper->HostHasChangedParameter(40, 0.75f);
    WriteBytes(Path("few.mvle"),
               BuildMixFile(kMixFileId, kMixFileVersion, std::vector<float>(10, 0.0f)));
    ASSERT_TRUE(files->Load(Path("few.mvle"), kMixFileId, false));
    EXPECT_EQ(Value(9), 0.0f);
    EXPECT_EQ(Value(40), 0.75f);
}

TEST_F(MixFilesTest, ALoadedMixIsTheFileWhateverThePanelsLinksHeldBefore) {
    RegisterViewTypes();
    MirovanNormalGUI panel(&plugin);  // its pan knobs are locked by the stereo links
    const int link34 = param::kStereoLink + 1, pan3 = param::kInputMonitorPan + 2;
    ASSERT_TRUE(files->Save(Path("centred.mvle"), kMixFileId));
    wrapper->HostHasChangedParameter(pan3, 1.0f);
    wrapper->HostHasChangedParameter(link34, 1.0f);
    ASSERT_EQ(Value(pan3), 0.0f);

    ASSERT_TRUE(files->Load(Path("centred.mvle"), kMixFileId, false));
    EXPECT_EQ(Value(link34), 0.0f);
    EXPECT_EQ(Value(pan3), 0.5f);
    EXPECT_EQ(Value(pan3 + 1), 0.5f);
    // By hand, the link still gives back the pans from before it.
    wrapper->HostHasChangedParameter(link34, 1.0f);
    wrapper->HostHasChangedParameter(link34, 0.0f);
    EXPECT_EQ(Value(pan3), 0.5f);
}

TEST_F(MixFilesTest, SaveThroughALinkWritesTheFileItNames) {
    ASSERT_TRUE(MakeParentFolder(Path("dotfiles/Settings.mvle")));
    ASSERT_EQ(symlink("dotfiles/Settings.mvle", Path("Settings.mvle").c_str()), 0);
    ASSERT_TRUE(files->Save(Path("Settings.mvle"), kMixFileId));
    EXPECT_NE(LastWrite(TakeWrites(), 110), -1);
    EXPECT_TRUE(messages.errors.empty());

    struct stat st;
    ASSERT_EQ(lstat(Path("Settings.mvle").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    std::vector<uint8_t> bytes;
    ASSERT_EQ(ReadWholeFile(Path("dotfiles/Settings.mvle"), &bytes), ReadResult::Ok);
    EXPECT_EQ(bytes.size(), 324u);
}

TEST_F(MixFilesTest, FailedSaveIsReportedAndKeepsTheOldFile) {
    ASSERT_TRUE(files->Save(Path("keep.mvle"), kMixFileId));
    std::vector<uint8_t> old;
    ASSERT_EQ(ReadWholeFile(Path("keep.mvle"), &old), ReadResult::Ok);
    TakeWrites();

    EXPECT_FALSE(files->Save(Path("no/such/folder/mix.mvle"), kMixFileId));
    ASSERT_EQ(messages.errors.size(), 1u);
    EXPECT_NE(messages.errors[0].find("no/such/folder/mix.mvle"), std::string::npos);
    // Nothing could be written, so the device was not asked to store either.
    EXPECT_EQ(LastWrite(TakeWrites(), 110), -1);

    // A folder in the way of the rename: reported, and the folder's file survives.
    ASSERT_TRUE(MakeParentFolder(Path("taken/keep.mvle")));
    ASSERT_TRUE(files->Save(Path("taken/keep.mvle"), kMixFileId));
    TakeWrites();
    EXPECT_FALSE(files->Save(Path("taken"), kMixFileId));
    EXPECT_EQ(messages.errors.size(), 2u);
    // Nothing was saved, so the device was not asked to store its settings.
    EXPECT_EQ(LastWrite(TakeWrites(), 110), -1);
    std::vector<uint8_t> still;
    EXPECT_EQ(ReadWholeFile(Path("taken/keep.mvle"), &still), ReadResult::Ok);
    EXPECT_EQ(still.size(), 324u);
}

TEST_F(MixFilesTest, ProtectedSettingsAreKeptAtExitWithoutABox) {
    ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
    const std::string settings = Path("Settings.mvle");
    ASSERT_EQ(InUnprivilegedChild([&] { return int(ReplaceFile(settings, {1})); }), 0);
    ASSERT_EQ(chmod(settings.c_str(), 0444), 0);
    // Saved as its owner, who protected it: the save through the dialog says it failed.
    EXPECT_EQ(InUnprivilegedChild([&] {
                  if (files->SaveSettings(settings, kMixFileId) || !messages.errors.empty())
                      return 1;
                  return files->Save(settings, kMixFileId) ? 2 : int(messages.errors.size());
              }),
              1);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(ReadWholeFile(settings, &bytes), ReadResult::Ok);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1}));
}

TEST_F(MixFilesTest, SettingsOnAReadOnlyFileSystemAreAFailedSaveWithItsBox) {
    const std::string settings = Path("Settings.mvle");
    ASSERT_TRUE(files->Save(settings, kMixFileId));
    // In a child that sees the folder as a read-only mount, as after a disk error.
    const pid_t child = fork();
    if (child == 0) {
        const char* at = folder.c_str();
        if (unshare(CLONE_NEWNS) || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) ||
            mount(at, at, nullptr, MS_BIND, nullptr) ||
            mount(nullptr, at, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr))
            _exit(255);
        _exit(files->SaveSettings(settings, kMixFileId) ? 1 : int(messages.errors.size()) + 10);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WEXITSTATUS(status) == 255) GTEST_SKIP() << "no read-only mount can be made here";
    EXPECT_EQ(WEXITSTATUS(status), 11);
}

TEST(MixSavePath, AddsTheExtensionThatTheLoadDialogListsUnlessTheNameEndsWithIt) {
    for (const auto& [chosen, saved] : std::initializer_list<std::pair<const char*, const char*>>{
             {"/m/Evening set", "/m/Evening set.mvle"},
             {"/m/Live 1.5", "/m/Live 1.5.mvle"},
             {"/m/J.S. Bach", "/m/J.S. Bach.mvle"},
             {"/m/live.set", "/m/live.set.mvle"},
             {"/m/.hidden", "/m/.hidden.mvle"},
             {"/m/LIVE.MVLE", "/m/LIVE.MVLE.mvle"},  // the load dialog's filter minds the case
             {"/m/mix.mvle", "/m/mix.mvle"},
             {"/v1.2/mix", "/v1.2/mix.mvle"},
         }) {
        EXPECT_EQ(MixSavePath(chosen), saved);
    }
}
