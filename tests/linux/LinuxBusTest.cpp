// The Linux bus against the emulated kernel: which node is the device, how plugs, re-plugs
// and bus resets look to the platform, and a node the user may not open.

#include "platform/linux/LinuxBus.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "platform/RunLoop.h"
#include "tests/devsim/PlatformWatch.h"
#include "tests/linux/EmulatedKernelTest.h"

namespace {

using namespace std::chrono_literals;
using platform::BusPresence;

const uint8_t kValue[4] = {0, 0, 0, 7};

// Drains the main run loop until `done` holds, for at most `limit`.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 3000ms) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        platform::RunMainRunLoopPending();
        if (done()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
}

class LinuxBusTest : public EmulatedMirovanTest {
  protected:
    void TearDown() override {
        watch.reset();
        bus.reset();
        platform::RunMainRunLoopPending();
    }

    void StartBus() {
        bus = std::make_unique<platform::LinuxBus>();
        platform::InstallDeviceBus(bus.get());
        watch = std::make_unique<devsim_test::RegistryWatch>();
    }

    // A session on the node the platform shows, or 0.
    uint64_t Open() {
        uint64_t session = 0;
        if (bus->FireWireOpen(uint32_t(watch->node), &session) != kFWASuccess) return 0;
        return session;
    }

    FWAStatus Write(uint64_t session) { return bus->WriteQuadlet(session, 0x0001, 4 * 3, kValue); }

