#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>
#include <sstream>
#include <thread>

#include "devsim/Command.h"
#include "devsim/Server.h"
#include "platform/sim/SimulatorSocket.h"
#include "tests/devsim/TempSocket.h"
#include "tests/devsim/WireBytes.h"

namespace {

using namespace devsim;

class ServedModel : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(server.Start(socket.path(), &error)) << error;
    }

    // Runs a sub-command; returns its exit code and keeps what it printed.
    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return RunControlCommand(args, socket.path(), out, err);
    }

    devsim_test::TempSocket socket;
    DeviceModel model;
    Server server{model};
    std::ostringstream out, err;
};

TEST_F(ServedModel, ReadsRegistersAndTheWriteLogInTheDocumentedFormats) {
    uint64_t session = 0;
    ASSERT_EQ(model.Open(kDeviceNodeID, &session), kFWASuccess);
    std::vector<uint8_t> block = devsim_test::Pairs({{87, 0x2000000}, {3, 0xABCDEF}});
    ASSERT_EQ(model.WriteBlock(session, kRegisterSpaceHi, kBlockCommandLo, block.data(), 16),
              kFWASuccess);

    ASSERT_EQ(Run({"reg", "87"}), 0) << err.str();
    EXPECT_EQ(out.str(), "0x02000000\n");
    ASSERT_EQ(Run({"regs"}), 0);
    std::istringstream lines(out.str());
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "%d 0x%08X", count,
                      count == 3    ? 0xABCDEF
                      : count == 87 ? 0x2000000
                                    : 0);
        if (count != 108 && (count < 90 || count > 103)) {
            EXPECT_EQ(line, expected);
        }
        ++count;
    }
    EXPECT_EQ(count, 115);

    ASSERT_EQ(Run({"writes", "--clear"}), 0);
    EXPECT_EQ(out.str(), "87 0x02000000\n3 0x00ABCDEF\n");
    ASSERT_EQ(Run({"writes"}), 0);
    EXPECT_EQ(out.str(), "");
}

TEST_F(ServedModel, ControlsChangeTheModel) {
    ASSERT_EQ(Run({"meter", "93", "0x40000000"}), 0);
    ASSERT_EQ(Run({"reg", "93"}), 0);
    EXPECT_EQ(out.str(), "0x40000000\n");
    ASSERT_EQ(Run({"external", "96000"}), 0);
    ASSERT_EQ(Run({"reg", "108"}), 0);
    EXPECT_EQ(out.str(), "0x00000303\n");
    ASSERT_EQ(Run({"external", "none"}), 0);
    EXPECT_EQ(model.ExternalInputRate(), 0u);
    ASSERT_EQ(Run({"in-use", "1"}), 0);
    EXPECT_TRUE(model.InUse());
    ASSERT_EQ(Run({"rate", "88200"}), 0);
    ASSERT_EQ(Run({"rate"}), 0);
    EXPECT_EQ(out.str(), "88200\n");
    ASSERT_EQ(Run({"firmware", "4762"}), 0);
    ASSERT_EQ(Run({"power-cycle"}), 0);
    EXPECT_EQ(model.InfoQuadlet(kFirmwareQuadlet) & 0xFFFF, 4762u);
    EXPECT_EQ(model.NominalRate(), 44100u);
    ASSERT_EQ(Run({"unplug"}), 0);
    EXPECT_FALSE(model.IsPlugged());
    EXPECT_NE(Run({"rate", "48000"}), 0);  // no audio device to change
    EXPECT_NE(err.str().find("unplugged"), std::string::npos);
    ASSERT_EQ(Run({"plug"}), 0);

    ASSERT_EQ(Run({"fail", "2", "0xE0008014"}), 0);
    uint64_t session = 0;
    ASSERT_EQ(model.Open(kDeviceNodeID, &session), kFWASuccess);
    uint8_t b[4];
    EXPECT_EQ(model.ReadQuadlet(session, kRegisterSpaceHi, 0, b), kFWABusReset);
    EXPECT_EQ(model.ReadQuadlet(session, kRegisterSpaceHi, 0, b), kFWABusReset);
    EXPECT_EQ(model.ReadQuadlet(session, kRegisterSpaceHi, 0, b), kFWASuccess);
    ASSERT_EQ(Run({"fail", "1"}), 0);  // the first transient code by default
    EXPECT_EQ(model.ReadQuadlet(session, kRegisterSpaceHi, 0, b), kFWATimeout);
}

