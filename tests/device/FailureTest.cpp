// Failed accesses: transient errors retried and given up, an unplug in the middle of a step,
// and responses that do not match what was asked.

#include "tests/device/DeviceFixture.h"

namespace devicetest {
namespace {

using FailureTest = DeviceTest;
using W = std::vector<devsim::RegisterWrite>;
using Sleeps = std::vector<uint32_t>;

TEST_F(FailureTest, OneTransientErrorIsRetriedAfterOneSleep) {
    OpenAndForget();
    Model().FailNextAccesses(1, kFWATimeout);
    Hal()->StepAVC();
    EXPECT_TRUE(Hal()->IsOpen());
    EXPECT_EQ(SleepsSinceReset(), (Sleeps{600000}));
    EXPECT_EQ(TakeWrites(), DefaultFirstStep48K());
}

TEST_F(FailureTest, ThreeTransientErrorsGiveUpAndCloseUntilKeepOpen) {
    OpenAndForget();
    Model().FailNextAccesses(3, kFWABusReset);
    Hal()->StepAVC();
    EXPECT_FALSE(Hal()->IsOpen());
    // Three attempts 0.6 s apart, then the settle pause of the close; the rest of the step
    // finds the device closed and sends nothing.
    EXPECT_EQ(SleepsSinceReset(), (Sleeps{600000, 600000, 600000, 50000}));
    EXPECT_TRUE(TakeWrites().empty());
    EXPECT_EQ(Bus().OfKind(Transaction::WriteBlock).size(), 3u);

    // Reopening flushes the matrix: the next step resends everything.
    EXPECT_TRUE(Hal()->KeepOpen());
    TakeWrites();
    Hal()->StepAVC();
    EXPECT_EQ(TakeWrites(), DefaultFirstStep48K());

    // Other errors are not retried.
    ResetSleeps();
    Bus().log.clear();
    Set(6, 0.5f);
    Model().FailNextAccesses(1, kFWABadArgument);
    Hal()->StepAVC();
    EXPECT_FALSE(Hal()->IsOpen());
    EXPECT_EQ(SleepsSinceReset(), (Sleeps{50000}));
    EXPECT_EQ(Bus().OfKind(Transaction::WriteBlock).size(), 1u);
}

TEST_F(FailureTest, FailedMeterReadKeepsLevelsAndRetriesThePair) {
    OpenAndForget();
    Model().SetMeter(90, 0x40000000u);
    Model().SetMeter(93, 0x40000000u);
    Hal()->StepAVC();  // the mix goes out, meters 90 and 93 are read
    ASSERT_TRUE(Hal()->IsOpen());
    Model().FailNextAccesses(1, kFWABadArgument);
    Hal()->GetMeterData()->level[2] = 0.25f;
    Hal()->StepAVC();  // nothing to write; the meter pair 91/94 fails and closes
    EXPECT_FALSE(Hal()->IsOpen());
    EXPECT_EQ(Hal()->GetMeterData()->level[2], 0.25f);

    ASSERT_TRUE(Hal()->KeepOpen());
    Model().SetMeter(91, 0x80000000u);
    Bus().log.clear();
    Hal()->StepAVC();
    EXPECT_EQ(Bus().ReadsOfRegister(91), 1);
    EXPECT_EQ(Hal()->GetMeterData()->level[2], 1.0f);
}

TEST_F(FailureTest, UnplugInTheMiddleOfAStepClosesAndKeepOpenReopensOnReturn) {
    OpenAndForget();
    Model().UnplugAfterAccesses(1);  // the first batch lands, the second finds no device
    Hal()->StepAVC();
    EXPECT_FALSE(Hal()->IsOpen());
    const W all = DefaultFirstStep48K();
    EXPECT_EQ(TakeWrites(), W(all.begin(), all.begin() + 20));

    Bus().Settle();
    Bus().log.clear();
    EXPECT_FALSE(Hal()->KeepOpen());
    Hal()->StepAVC();
    EXPECT_TRUE(Bus().log.empty());

    Bus().Plug();
    ASSERT_TRUE(Hal()->KeepOpen());
    TakeWrites();
    Hal()->StepAVC();
    EXPECT_EQ(TakeWrites(), all);
}

// A device reached only by AV/C commands.
class AVCOnlyTest : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        Bus().refuseBlockWrite = true;
        Bus().refuseQuadletWrite = true;
        Bus().refuseRegisterRead = true;
        OpenAndForget();
    }
};

