#include <cmath>
#include <vector>

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
    // What a new meter of the row shows for the bar and clip hold of the meter m.
    std::vector<long> FreshMeter(ViewID id, const char* init, const flPPM* m) {
        return FreshPicture<flPPM>(id, init, [m](flPPM* fresh) {
            fresh->topRow = m->topRow;
            fresh->clipHold = m->clipHold;
        });
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

TEST_F(flMeterTest, EveryDrawShowsWhatANewMeterWithTheBarShows) {
    AddNoise("NoisyMeter.bmp", 3, 96, 71);
    AddNoise("NoisyClip.bmp", 3, 96, 72);
    AddNoise("NoisyBack.bmp", 200, 160, 73);
    const char* init = "NoisyMeter.bmp\nNoisyBack.bmp\nNoisyClip.bmp";
    const ViewID id = Add("flPPM", kMeter, init, {});
    Build();
    flPPM* m = At<flPPM>(id);
    EXPECT_EQ(ShownPicture(id), FreshMeter(id, init, m));
    // Full scale starts the clip hold; a level just below it holds the bar one row lower while
    // the hold runs out, so the clip image gives way to the lit bar where the bar stays.
    const float levels[] = {0.25f,  0.25f,  2.0f,   0.999f, 0.999f,
                            0.999f, 0.999f, 0.999f, 0.999f, 0.3f};
    for (const float level : levels) {
        Tick(m, level);
        EXPECT_EQ(ShownPicture(id), FreshMeter(id, init, m))
            << "drawn after " << level << ", hold " << m->clipHold;
    }
    EXPECT_EQ(m->clipHold, 0);
}

TEST_F(flMeterTest, AMeterInitialisedAgainShowsItsNewImages) {
    AddNoise("NoisyMeter.bmp", 3, 96, 81);
    AddNoise("NoisyBack.bmp", 200, 160, 82);
    const char* after = "NoisyMeter.bmp\nNoisyBack.bmp";
    flPPM* m = BuildMeter("Meter.bmp\nBack.bmp\nMeterClip.bmp");
    panel->draw();
    // Initialising shows a full bar again, as the meter did when it was first drawn.
    m->Initialise(after);
    EXPECT_EQ(ShownPicture(m->id), FreshMeter(m->id, after, m));
    Tick(m, 0.25f);
    EXPECT_EQ(ShownPicture(m->id), FreshMeter(m->id, after, m));
}

}  // namespace
}  // namespace fltest
