// The watch of the MirovanLE's ALSA card against the emulated kernel: which card it follows,
// whether another program runs it, its rate, and setting it.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "devsim/DeviceModel.h"
#include "platform/linux/SoundCardWatch.h"
#include "tests/linux/EmulatedKernelTest.h"
#include "tests/linux/testbed/EmulatedSoundCard.h"
#include "tests/linux/testbed/SoundHolderProcess.h"
#include "tests/linux/testbed/Testbed.h"

namespace {

using platform::SoundCardWatch;
using testbed::EmulatedSoundCard;
using testbed::SoundHolderProcess;

class Recorder : public SoundCardWatch::Listener {
  public:
    void SoundCardChanged() override { ++cards; }
    void SoundCardPropertyChanged(AudioPropertyID property) override {
        ++(property == kAudioDevicePropertyNominalSampleRate ? rates : uses);
    }
    std::atomic<int> cards{0}, rates{0}, uses{0};
};

class SoundCardWatchTest : public EmulatedKernelTest {
  protected:
    void SetUp() override {
        EmulatedKernelTest::SetUp();
        if (IsSkipped()) return;
        bed = std::make_unique<testbed::Testbed>();
        node1 = AddNode("fw1");
        node2 = AddNode("fw2");
    }
    void TearDown() override {
        watch.reset();
        cards.clear();
    }

    // A FireWire node with its unit; the node's sysfs path.
    std::string AddNode(const std::string& name) {
        const std::string node =
            bed->AddDevice("firewire", name, "", {{"guid", "0x0a7e570100040001"}});
        bed->AddDevice("firewire", name + ".0", node, {});
        return node;
    }
    EmulatedSoundCard& AddCard(int number, const std::string& node,
                               const char* name = "MirovanLE") {
        const std::string unit = node + node.substr(node.rfind('/')) + ".0";
        cards.push_back(std::make_unique<EmulatedSoundCard>(
            *bed, model, testbed::SoundCardOptions{number, name, unit}));
        return *cards.back();
    }
    void Start() { watch = std::make_unique<SoundCardWatch>(recorder); }
    SoundCardWatch::Card Card() { return watch->Current(); }

