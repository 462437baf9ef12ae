// The device step: what reaches the device register by register, the meter sweep and the
// status poll.

#include "device/MixMatrix.h"
#include "tests/device/DeviceFixture.h"

namespace devicetest {
namespace {

using StepTest = DeviceTest;

std::vector<size_t> BlockPairCounts(const RecordingBus& bus) {
    std::vector<size_t> counts;
    for (const Transaction& t : bus.OfKind(Transaction::WriteBlock)) {
        EXPECT_EQ(t.hi, 0x0001);
        EXPECT_EQ(t.lo, 0x00010000u);
        counts.push_back(t.bytes.size() / 8);
    }
    return counts;
}

TEST_F(StepTest, FirstStepAt48kSendsWholeLayoutInBatchesOfTwenty) {
    devsim::DeviceModelOptions options;
    options.powerOnRate = 48000;
    Build(options);
    OpenAndForget();

    Hal()->StepAVC();
    EXPECT_EQ(TakeWrites(), DefaultFirstStep48K());
    EXPECT_EQ(BlockPairCounts(Bus()), (std::vector<size_t>{20, 20, 19}));

    // Nothing changed: the next step writes nothing.
    Bus().log.clear();
    Hal()->StepAVC();
    EXPECT_TRUE(TakeWrites().empty());
    EXPECT_TRUE(Bus().OfKind(Transaction::WriteBlock).empty());
}

TEST_F(StepTest, FirstStepAt96kSendsTheOtherLayout) {
    devsim::DeviceModelOptions options;
    options.powerOnRate = 96000;
    Build(options);
    OpenAndForget();

    Hal()->StepAVC();
    EXPECT_EQ(TakeWrites(), DefaultFirstStep96K());
    EXPECT_EQ(BlockPairCounts(Bus()), (std::vector<size_t>{20, 1}));
}

TEST_F(StepTest, ParameterChangeSendsOnlyTheRegistersThatChanged) {
    OpenAndForget();
    Hal()->StepAVC();
    TakeWrites();

    using W = std::vector<devsim::RegisterWrite>;
    Set(17, 0.25f);  // input 1 monitor level
    Hal()->StepAVC();
    EXPECT_EQ(TakeWrites(), (W{{32, 8191}, {34, 8191}}));

    Set(29, 0.0f);  // input 1 headphone level: both headphone sides
    Hal()->StepAVC();
    EXPECT_EQ(TakeWrites(), (W{{33, 0}, {35, 0}}));

    Set(23, 0.0f);  // input 1 monitor pan hard left: the left side keeps its gain
    Hal()->StepAVC();
    EXPECT_EQ(TakeWrites(), (W{{34, 0}}));

    Set(6, 0.5f);  // output level 1&2, still dimmed
    Hal()->StepAVC();
    EXPECT_EQ(TakeWrites(), (W{{87, 58}}));

    Set(3, 1.0f);  // mute outputs 3&4
    Hal()->StepAVC();
    EXPECT_EQ(TakeWrites(), (W{{88, 0x20000FF}}));

    Set(0, 0.0f);  // monitor balance all inputs: monitor playback gains drop to 0
    Hal()->StepAVC();
    EXPECT_EQ(TakeWrites(),
              (W{{0, 0}, {4, 0}, {8, 0}, {12, 0}, {18, 0}, {22, 0}, {26, 0}, {30, 0}}));

    // Parameters the 48K layout does not use send nothing.
    Set(65, 0.1f);
    Set(48, 1.0f);
    Hal()->StepAVC();
    EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(StepTest, MeterSweepVisitsEveryMeterPairAndWraps) {
    OpenAndForget();
    // Meters 90-103 held at distinct values: register r reads (r - 89) / 16 of full scale.
    for (uint32_t r = 90; r <= 103; ++r) Model().SetMeter(r, (r - 89) * 0x08000000u);

    for (int step = 0; step < 7; ++step) Hal()->StepAVC();
    const float* level = Hal()->GetMeterData()->level;
    const uint32_t slotRegister[18] = {90, 93, 91, 94, 92, 95,  0,   0,   0,
                                       0,  96, 98, 97, 99, 100, 102, 101, 103};
    for (int s = 0; s < 18; ++s) {
        const float expected = slotRegister[s] == 0 ? 0.0f : (slotRegister[s] - 89) / 16.0f;
        EXPECT_EQ(level[s], expected) << "slot " << s;
    }
    // The eighth step starts the sweep over at registers 90 and 93.
    Model().SetMeter(90, 0x80000000u);
    Model().SetMeter(93, 0xFFFFFFFFu);
    Hal()->StepAVC();
    EXPECT_EQ(level[0], 1.0f);
    EXPECT_EQ(level[1], 2.0f);

    // Metering off: no meter reads, levels cleared.
    Bus().log.clear();
    Set(72, 0.0f);
    Hal()->StepAVC();
    for (int s = 0; s < 18; ++s) EXPECT_EQ(level[s], 0.0f);
    for (uint32_t r = 90; r <= 103; ++r) EXPECT_EQ(Bus().ReadsOfRegister(r), 0);
}

TEST_F(StepTest, StatusIsReadEverySecondStepAndDecoded) {
    OpenAndForget();
    Model().SetExternalInput(96000);
    Hal()->StepAVC();
    EXPECT_EQ(Bus().ReadsOfRegister(108), 1);
    EXPECT_TRUE(Hal()->extInputPresent);
    EXPECT_EQ(Hal()->extInputRate, 96000);

    Model().SetExternalInput(0);
    Hal()->StepAVC();
    EXPECT_EQ(Bus().ReadsOfRegister(108), 1);
    EXPECT_TRUE(Hal()->extInputPresent);  // not read on even steps
    Hal()->StepAVC();
    EXPECT_EQ(Bus().ReadsOfRegister(108), 2);
    EXPECT_FALSE(Hal()->extInputPresent);
    EXPECT_EQ(Hal()->extInputRate, 0);
}

TEST_F(StepTest, StatusWordsDecodeLockInputAndRate) {
    OpenAndForget();
    const struct {
        uint32_t word;
        bool locked, present;
        int32_t rate;
    } cases[] = {{0x0302, false, true, 96000}, {0x0701, true, false, 0},
                 {0x0002, false, true, 44100}, {0x0502, false, true, 192000},
                 {0x0602, false, true, 0},     {0xFF02, false, true, 0}};
    for (const auto& c : cases) {
        Bus().readValue[108] = c.word;
        Hal()->StepAVC();  // reads the status
        Hal()->StepAVC();  // does not
        EXPECT_EQ(Hal()->syncLocked, c.locked) << std::hex << c.word;
        EXPECT_EQ(Hal()->extInputPresent, c.present) << std::hex << c.word;
        EXPECT_EQ(Hal()->extInputRate, c.rate) << std::hex << c.word;
    }
    // A failed status read closes the device and reads as nothing present.
    Bus().readFailure[108] = kFWABadArgument;
    Hal()->StepAVC();
    EXPECT_FALSE(Hal()->IsOpen());
    EXPECT_FALSE(Hal()->extInputPresent);
    EXPECT_EQ(Hal()->extInputRate, 0);
}

TEST_F(StepTest, EveryMeterDataKeepsItsOwnSweepPosition) {
    OpenAndForget();
    for (int step = 0; step < 3; ++step) Hal()->StepAVC();
    // A second meter data in the same process starts its sweep at the first pair.
    MeterData other;
    Bus().log.clear();
    EXPECT_EQ(other.execute(), 2);
    EXPECT_EQ(Bus().ReadsOfRegister(90), 1);
    EXPECT_EQ(Bus().ReadsOfRegister(93), 1);
    // And the device's own sweep went on where it was: the fourth pair.
    Bus().log.clear();
    Hal()->StepAVC();
    EXPECT_EQ(Bus().ReadsOfRegister(96), 1);
    EXPECT_EQ(Bus().ReadsOfRegister(98), 1);
}

TEST_F(StepTest, StepWithoutPluginOrDeviceDoesNotCrash) {
    Hal()->SetPlugin(nullptr);
    Hal()->GetMeterData()->level[3] = 0.7f;
    Hal()->StepAVC();  // closed and no plug-in
    EXPECT_EQ(Hal()->GetMeterData()->level[3], 0.0f);
    OpenAndForget();
    Hal()->StepAVC();
    EXPECT_TRUE(TakeWrites().empty());
    for (uint32_t r = 90; r <= 103; ++r) EXPECT_EQ(Bus().ReadsOfRegister(r), 0);
    EXPECT_TRUE(Hal()->IsOpen());
}

}  // namespace
}  // namespace devicetest
