#include <cmath>

#include "tests/views/flTestSurface.h"

namespace fltest {
namespace {

constexpr PRect kMeter{180, 183, 10, 106};  // 3 x 96, like the meter image
constexpr long kLit = 0x00FF00, kClip = 0xFF0000;

class flMeterTest : public flPanelTest {
  protected:
    flPPM* BuildMeter(const char* init, int parent = 0, bool hidden = false) {
        AddSolid("Meter.bmp", 3, 96, kLit);
        AddSolid("MeterClip.bmp", 3, 96, kClip);
        const ViewID m = Add("flPPM", kMeter, init, {}, parent, hidden);
        Build();
        return At<flPPM>(m);
    }
    long Row(int y) { return window.buffer->GetPixel(kMeter.left, kMeter.top + y); }
    void Tick(flPPM* meter, float level) {
        meter->SetLevel(level);
        panel->tick();
    }
};

TEST_F(flMeterTest, LevelLawDecayAndClipHold) {
    flPPM* m = BuildMeter("Meter.bmp\nBack.bmp\nMeterClip.bmp");
    m->SetLevel(0.01f);  // at or below the floor nothing shows
    EXPECT_EQ(m->topRow, 96);
    m->SetLevel(-0.25f);  // measured by its magnitude
    EXPECT_FLOAT_EQ(m->level, (0.5f - 0.1f) / 0.9f);
    EXPECT_EQ(m->clipHold, 0);
    m->SetLevel(1.0f);
    EXPECT_EQ(m->level, 1.0f);
    EXPECT_EQ(m->clipHold, 5);
    m->SetLevel(0.0f);
    EXPECT_EQ(m->topRow, 96 - 86);  // 96 x 0.9
    m->SetLevel(std::nanf(""));     // not larger: the decay wins
    EXPECT_EQ(m->topRow, 96 - 77);  // 96 x 0.81
    for (int i = 2; i < 43; ++i) m->SetLevel(0.0f);
    EXPECT_EQ(m->topRow, 95);  // 96 x 0.9^43 is just above one row
    m->SetLevel(0.0f);
    EXPECT_EQ(m->topRow, 96);
    m->SetLevel(2.0f);
    EXPECT_EQ(m->level, 1.0f);
}

TEST_F(flMeterTest, TicksDrawAMovedBarWithTheClipImageWhileHeld) {
    flPPM* m = BuildMeter("Meter.bmp\nBack.bmp\nMeterClip.bmp");
    EXPECT_EQ(Row(0), kLit);  // a full bar before the first level
    Tick(m, 2.0f);
    EXPECT_EQ(Row(95), kClip);
    // Full scale held: the bar does not move and nothing is drawn.
    window.buffer->PlotPoint(kMeter.left, kMeter.top + 50, 0x123456);
    Tick(m, 1.0f);
    EXPECT_EQ(Row(50), 0x123456);
    // The tick after the last clipping level was the first of four drawn with the clip image.
    for (int i = 0; i < 3; ++i) {
        Tick(m, 0.0f);
        EXPECT_EQ(Row(95), kClip) << i;
        EXPECT_EQ(Row(m->topRow - 1), Background(kMeter.left, kMeter.top + m->topRow - 1)) << i;
    }
    Tick(m, 0.0f);
    EXPECT_EQ(Row(95), kLit);
}

TEST_F(flMeterTest, WithoutAClipImageTheBarStaysLit) {
    flPPM* m = BuildMeter("Meter.bmp\nBack.bmp");
    Tick(m, 2.0f);
    EXPECT_EQ(m->clipHold, 4);
    EXPECT_EQ(Row(95), kLit);
}

TEST_F(flMeterTest, AMeterOffScreenCountsOnButPaintsNothing) {
    flPPM* own = BuildMeter("Meter.bmp\nBack.bmp\nMeterClip.bmp", 0, true);
    for (int i = 0; i < 2; ++i) Tick(own, 2.0f);
    EXPECT_EQ(own->clipHold, 4);
    EXPECT_EQ(Row(95), 0);  // the (black) window still shows where the meter would be
}

TEST_F(flMeterTest, AMeterInAHiddenContainerPaintsNothing) {
    const ViewID box = Add("View", {170, 190, 0, 120}, "", {}, 0, true);
    flPPM* m = BuildMeter("Meter.bmp\nBack.bmp", static_cast<int>(box));
    Tick(m, 0.25f);
    EXPECT_EQ(m->topRow, 96 - 42);  // 96 x (0.5 - 0.1) / 0.9
    EXPECT_EQ(Row(95), 0);
}

}  // namespace
}  // namespace fltest