    // Emulated calls are slow and the watch looks at its own pace: wait for the outcome.
    static bool Eventually(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    // Long enough for the watch to have looked again had it meant to.
    static void Quiet() { std::this_thread::sleep_for(std::chrono::milliseconds(400)); }

    std::unique_ptr<testbed::Testbed> bed;
    devsim::DeviceModel model{devsim::DeviceModelOptions{.powerOnRate = 96000}};
    std::string node1, node2;
    std::vector<std::unique_ptr<EmulatedSoundCard>> cards;
    Recorder recorder;
    std::unique_ptr<SoundCardWatch> watch;
};

TEST_F(SoundCardWatchTest, FollowsTheMirovanCardOfTheFireWireNodeInUse) {
    Start();
    EXPECT_FALSE(Card().present);
    AddCard(1, node1, "MirovanL");  // its first eight letters only: another card
    EmulatedSoundCard& first = AddCard(2, node1);
    ASSERT_TRUE(Eventually([&] { return Card().present; }));
    EXPECT_EQ(Card().index, 2);
    EXPECT_EQ(Card().name, "MirovanLE");
    const uint64_t firstSerial = Card().serial;

    EmulatedSoundCard& second = AddCard(3, node2, "MirovanLE 2");
    watch->SetFireWireNode(node2);
    ASSERT_TRUE(Eventually([&] { return Card().index == 3; }));
    EXPECT_GT(Card().serial, firstSerial);
    watch->SetFireWireNode(node1);
    ASSERT_TRUE(Eventually([&] { return Card().index == 2; }));

    first.Remove();  // the node in use has no card left: the other one is taken
    ASSERT_TRUE(Eventually([&] { return Card().index == 3; }));
    second.Remove();
    ASSERT_TRUE(Eventually([&] { return !Card().present; }));
    EXPECT_EQ(Card().rate, 0u);
    EXPECT_GE(recorder.cards, 5);

    // Plugged again, on the number a removed card had: a new card, set to the start rate.
    cards.clear();
    model.SetRateFromOutside(96000);
    AddCard(2, node2);
    ASSERT_TRUE(Eventually([&] { return Card().present; }));
    EXPECT_GT(Card().serial, firstSerial + 2);
    EXPECT_TRUE(Eventually([&] { return model.NominalRate() == 44100u; }));
}

TEST_F(SoundCardWatchTest, InUseAndRateFollowAnotherProgram) {
    EmulatedSoundCard& card = AddCard(1, node1);
    Start();
    ASSERT_TRUE(Card().present);
    EXPECT_FALSE(Card().inUse);

    {
        SoundHolderProcess opened({.card = 1, .capture = true});
        ASSERT_EQ(opened.Result(), 0);
        ASSERT_TRUE(Eventually([&] { return Card().inUse; }));
        opened.Release();
        ASSERT_TRUE(Eventually([&] { return !Card().inUse; }));
    }
    {
        SoundHolderProcess recording({.card = 1, .capture = true, .rate = 48000});
        ASSERT_EQ(recording.Result(), 0);
        ASSERT_TRUE(Eventually([&] { return Card().inUse && Card().rate == 48000u; }));
        // Its stream holds the card's clock, so playback refuses other rates: a rate asked
        // meanwhile changes nothing and is no error.
        EXPECT_EQ(watch->SetRate(96000), kAudioHardwareNoError);
        EXPECT_EQ(card.StreamRate(), 48000u);
        recording.Kill();
        ASSERT_TRUE(Eventually([&] { return !Card().inUse; }));
    }
    EXPECT_EQ(Card().rate, 48000u);  // the rate seen last
    EXPECT_GE(recorder.uses, 4);
    EXPECT_GE(recorder.rates, 1);
}

TEST_F(SoundCardWatchTest, SetsTheRateAndNeverKeepsThePcm) {
    EmulatedSoundCard& card = AddCard(1, node1);
    Start();
    ASSERT_EQ(model.NominalRate(), 44100u);  // set as the card appeared

    EXPECT_EQ(watch->SetRate(88200), kAudioHardwareNoError);
    EXPECT_EQ(model.NominalRate(), 88200u);
    EXPECT_EQ(Card().rate, 88200u);
    EXPECT_EQ(card.StreamRate(), 0u);
    EXPECT_TRUE(Eventually([&] { return recorder.rates == 1; }));

    EXPECT_EQ(watch->SetRate(22050), kAudioDeviceUnsupportedFormatError);
    card.SetBusy(true);  // a program took it a moment ago
    EXPECT_EQ(watch->SetRate(48000), kAudioHardwareNoError);
    card.SetBusy(false);
    card.SetHwParamsError(EIO);
    EXPECT_EQ(watch->SetRate(48000), kAudioHardwareUnspecifiedError);
    EXPECT_EQ(model.NominalRate(), 88200u);
    EXPECT_EQ(Card().rate, 88200u);
    Quiet();
    EXPECT_EQ(recorder.uses, 0);  // its own opens are not another program's

    card.Remove();
    ASSERT_TRUE(Eventually([&] { return !Card().present; }));
    EXPECT_EQ(watch->SetRate(48000), kAudioHardwareBadDeviceError);
}

TEST_F(SoundCardWatchTest, AStartRateThatCannotBeSetIsSaidOnceAndTriedAtTheNextOpen) {
    EmulatedSoundCard& card = AddCard(1, node1);
    card.SetHwParamsError(EIO);
    testing::internal::CaptureStderr();
    Start();
    Quiet();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("44100"), std::string::npos) << said;
    EXPECT_EQ(Card().rate, 44100u);
    EXPECT_EQ(model.NominalRate(), 96000u);
    EXPECT_EQ(card.PcmOpens(), 1u);  // no loop of opens

    watch->DeviceOpening();
    EXPECT_EQ(card.PcmOpens(), 2u);
    card.SetHwParamsError(0);
    watch->DeviceOpening();
    EXPECT_EQ(model.NominalRate(), 44100u);
    watch->DeviceOpening();  // done: nothing more
    EXPECT_EQ(card.PcmOpens(), 3u);
}

TEST_F(SoundCardWatchTest, ACardWithAStreamShowsItsRateAndIsNotSet) {
    AddCard(1, node1);
    SoundHolderProcess playing({.card = 1, .rate = 48000});
    ASSERT_EQ(playing.Result(), 0);
    Start();
    EXPECT_EQ(Card().rate, 48000u);
    EXPECT_TRUE(Card().inUse);
    EXPECT_EQ(model.NominalRate(), 48000u);
}

}  // namespace