TEST_F(AVCOnlyTest, WritesGoAsControlFramesOfAtMostTwentyPairs) {
    Hal()->StepAVC();
    EXPECT_EQ(TakeWrites(), DefaultFirstStep48K());
    std::vector<size_t> counts;
    for (const Transaction& t : Bus().OfKind(Transaction::AVC)) {
        // Every command offers a response buffer that holds an answer as long as itself.
        EXPECT_GE(t.responseCapacity, t.bytes.size());
        if (t.bytes[0] != 0x00) continue;  // STATUS reads of the meters and status
        ASSERT_EQ(t.bytes.size(), 8u + 8u * t.bytes[7]);
        counts.push_back(t.bytes[7]);
    }
    EXPECT_EQ(counts, (std::vector<size_t>{20, 20, 19}));
}

TEST_F(AVCOnlyTest, StatusReadTakesOnlyThePairsReturned) {
    Model().SetMeter(90, 0x80000000u);
    Model().SetMeter(93, 0x80000000u);
    Bus().avcResponseLength = 8 + 8;  // one pair of the two asked for
    Hal()->StepAVC();
    EXPECT_TRUE(Hal()->IsOpen());
    EXPECT_EQ(Hal()->GetMeterData()->level[0], 1.0f);
    EXPECT_EQ(Hal()->GetMeterData()->level[1], 0.0f);  // its preset

    // A response claiming far more than was asked is read no further than the request.
    Bus().avcResponseLength = 4096;
    AVCMsg msgs[2] = {{93, 7}, {90, 7}};
    EXPECT_EQ(Hal()->GetValues(msgs, 2), 0);
    EXPECT_EQ(msgs[0].value, 0x80000000u);
    EXPECT_EQ(msgs[1].value, 0x80000000u);

    // Not even a header: every message keeps its preset.
    Bus().avcResponseLength = 3;
    AVCMsg m = {114, 0xFFFF};
    EXPECT_EQ(Hal()->GetValue(m), 0);
    EXPECT_EQ(m.value, 0xFFFFu);
}

TEST_F(DeviceTest, BatchOfSixGoesAsOneFrameAndOfFiveAsQuadlets) {
    Bus().refuseBlockWrite = true;
    OpenAndForget();
    const AVCMsg six[6] = {{64, 1}, {84, 1}, {85, 1}, {86, 1}, {111, 1}, {112, 1}};
    Hal()->SetValuesDirect(six, 6);
    ASSERT_EQ(Bus().log.size(), 1u);
    EXPECT_EQ(Bus().log[0].kind, Transaction::AVC);
    EXPECT_EQ(Bus().log[0].bytes.size(), 56u);
    EXPECT_EQ(Bus().log[0].bytes[7], 6);
    EXPECT_EQ(TakeWrites().size(), 6u);

    Bus().log.clear();
    Hal()->SetValuesDirect(six, 5);
    EXPECT_EQ(Bus().OfKind(Transaction::WriteQuadlet).size(), 5u);
    EXPECT_EQ(Bus().log.size(), 5u);

    // A failure on the third quadlet leaves the first two written and the fourth not.
    TakeWrites();
    Model().UnplugAfterAccesses(2);
    Hal()->SetValuesDirect(six, 4);
    EXPECT_EQ(TakeWrites(), (W{{64, 1}, {84, 1}}));
    EXPECT_FALSE(Hal()->IsOpen());
}

}  // namespace
}  // namespace devicetest
