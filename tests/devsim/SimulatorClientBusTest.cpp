#include "platform/sim/SimulatorClientBus.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>

#include "devsim/Server.h"
#include "platform/RunLoop.h"
#include "tests/devsim/PlatformWatch.h"
#include "tests/devsim/TempSocket.h"
#include "tests/devsim/WireBytes.h"

namespace {

using namespace devsim;
using Clock = std::chrono::steady_clock;

constexpr int kPollMs = 20;

// Drains the main run loop until the condition holds or two seconds pass.
bool Eventually(const std::function<bool()>& condition) {
    auto deadline = Clock::now() + std::chrono::seconds(2);
    while (Clock::now() < deadline) {
        platform::RunMainRunLoopPending();
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

class ClientOverServer : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(server->Start(socket.path(), &error)) << error;
        bus = std::make_unique<platform::SimulatorClientBus>(socket.path(), kPollMs);
        platform::InstallDeviceBus(bus.get());
    }
    void TearDown() override { bus.reset(); }

    // The model of the server that serves now.
    DeviceModel& ServedModel() { return models.empty() ? model : *models.back(); }
    void StopServer() { server.reset(); }
    // Serves a new model, as a new mirovan-devsim process would.
    void StartNewServer() {
        models.push_back(std::make_unique<DeviceModel>());
        server = std::make_unique<Server>(*models.back());
        std::string error;
        ASSERT_TRUE(server->Start(socket.path(), &error)) << error;
    }

    devsim_test::TempSocket socket;
    DeviceModel model;
    std::vector<std::unique_ptr<DeviceModel>> models;  // of the servers started after the first
    std::unique_ptr<Server> server = std::make_unique<Server>(model);
    std::unique_ptr<platform::SimulatorClientBus> bus;
};

TEST_F(ClientOverServer, RegistersTravelOverTheSocketAsOnTheBus) {
    devsim_test::RegistryWatch watch;
    ASSERT_EQ(watch.node, kDeviceNodeID);
    EXPECT_EQ(watch.guid, kDeviceGUID);
    FWARef ref = nullptr;
    ASSERT_EQ(FWAOpen(uint32_t(watch.node), &ref), kFWASuccess);

    std::vector<uint8_t> block = devsim_test::Pairs({{10, 0x7FFF}, {88, 0x2000010}});
    FWAddress blockAddress{0, kRegisterSpaceHi, kBlockCommandLo};
    ASSERT_EQ(FWAWriteBlock(ref, &blockAddress, uint32_t(block.size()), block.data()), kFWASuccess);
    std::vector<uint8_t> frame = devsim_test::AVCFrame(0x01, {{10, 0}, {88, 0}});
    uint8_t response[24];
    uint32_t length = sizeof response;
    ASSERT_EQ(FWAExecuteAVC(ref, frame.data(), uint32_t(frame.size()), response, &length),
              kFWASuccess);
    ASSERT_EQ(length, 24u);
    EXPECT_EQ(devsim_test::Get32(response + 12), 0x7FFFu);
    EXPECT_EQ(devsim_test::Get32(response + 20), 0x2000010u);

    FWAddress bad{0, kRegisterSpaceHi, 4 * 108};
    EXPECT_EQ(FWAWriteQuadlet(ref, &bad, 0), kFWABadArgument);  // the device's own refusal
    model.FailNextAccesses(1, kFWABusReset);
    uint32_t value;
    EXPECT_EQ(FWAReadQuadlet(ref, &bad, &value), kFWABusReset);
    EXPECT_EQ(FWAReadQuadlet(ref, &bad, &value), kFWASuccess);
    EXPECT_EQ(model.Writes(), (std::vector<RegisterWrite>{{10, 0x7FFF}, {88, 0x2000010}}));
    FWAClose(ref);
}

TEST_F(ClientOverServer, ALostServerLooksUnpluggedAndARestartedOnePluggedBack) {
    devsim_test::RegistryWatch watch;
    devsim_test::AudioWatch audio;
    ASSERT_EQ(audio.device, kAudioDeviceID);
    FWARef ref = nullptr;
    ASSERT_EQ(FWAOpen(kDeviceNodeID, &ref), kFWASuccess);

    server.reset();
    auto start = Clock::now();
    FWAddress address{0, kRegisterSpaceHi, 0};
    uint32_t value;
    EXPECT_EQ(FWAReadQuadlet(ref, &address, &value), kFWANoDevice);
    EXPECT_LT(Clock::now() - start,
              std::chrono::milliseconds(platform::SimulatorClientBus::kCallTimeoutMs + 200));
    ASSERT_TRUE(Eventually([&] { return watch.terminations == 1 && audio.device == 0; }));

    server = std::make_unique<Server>(model);
    std::string error;
    ASSERT_TRUE(server->Start(socket.path(), &error)) << error;
    ASSERT_TRUE(Eventually([&] { return watch.matches == 2 && audio.device == kAudioDeviceID; }));
    EXPECT_EQ(watch.node, kDeviceNodeID);
    EXPECT_EQ(FWAReadQuadlet(ref, &address, &value), kFWANoDevice);  // opened on the old server
    FWAClose(ref);
    ASSERT_EQ(FWAOpen(kDeviceNodeID, &ref), kFWASuccess);
    EXPECT_EQ(FWAReadQuadlet(ref, &address, &value), kFWASuccess);
    FWAClose(ref);
}

TEST_F(ClientOverServer, PlugsAndPropertyChangesArriveWithinAFewPolls) {
    devsim_test::RegistryWatch watch;
    devsim_test::AudioWatch audio;
    audio.Take();
    model.SetRateFromOutside(96000);
    ASSERT_TRUE(Eventually([&] { return !audio.Take().empty(); }));
    double rate = 0;
    uint32_t size = sizeof rate;
    ASSERT_EQ(AudioDeviceGetProperty(kAudioDeviceID, 0, false,
                                     kAudioDevicePropertyNominalSampleRate, &size, &rate),
              0);
    EXPECT_EQ(rate, 96000.0);
    rate = 44100.5;
    EXPECT_EQ(AudioDeviceSetProperty(kAudioDeviceID, nullptr, 0, false,
                                     kAudioDevicePropertyNominalSampleRate, sizeof rate, &rate),
              kAudioDeviceUnsupportedFormatError);

    char name[64];
    size = sizeof name;
    ASSERT_EQ(AudioDeviceGetProperty(kAudioDeviceID, 0, false, kAudioDevicePropertyDeviceName,
                                     &size, name),
              0);
    EXPECT_STREQ(name, "MirovanLE");

    model.PowerCycle();  // faster than a poll: still an unplug followed by a plug
    // The registry's notices come on the main run loop, the device list's on the bus's thread:
    // neither waits for the other.
    EXPECT_TRUE(Eventually([&] {
        return watch.terminations == 1 && watch.matches == 2 && audio.device == kAudioDeviceID;
    }));
}

TEST_F(ClientOverServer, ARateSetHereReachesTheRateListenersBeforeTheCallReturns) {
    devsim_test::AudioWatch audio;
    ASSERT_EQ(audio.device, kAudioDeviceID);
    audio.Take();
    double rate = 96000.0;
    ASSERT_EQ(AudioDeviceSetProperty(kAudioDeviceID, nullptr, 0, false,
                                     kAudioDevicePropertyNominalSampleRate, sizeof rate, &rate),
              0);
    bool heard = false;
    for (const auto& call : audio.Take())
        heard |= call.property == kAudioDevicePropertyNominalSampleRate;
    EXPECT_TRUE(heard);  // no poll has passed yet: a reader of the old rate would see a change back
}

// A server that answers the watcher as a present device (or as the test says) and every other
// request as the test says.
class FakeServer {
  public:
    explicit FakeServer(const std::string& path,
                        std::function<std::string(const std::string&)> answer,
                        std::string stateAnswer = "0 1 65472 " + std::to_string(kDeviceGUID) +
                                                  " 19788 1 0 0 0")
        : answer_(std::move(answer)), stateAnswer_(std::move(stateAnswer)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, path.c_str());
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd_, 8);
        ::pipe(stop_);
        thread_ = std::thread([this] { Run(); });
    }
    ~FakeServer() {
        (void)!::write(stop_[1], "x", 1);
        thread_.join();
        ::close(fd_);
        ::close(stop_[0]);
        ::close(stop_[1]);
    }

  private:
    void Run() {
        std::vector<std::unique_ptr<platform::LineChannel>> clients;
        for (;;) {
            std::vector<pollfd> fds{{stop_[0], POLLIN, 0}, {fd_, POLLIN, 0}};
            for (auto& c : clients) fds.push_back({c->fd(), POLLIN, 0});
            ::poll(fds.data(), fds.size(), -1);
            if (fds[0].revents) return;
            const size_t polled = clients.size();
            if (fds[1].revents)
                clients.push_back(
                    std::make_unique<platform::LineChannel>(::accept(fd_, nullptr, nullptr)));
            for (size_t i = 0; i < polled; ++i) {
                if (!fds[i + 2].revents || !clients[i]->ReadAvailable()) continue;
                std::string line;
                while (clients[i]->TakeBufferedLine(&line)) {
                    std::string reply = line == "state" ? stateAnswer_ : answer_(line);
                    if (!reply.empty()) clients[i]->SendLine(reply, 1000);
                }
            }
        }
    }

    std::function<std::string(const std::string&)> answer_;
    std::string stateAnswer_;
    int fd_ = -1;
    int stop_[2] = {-1, -1};
    std::thread thread_;
};

