// The device object over the real simulator server and the program's socket bus: the first
// step after an open reaches the server's registers exactly as it reaches the in-process model.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "device/MirovanHAL.h"
#include "device/MirovanPlugin.h"
#include "platform/RunLoop.h"
#include "platform/SleepHook.h"
#include "platform/sim/SimulatorClientBus.h"
#include "tests/device/DeviceFixture.h"

namespace devicetest {
namespace {

#ifdef MIROVAN_DEVSIM_PATH
constexpr const char* kDevsim = MIROVAN_DEVSIM_PATH;

void NoSleep(uint32_t) {}

// Runs `mirovan-devsim args`; its standard output, and whether it exited 0.
bool Command(const std::string& args, std::string* out = nullptr) {
    const std::string line = std::string("'") + kDevsim + "' " + args + " 2>/dev/null";
    FILE* pipe = popen(line.c_str(), "r");
    if (pipe == nullptr) return false;
    std::string text;
    char buffer[512];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) text.append(buffer, n);
    const int status = pclose(pipe);
    if (out != nullptr) *out = text;
    return status == 0;
}

std::vector<devsim::RegisterWrite> ParseWrites(const std::string& text) {
    std::vector<devsim::RegisterWrite> writes;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        unsigned id = 0, value = 0;
        if (std::sscanf(text.substr(start, end - start).c_str(), "%u 0x%X", &id, &value) == 2)
            writes.push_back({id, value});
        start = end + 1;
    }
    return writes;
}

class ServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        socketPath = "/tmp/mirovan-device-test-" + std::to_string(getpid()) + ".sock";
        setenv("MIROVANLE_SIM_SOCKET", socketPath.c_str(), 1);
        server = fork();
        if (server == 0) {
            execl(kDevsim, kDevsim, "serve", "--rate", "48000", static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_GT(server, 0);
        for (int i = 0; i < 100 && !Command("reg 0"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(Command("reg 0")) << "the server did not answer";
        platform::SetSleepFunction(&NoSleep);
    }
    void TearDown() override {
        MirovanHAL::Destroy();
        platform::InstallDeviceBus(nullptr);
        bus.reset();
        platform::RunMainRunLoopPending();
        platform::SetSleepFunction(nullptr);
        if (server > 0) {
            kill(server, SIGTERM);
            int status = 0;
            waitpid(server, &status, 0);
        }
        unsetenv("MIROVANLE_SIM_SOCKET");
    }

    std::string socketPath;
    pid_t server = -1;
    std::unique_ptr<platform::SimulatorClientBus> bus;
    MirovanPlugin plugin;
};

TEST_F(ServerTest, FirstStepReachesTheServerRegisterByRegister) {
    bus = std::make_unique<platform::SimulatorClientBus>(socketPath);
    platform::InstallDeviceBus(bus.get());
    platform::RunMainRunLoopPending();
    MirovanHAL::Create();
    MirovanHAL::Get()->SetPlugin(&plugin);
    ASSERT_EQ(MirovanHAL::Get()->Open(), 0);
    EXPECT_EQ(MirovanHAL::Get()->GetSampleRate(), 48000);
    ASSERT_TRUE(Command("writes --clear"));

    MirovanHAL::Get()->StepAVC();
    EXPECT_TRUE(MirovanHAL::Get()->IsOpen());
    std::string out;
    ASSERT_TRUE(Command("writes", &out));
    EXPECT_EQ(ParseWrites(out), DefaultFirstStep48K());

    // A lost server reads as an unplugged device: the next access fails and closes.
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    server = -1;
    plugin.HostHasChangedParameter(6, 0.5f);
    MirovanHAL::Get()->StepAVC();
    EXPECT_FALSE(MirovanHAL::Get()->IsOpen());
}
#else
TEST(ServerTest, FirstStepReachesTheServerRegisterByRegister) {
    GTEST_SKIP() << "mirovan-devsim is not built";
}
#endif

}  // namespace
}  // namespace devicetest
