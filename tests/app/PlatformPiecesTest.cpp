#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <string>

#include "platform/wx/Launcher.h"
#include "platform/wx/Paths.h"
#include "platform/wx/SleepNotifier.h"

namespace {

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name(name) {
        if (const char* old = std::getenv(name)) saved = old, hadValue = true;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (hadValue)
            setenv(name, saved.c_str(), 1);
        else
            unsetenv(name);
    }

  private:
    const char* name;
    std::string saved;
    bool hadValue = false;
};

}  // namespace

TEST(Paths, DefaultSettingsFollowTheXdgRule) {
    const std::string tail = "/example.kestrovel.MirovanControlLE/Settings.mvle";
    ScopedEnv home("HOME", "/home/someone");
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/srv/config/");
        EXPECT_EQ(platform::DefaultSettingsPath(), "/srv/config" + tail);
    }
    for (const char* ignored : {"", "relative/config"}) {
        ScopedEnv xdg("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(platform::DefaultSettingsPath(), "/home/someone/.config" + tail) << ignored;
    }
    ScopedEnv unset("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(platform::DefaultSettingsPath(), "/home/someone/.config" + tail);
}

TEST(Paths, UpdaterLiesBesideTheExecutable) {
    const std::string folder = platform::ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder[0], '/');
    EXPECT_EQ(access((folder + "/app_tests").c_str(), X_OK), 0);
    EXPECT_EQ(platform::FirmwareUpdaterPath(), folder + "/FirmwareUpdate.app");
}

TEST(Paths, WithoutProcTheExecutableIsFoundAsTheShellFoundIt) {
    const std::string folder = platform::ExecutableFolder();
    const std::string self = folder + "/app_tests";
    EXPECT_EQ(platform::ExecutableNamedBy("app_tests", "/", "/nonexistent::" + folder), self);
    EXPECT_EQ(platform::ExecutableNamedBy("app_tests", folder, "/nonexistent::/bin"), self);
    EXPECT_EQ(platform::ExecutableNamedBy("../app/app_tests", folder, ""), self);
    EXPECT_EQ(platform::ExecutableNamedBy("app_tests", "/", "/nonexistent"), "");
    EXPECT_EQ(platform::ExecutableNamedBy("./no_such_program", folder, folder), "");
}

TEST(Launcher, OpensNothingWithoutAnAbsoluteExistingUpdater) {
    EXPECT_FALSE(platform::LaunchUpdater(""));
    EXPECT_FALSE(platform::LaunchUpdater("FirmwareUpdate.app"));
    EXPECT_FALSE(platform::LaunchUpdater("/nonexistent/folder/FirmwareUpdate.app"));
}

TEST(SleepNotifier, SleepClosesFirstAndWakingDoesNothing) {
    // Without a system bus (as here) nothing is watched, but the hook still works.
    ScopedEnv bus("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system_bus_socket");
    int sleeps = 0;
    platform::SleepNotifier notifier([&] { ++sleeps; });
    EXPECT_FALSE(notifier.Watching());
    EXPECT_FALSE(notifier.HoldsInhibitor());
    notifier.PrepareForSleep(true);
    EXPECT_EQ(sleeps, 1);
    notifier.PrepareForSleep(false);
    EXPECT_EQ(sleeps, 1);
}