    std::unique_ptr<platform::LinuxBus> bus;
    std::unique_ptr<devsim_test::RegistryWatch> watch;
};

TEST_F(LinuxBusTest, TheDeviceIsFollowedThroughUnplugAndPlug) {
    StartBus();
    ASSERT_TRUE(WaitFor([&] { return watch->node != 0; }));
    EXPECT_EQ(watch->guid, devsim::kDeviceGUID);
    const BusPresence first = bus->Presence();
    EXPECT_TRUE(first.fireWirePresent);
    const uint64_t session = Open();
    ASSERT_NE(session, 0u);
    ASSERT_EQ(Write(session), kFWASuccess);
    uint32_t reg = 0;
    model.Register(3, &reg);
    EXPECT_EQ(reg, 7u);

    mirovan->Unplug();
    ASSERT_TRUE(WaitFor([&] { return watch->node == 0; }));
    EXPECT_FALSE(bus->Presence().fireWirePresent);
    EXPECT_EQ(Write(session), kFWANoDevice);

    // Back as a new node: a new plug, and the old session stays dead.
    mirovan->Plug();
    ASSERT_TRUE(WaitFor([&] { return watch->node != 0; }));
    EXPECT_EQ(mirovan->Devnode(), "/dev/fw2");
    EXPECT_NE(bus->Presence().generation, first.generation);
    EXPECT_EQ(Write(session), kFWANoDevice);
    const uint64_t again = Open();
    ASSERT_NE(again, 0u);
    EXPECT_EQ(Write(again), kFWASuccess);
}

TEST_F(LinuxBusTest, AQuickReplugIsANewPlugButAPlainBusResetIsNot) {
    StartBus();
    ASSERT_TRUE(WaitFor([&] { return watch->node != 0; }));
    const uint64_t session = Open();
    const uint64_t plug = bus->Presence().generation;

    // Another device on the bus: one reset, a new node id; the session carries on after the
    // transient failure that the transport retries.
    mirovan->Node()->BusReset(200ms, 0xFFC2);
    EXPECT_EQ(Write(session), kFWABusReset);
    EXPECT_EQ(Write(session), kFWASuccess);
    ASSERT_TRUE(WaitFor([&] { return watch->node == 0xFFC2; }));
    EXPECT_EQ(bus->Presence().generation, plug);
    EXPECT_EQ(Write(session), kFWASuccess);

    // Pulled and plugged back on the same node: while it is off the bus it cannot be opened,
    // and once back it is a new plug that the old session does not reach.
    mirovan->Node()->LeaveBus();
    EXPECT_EQ(Write(session), kFWABusReset);
    uint64_t none = 0;
    EXPECT_EQ(bus->FireWireOpen(0xFFC2, &none), kFWANoDevice);
    mirovan->Node()->ReturnToBus();
    ASSERT_TRUE(WaitFor([&] { return bus->Presence().generation != plug; }));
    EXPECT_EQ(Write(session), kFWANoDevice);
    ASSERT_TRUE(WaitFor([&] { return watch->node != 0; }));
    EXPECT_EQ(Write(Open()), kFWASuccess);
}

TEST_F(LinuxBusTest, OnlyTheFirstNodeThatIsTheDeviceIsTaken) {
    mirovan->Unplug();
    // The names of another product, a GUID of another product, and no device node at all.
    testbed::Pairs other = testbed::EmulatedMirovan::DeviceAttributes(devsim::kDeviceGUID);
    other[4].second = "MirovanXL";
    testbed->AddDevice("firewire", "fw7", {}, other, {}, "fw7", testbed::NodeKind::Pty);
    testbed->AddDevice("firewire", "fw8", {},
                       testbed::EmulatedMirovan::DeviceAttributes(0x0A7E570100050001ULL), {}, "fw8",
                       testbed::NodeKind::Pty);
    testbed->AddDevice("firewire", "fw9", {},
                       testbed::EmulatedMirovan::DeviceAttributes(devsim::kDeviceGUID));
    StartBus();
    EXPECT_FALSE(bus->Presence().fireWirePresent);

    // Two MirovanLEs: the first listed.
    mirovan->Plug();
    ASSERT_TRUE(WaitFor([&] { return bus->Presence().fireWirePresent; }));
    devsim::DeviceModel secondModel;
    testbed::EmulatedMirovan second(*testbed, secondModel, 5, 2);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(mirovan->Node()->Requests(), 0u);
    EXPECT_EQ(Write(Open()), kFWASuccess);
    EXPECT_EQ(mirovan->Node()->Requests(), 1u);
}

TEST_F(LinuxBusTest, ANodeThatMayNotBeOpenedIsNamedOnceAndTakenWhenAllowed) {
    // As an ordinary user, to whom the node is root's alone.
    testbed->OpenToAllUsers();
    const std::string pty = testbed->Path(mirovan->Devnode());
    char target[64] = {};
    ASSERT_GT(::readlink(pty.c_str(), target, sizeof target - 1), 0);
    ::chmod(target, 0600);
    int errors[2], ready[2];
    ASSERT_EQ(::pipe(errors), 0);
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(errors[1], STDERR_FILENO);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(10);
        platform::LinuxBus user;
        std::this_thread::sleep_for(200ms);
        if (user.Presence().fireWirePresent) ::_exit(11);
        (void)!::write(ready[1], "r", 1);
        const auto deadline = std::chrono::steady_clock::now() + 3s;
        while (!user.Presence().fireWirePresent) {
            if (std::chrono::steady_clock::now() > deadline) ::_exit(12);
            std::this_thread::sleep_for(10ms);
        }
        ::_exit(0);
    }
    ::close(errors[1]);
    ::close(ready[1]);
    char byte = 0;
    const bool asked = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    // Events that make the bus look again, before the change that lets it open the node, as
    // the rules file gives it at the next trigger.
    testbed->Uevent(mirovan->NodeSyspath(), "change");
    testbed->Uevent(mirovan->NodeSyspath(), "change");
    std::this_thread::sleep_for(100ms);
    // What udev does to the node: its mode changes, which shows in its folder.
    ::chmod(target, 0666);
    const timespec now[2] = {{0, UTIME_NOW}, {0, UTIME_NOW}};
    ::utimensat(AT_FDCWD, pty.c_str(), now, AT_SYMLINK_NOFOLLOW);
    int status = 0;
    ::waitpid(child, &status, 0);
    std::string said;
    char chunk[512];
    for (ssize_t n; (n = ::read(errors[0], chunk, sizeof chunk)) > 0;)
        said.append(chunk, size_t(n));
    ::close(errors[0]);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status << said;
    size_t lines = 0;
    for (size_t at = said.find("no permission"); at != std::string::npos;
         at = said.find("no permission", at + 1))
        ++lines;
    EXPECT_EQ(lines, 1u) << said;
    EXPECT_NE(said.find(mirovan->Devnode()), std::string::npos) << said;
    EXPECT_NE(said.find("70-mirovan-control.rules"), std::string::npos) << said;
}

}  // namespace
