// The mix matrix's arithmetic: gains, output words, the mono switch and the clamping of
// stored values that lie outside 0..1.

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "device/MirovanPlugin.h"
#include "device/MixMatrix.h"

namespace {

class MixMatrixTest : public ::testing::Test {
  protected:
    void SetUp() override { matrix.SampleRateChanged(44100.0f); }

    // Every register the matrix queues in one pass, by register number.
    std::map<int32_t, int32_t> Queue() {
        matrix.RefreshMixMatrix(&plugin);
        matrix.RefreshOutputs(&plugin);
        matrix.pending.clear();
        matrix.GenerateAVC();
        matrix.GenerateOpAVC();
        std::map<int32_t, int32_t> out;
        for (size_t i = 0; i + 1 < matrix.pending.size(); i += 2)
            out[matrix.pending[i]] = matrix.pending[i + 1];
        return out;
    }
    // The output word of pair k after a flush.
    int32_t Word(int k) {
        matrix.FlushMixMatrix();
        return Queue().at(87 + k);
    }
    void Set(int index, float value) { plugin.HostHasChangedParameter(index, value); }

    MirovanPlugin plugin;
    MixMatrix matrix;
};

TEST_F(MixMatrixTest, OutputWordsFollowLevelDimAndMute) {
    const float levels[] = {1.0f, 0.75f, 0.5f, 0.25f, 0.1f, 0.0f};
    const int32_t plain[] = {0, 10, 22, 41, 64, 255};
    const int32_t dimmed[] = {36, 46, 58, 77, 100, 255};
    for (int i = 0; i < 6; ++i) {
        Set(6, levels[i]);
        Set(5, 0.0f);
        EXPECT_EQ(Word(0), plain[i]) << levels[i];
        Set(5, 1.0f);
        EXPECT_EQ(Word(0), dimmed[i]) << levels[i];
        Set(2, 1.0f);
        EXPECT_EQ(Word(0), 0x20000FF) << levels[i];
        Set(2, 0.0f);
    }
    // Dim reaches outputs 3&4 and 5&6 only through the level link.
    Set(6, 1.0f);
    EXPECT_EQ(Word(1), 0);
    Set(49, 1.0f);
    EXPECT_EQ(Word(1), 36);
    EXPECT_EQ(Word(2), 36);
}

TEST_F(MixMatrixTest, BalanceAndPanEdges) {
    // Balance 0: inputs only. Input 1 monitor left is register 32, playback 1 left register 0.
    Set(0, 0.0f);
    Set(17, 1.0f);
    std::map<int32_t, int32_t> q = Queue();
    EXPECT_EQ(q[0], 0);
    EXPECT_EQ(q[32], 32767);
    EXPECT_EQ(q[34], 32767);
    // Balance 1: playback only.
    Set(0, 1.0f);
    q = Queue();
    EXPECT_EQ(q[0], 16383);
    EXPECT_EQ(q[32], 0);
    // Pan hard right silences the left side and keeps the right at full gain.
    Set(0, 0.5f);
    Set(23, 1.0f);
    q = Queue();
    EXPECT_EQ(q[32], 0);
    EXPECT_EQ(q[34], 32767);
}

TEST_F(MixMatrixTest, MonoAveragesTheMonitorSidesOnly) {
    Set(23, 0.0f);  // input 1 hard left in the monitor mix
    Set(35, 0.0f);  // and in the headphone mix
    Set(63, 1.0f);
    std::map<int32_t, int32_t> q = Queue();
    EXPECT_EQ(q[32], q[34]);
    EXPECT_EQ(q[32], 8191);   // (16383.5 + 0) / 2
    EXPECT_EQ(q[0], q[2]);    // playback 1 reaches both monitor sides
    EXPECT_EQ(q[33], 16383);  // headphone left untouched
    EXPECT_EQ(q[35], 0);
    EXPECT_EQ(q[1], 16383);
    EXPECT_EQ(q[3], 0);
}

TEST_F(MixMatrixTest, StoredValuesOutsideTheRangeAreClamped) {
    // Mix files and hosts may store anything; no register may leave its field.
    const float wild[] = {1.7f, -0.3f, NAN, INFINITY, -INFINITY};
    const int32_t gain[] = {32767, 0, 0, 32767, 0};
    const int32_t word[] = {0, 255, 255, 0, 255};
    Set(5, 0.0f);
    for (int i = 0; i < 5; ++i) {
        Set(17, wild[i]);
        Set(6, wild[i]);
        matrix.FlushMixMatrix();
        std::map<int32_t, int32_t> q = Queue();
        EXPECT_EQ(q[32], gain[i]) << wild[i];
        EXPECT_EQ(q[87], word[i]) << wild[i];
        for (const auto& [reg, value] : q) {
            if (reg < 87) {
                EXPECT_LE(value, 32767) << reg;
            }
        }
    }
    matrix.SampleRateChanged(96000.0f);
    Set(65, 5.0f);
    Set(9, -2.0f);
    std::map<int32_t, int32_t> q = Queue();
    EXPECT_EQ(q[66], 32767);
    EXPECT_EQ(q[73], 0);
}

TEST_F(MixMatrixTest, RatesAbove48000UseThe96kLayoutWhereMonoPlaysNoPart) {
    matrix.SampleRateChanged(48000.0f);
    EXPECT_EQ(Queue().size(), 59u);
    matrix.SampleRateChanged(48001.0f);
    std::map<int32_t, int32_t> q = Queue();
    EXPECT_EQ(q.size(), 21u);
    EXPECT_EQ(q.count(0), 0u);
    // A zero rate keeps the layout and sends nothing again.
    matrix.SampleRateChanged(0.0f);
    EXPECT_EQ(matrix.sampleRate, 48001.0f);
    EXPECT_TRUE(Queue().empty());

    // Mono, the 48K pans and playback pairs 3&4 and beyond do not reach the 96K registers.
    Set(63, 1.0f);
    Set(23, 0.0f);
    Set(11, 0.9f);
    Set(15, 0.9f);
    EXPECT_TRUE(Queue().empty());
    // Each 96K mix gain goes to both registers of its pair.
    Set(10, 0.25f);
    EXPECT_EQ(Queue(), (std::map<int32_t, int32_t>{{74, 8191}, {80, 8191}}));
}

}  // namespace