// --- Servers that go and come --------------------------------------------------------------

// What a test sees of a device that should be plugged back: its services published again, its
// audio device listed with a name that was readable at once, a handle opened before that fails
// for good, and a new handle that reaches the device.
void ExpectPluggedBack(const devsim_test::RegistryWatch& watch,
                       const devsim_test::AudioWatch& audio, int matchesBefore, FWARef before) {
    ASSERT_TRUE(Eventually([&] {
        return watch.matches > matchesBefore && watch.node == kDeviceNodeID &&
               audio.device == kAudioDeviceID && audio.named;
    }));
    FWAddress address{0, kRegisterSpaceHi, 0};
    uint32_t value;
    EXPECT_EQ(FWAReadQuadlet(before, &address, &value), kFWANoDevice);
    FWARef after = nullptr;
    ASSERT_EQ(FWAOpen(kDeviceNodeID, &after), kFWASuccess);
    EXPECT_EQ(FWAReadQuadlet(after, &address, &value), kFWASuccess);
    FWAClose(after);
}

void SleepPolls(int polls) {
    std::this_thread::sleep_for(std::chrono::milliseconds(polls * kPollMs));
}

TEST_F(ClientOverServer, ANewServerIsADevicePluggedBackWhateverCameBefore) {
    devsim_test::RegistryWatch watch;
    devsim_test::AudioWatch audio;
    ASSERT_TRUE(audio.named);
    const auto gone = [&] { return watch.node == 0 && audio.device == 0; };
    // No call is made between the steps, so the first call after the plug is the name's read,
    // as in the program, whose audio link reads it on hearing of the device.
    const struct {
        const char* name;
        std::function<void()> steps;
    } orders[] = {
        {"unplugged, then the server stopped, then a new one",
         [&] {
             ServedModel().Unplug();
             ASSERT_TRUE(Eventually(gone));
             StopServer();
             SleepPolls(3);
             StartNewServer();
         }},
        {"the server stopped while plugged, then a new one",
         [&] {
             StopServer();
             ASSERT_TRUE(Eventually(gone));
             StartNewServer();
         }},
        {"the server replaced within a poll",
         [&] {
             StopServer();
             StartNewServer();
         }},
        {"a server that sends garbage between two",
         [&] {
             StopServer();
             {
                 FakeServer garbage(
                     socket.path(), [](const std::string&) { return "\x7f junk"; }, "junk");
                 ASSERT_TRUE(Eventually(gone));
                 SleepPolls(3);
             }
             StartNewServer();
         }},
        {"unplugged and plugged on the same server",
         [&] {
             ServedModel().Unplug();
             ASSERT_TRUE(Eventually(gone));
             ServedModel().Plug();
         }},
    };
    for (const auto& order : orders) {
        SCOPED_TRACE(order.name);
        FWARef before = nullptr;
        ASSERT_EQ(FWAOpen(kDeviceNodeID, &before), kFWASuccess);
        const int matches = watch.matches;
        order.steps();
        ExpectPluggedBack(watch, audio, matches, before);
        FWAClose(before);
    }
}