TEST_F(ServedModel, BadArgumentsAreRefusedWithAMessage) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"reg"},
        {"reg", "115"},
        {"reg", "-1"},
        {"reg", "12x"},
        {"meter", "89", "1"},
        {"meter", "90", "0x100000000"},
        {"external", "fast"},
        {"in-use", "2"},
        {"rate", "32000"},
        {"fail", "1", "0"},
        {"firmware", "70000"},
        {"writes", "--all"},
        {"frobnicate"},
    };
    for (const auto& args : bad) {
        EXPECT_EQ(Run(args), 1) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(out.str(), "");
        EXPECT_EQ(err.str().rfind("mirovan-devsim: ", 0), 0u);
    }
    EXPECT_TRUE(model.Writes().empty());
}

TEST_F(ServedModel, MalformedRequestsAreRefusedAndTheServerKeepsServing) {
    platform::LineChannel channel;
    ASSERT_TRUE(channel.Connect(socket.path(), 1000));
    std::string answer;
    for (const char* request : {"", "open", "read 1 2", "write 1 1 0 zz", "block 1 1 65536 123",
                                "avc 1 00ff", "meter 90", "reg 999", "state extra", "\x01\x02"}) {
        ASSERT_TRUE(channel.SendLine(request, 1000));
        ASSERT_TRUE(channel.ReadLine(&answer, 1000, 4096)) << request;
        EXPECT_EQ(answer, std::to_string(kFWABadArgument)) << request;
    }
    // An endless line costs the sender its connection, nobody else's.
    platform::LineChannel flood;
    ASSERT_TRUE(flood.Connect(socket.path(), 1000));
    std::string junk(64 * 1024, 'x');
    flood.SendLine(junk, 1000);
    EXPECT_FALSE(flood.ReadLine(&answer, 1000, 4096));
    ASSERT_EQ(Run({"reg", "0"}), 0);
}

TEST(ServerStart, RefusesAPathThatIsServedAlreadyAndReplacesAStaleOne) {
    devsim_test::TempSocket socket;
    DeviceModel model;
    std::string error;
    {
        Server first(model);
        ASSERT_TRUE(first.Start(socket.path(), &error));
        DeviceModel other;
        Server second(other);
        EXPECT_FALSE(second.Start(socket.path(), &error));
        EXPECT_NE(error.find("already"), std::string::npos);
    }
    std::ostringstream out, err;
    EXPECT_EQ(RunControlCommand({"reg", "0"}, socket.path(), out, err), 1);
    EXPECT_NE(err.str().find("no simulator answers"), std::string::npos);

    FILE* stale = std::fopen(socket.path().c_str(), "w");  // left behind by a crash
    ASSERT_NE(stale, nullptr);
    std::fclose(stale);
    Server again(model);
    EXPECT_TRUE(again.Start(socket.path(), &error)) << error;
}

#ifdef MIROVAN_DEVSIM_COMMAND
// The real command, as scripts and the end-to-end tests use it.
std::string Shell(const std::string& socket, const std::string& args, int* status) {
    std::string command =
        "MIROVANLE_SIM_SOCKET='" + socket + "' '" MIROVAN_DEVSIM_COMMAND "' " + args + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    size_t n;
    while (pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    int raw = pipe ? ::pclose(pipe) : -1;
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return output;
}

TEST(DevsimCommand, ServesUntilTerminatedAndAnswersItsSubCommands) {
    devsim_test::TempSocket socket;
    int status = 0;
    std::string server = "MIROVANLE_SIM_SOCKET='" + socket.path() +
                         "' exec '" MIROVAN_DEVSIM_COMMAND
                         "' serve --firmware 4762 --rate 48000 >/dev/null 2>&1 & echo $!";
    FILE* pipe = ::popen(server.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    int pid = 0;
    ASSERT_EQ(std::fscanf(pipe, "%d", &pid), 1);
    ::pclose(pipe);

    std::string rate;
    for (int i = 0; i < 100 && (rate = Shell(socket.path(), "rate", &status)) != "48000\n"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(rate, "48000\n");
    EXPECT_EQ(Shell(socket.path(), "reg 108", &status), "0x00000001\n");
    EXPECT_EQ(Shell(socket.path(), "writes", &status), "");
    EXPECT_EQ(status, 0);
    Shell(socket.path(), "reg 300", &status);
    EXPECT_EQ(status, 1);
    Shell(socket.path(), "serve", &status);
    EXPECT_EQ(status, 1);  // one simulator per socket

    ::kill(pid, SIGTERM);
    // The server is no child of ours, so wait for it to remove its socket rather than reap it.
    for (int i = 0; i < 100 && ::access(socket.path().c_str(), F_OK) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    Shell(socket.path(), "rate", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(::access(socket.path().c_str(), F_OK), 0);  // the socket file went with it
}
#endif

}  // namespace
