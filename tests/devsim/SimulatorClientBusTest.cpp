#include "platform/SimulatorClientBus.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <chrono>
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

    devsim_test::TempSocket socket;
    DeviceModel model;
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
    ASSERT_TRUE(Eventually([&] { return watch.terminations == 1 && watch.matches == 2; }));
    EXPECT_EQ(audio.device, kAudioDeviceID);
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

// A server that answers the watcher as a present device and every other request as the test says.
class FakeServer {
  public:
    explicit FakeServer(const std::string& path,
                        std::function<std::string(const std::string&)> answer)
        : answer_(std::move(answer)) {
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
                    std::string reply =
                        line == "state"
                            ? "0 1 65472 " + std::to_string(kDeviceGUID) + " 19788 1 0 0 0"
                            : answer_(line);
                    if (!reply.empty()) clients[i]->SendLine(reply, 1000);
                }
            }
        }
    }

    std::function<std::string(const std::string&)> answer_;
    int fd_ = -1;
    int stop_[2] = {-1, -1};
    std::thread thread_;
};

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