#ifdef MIROVAN_DEVSIM_COMMAND
// A mirovan-devsim process serving at a path, so that it can be stopped and continued.
class DevsimProcess {
  public:
    explicit DevsimProcess(const std::string& path) : path_(path) {
        std::string command = "MIROVANLE_SIM_SOCKET='" + path +
                              "' exec '" MIROVAN_DEVSIM_COMMAND "' serve >/dev/null 2>&1 & echo $!";
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) return;
        if (std::fscanf(pipe, "%d", &pid_) != 1) pid_ = 0;
        ::pclose(pipe);
        platform::LineChannel probe;
        for (int i = 0; i < 250 && pid_ > 0 && !probe.Connect(path, 100); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ~DevsimProcess() { Kill(SIGKILL); }
    int pid() const { return pid_; }
    void Signal(int signal) {
        if (pid_ > 0) ::kill(pid_, signal);
    }
    // Kills the process as a crash would, leaving its socket file behind, and waits until
    // nobody answers there.
    void Kill(int signal) {
        Signal(signal);
        pid_ = 0;
        platform::LineChannel probe;
        for (int i = 0; i < 250 && probe.Connect(path_, 100); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

  private:
    std::string path_;
    int pid_ = 0;
};

TEST(ClientOverStuckServer, AServerThatWasStuckIsADevicePluggedBack) {
    devsim_test::TempSocket socket;
    DevsimProcess devsim(socket.path());
    ASSERT_GT(devsim.pid(), 0);
    platform::SimulatorClientBus bus(socket.path(), kPollMs);
    platform::InstallDeviceBus(&bus);
    devsim_test::RegistryWatch watch;
    devsim_test::AudioWatch audio;
    ASSERT_TRUE(audio.named);
    const auto gone = [&] { return watch.node == 0 && audio.device == 0; };

    {
        SCOPED_TRACE("stopped, then continued");
        FWARef before = nullptr;
        ASSERT_EQ(FWAOpen(kDeviceNodeID, &before), kFWASuccess);
        const int matches = watch.matches;
        devsim.Signal(SIGSTOP);
        ASSERT_TRUE(Eventually(gone));
        devsim.Signal(SIGCONT);
        ExpectPluggedBack(watch, audio, matches, before);
        FWAClose(before);
    }
    {
        SCOPED_TRACE("stopped, then killed and replaced");
        FWARef before = nullptr;
        ASSERT_EQ(FWAOpen(kDeviceNodeID, &before), kFWASuccess);
        const int matches = watch.matches;
        devsim.Signal(SIGSTOP);
        ASSERT_TRUE(Eventually(gone));
        devsim.Kill(SIGKILL);
        DeviceModel model;
        Server server(model);
        std::string error;
        ASSERT_TRUE(server.Start(socket.path(), &error)) << error;
        ExpectPluggedBack(watch, audio, matches, before);
        FWAClose(before);
    }
    platform::InstallDeviceBus(nullptr);
}
#endif

TEST(ClientDistrust, AnswersAreTakenOnlyAsFarAsTheyAreValid) {
    devsim_test::TempSocket socket;
    std::string avcAnswer;
    FakeServer fake(socket.path(), [&](const std::string& line) -> std::string {
        if (line.rfind("open", 0) == 0) return "0 7";
        if (line.rfind("avc", 0) == 0) return avcAnswer;
        if (line.rfind("read", 0) == 0) return "0 12";                // short
        if (line.rfind("name", 0) == 0) return "0 4d69726f00414243";  // "Miro", NUL, more
        if (line.rfind("get-rate", 0) == 0) return "0 -5";
        if (line.rfind("running", 0) == 0) return "";  // never answers
        return "garbage";
    });
    platform::SimulatorClientBus bus(socket.path(), kPollMs);
    platform::InstallDeviceBus(&bus);
    FWARef ref = nullptr;
    ASSERT_EQ(FWAOpen(kDeviceNodeID, &ref), kFWASuccess);

    std::vector<uint8_t> frame = devsim_test::AVCFrame(0x01, {{108, 0}});
    uint8_t response[16];
    struct Case {
        std::string answer;
        uint32_t expectedLength;
    } cases[] = {
        {"0 " + std::string(200, 'a'), 16},  // longer than the buffer: cut at the buffer
        {"0 0c01ff", 3},                     // shorter than asked
        {"0 0c01zz99", 2},                   // stops at the first bad digit
        {"0 0c0", 1},                        // half a byte is no byte
        {"0", 0},                            // nothing at all
    };
    for (const Case& c : cases) {
        avcAnswer = c.answer;
        std::memset(response, 0x55, sizeof response);
        uint32_t length = 12;
        if (c.expectedLength == 16) length = 16;
        ASSERT_EQ(FWAExecuteAVC(ref, frame.data(), uint32_t(frame.size()), response, &length),
                  kFWASuccess)
            << c.answer;
        EXPECT_EQ(length, c.expectedLength) << c.answer;
        if (length < sizeof response) {
            EXPECT_EQ(response[length], 0x55) << c.answer;
        }
    }

    FWAddress address{0, kRegisterSpaceHi, 0};
    uint32_t value = 0;
    EXPECT_EQ(FWAReadQuadlet(ref, &address, &value), kFWANotResponding);
    char name[64];
    uint32_t size = sizeof name;
    ASSERT_EQ(AudioDeviceGetProperty(kAudioDeviceID, 0, false, kAudioDevicePropertyDeviceName,
                                     &size, name),
              0);
    EXPECT_STREQ(name, "Miro");
    double rate = 0;
    size = sizeof rate;
    EXPECT_NE(AudioDeviceGetProperty(kAudioDeviceID, 0, false,
                                     kAudioDevicePropertyNominalSampleRate, &size, &rate),
              0);

    // A server that does not answer costs one time-out, then the call connection is gone
    // and the session with it: the caller sees an unplugged device at once.
    auto start = Clock::now();
    uint32_t running = 0;
    size = sizeof running;
    EXPECT_NE(AudioDeviceGetProperty(kAudioDeviceID, 0, false,
                                     kAudioDevicePropertyDeviceIsRunningSomewhere, &size, &running),
              0);
    EXPECT_LT(Clock::now() - start,
              std::chrono::milliseconds(platform::SimulatorClientBus::kCallTimeoutMs + 200));
    EXPECT_EQ(FWAReadQuadlet(ref, &address, &value), kFWANoDevice);
    FWAClose(ref);
    platform::InstallDeviceBus(nullptr);
}

TEST(ClientWithoutServer, NothingIsPresentAndCallsFailAtOnce) {
    devsim_test::TempSocket socket;
    platform::SimulatorClientBus bus(socket.path(), kPollMs);
    platform::InstallDeviceBus(&bus);
    EXPECT_FALSE(bus.Presence().fireWirePresent);
    uint32_t size = 64;
    EXPECT_EQ(AudioHardwareGetPropertyInfo(kAudioHardwarePropertyDevices, &size, nullptr), 0);
    EXPECT_EQ(size, 0u);
    FWARef ref = nullptr;
    EXPECT_EQ(FWAOpen(kDeviceNodeID, &ref), kFWANoDevice);
    EXPECT_EQ(ref, nullptr);
}

}  // namespace
