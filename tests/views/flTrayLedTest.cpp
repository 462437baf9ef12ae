#include "tests/views/flTestSurface.h"

namespace fltest {
namespace {

// The rate group as the skins build it: four LEDs 13 rows high at a pitch of 8 in a tray.
constexpr PRect kTray{150, 163, 20, 57};
constexpr PRect Led(int k) {
    return {150, 163, 20 + 8 * k, 33 + 8 * k};
}
constexpr int kRate = 0, kInUse = 1;

class flRateLedTest : public flPanelTest {
  protected:
    void BuildGroup(ParameterDefinition rate) {
        AddSolid("RateLit.bmp", 13, 13, 0x0000FF);
        params = {rate, Switch()};
        const ViewID tray = Add("flTray6", kTray, "", {kRate});
        static const char* const kInit[] = {
            "RateLit.bmp\nGrayLed.bmp\nBack.bmp\n1", "RateLit.bmp\nGrayLed.bmp\nBack.bmp\n2",
            "RateLit.bmp\nGrayLed.bmp\nBack.bmp\n3", "RateLit.bmp\nGrayLed.bmp\nBack.bmp\n4"};
        for (int k = 0; k < 4; ++k)
            Add("flRateLed", Led(k), kInit[k], {kRate, kInUse}, static_cast<int>(tray));
        Build();
        trayView = At<flTray6>(tray);
    }
    // How many rows of the tray show a lit LED, and the first of them.
    std::pair<int, int> LitRows() {
        panel->draw();
        int n = 0, first = -1;
        for (int y = kTray.top; y < kTray.bottom; ++y) {
            if (window.buffer->GetPixel(kTray.left, y) != 0x0000FF) continue;
            if (n++ == 0) first = y;
        }
        return {n, first};
    }
    flTray6* trayView = nullptr;
};

TEST_F(flRateLedTest, PressesSelectTheRateThroughNarrowedHitAreas) {
    BuildGroup(Param(1.0f, 4.0f, kLawDiscrete));
    // Hit areas leave out two rows at the top and three at the bottom; a shared row goes to
    // the earlier LED, and the rest belongs to the tray, which does nothing.
    const std::pair<int, float> cases[] = {{33, 2}, {30, 1}, {38, 2}, {39, 3},
                                           {54, 4}, {21, 4}, {55, 4}, {22, 1}};
    for (const auto& [y, rate] : cases) {
        Click(155, y);
        EXPECT_EQ(UserValue(kRate), rate) << y;
    }
    Click(155, 33);
    // Its lower rows lie under the next LED's picture, yet the lit LED is drawn last, whole.
    EXPECT_EQ(LitRows(), std::pair(13, Led(1).top));
    EXPECT_EQ(window.buffer->GetPixel(kTray.left, Led(0).top), Background(kTray.left, Led(0).top));

    SetUser(kInUse, 1);  // no rate change while the device is in use...
    Click(155, 41);
    EXPECT_EQ(UserValue(kRate), 2.0f);
    AltClick(155, 41);  // ...but an alt-click resets the rate and the in-use flag
    EXPECT_EQ(UserValue(kRate), 1.0f);
    EXPECT_EQ(UserValue(kInUse), 0.0f);
    Click(155, 41);
    EXPECT_EQ(UserValue(kRate), 3.0f);
    AltClick(155, 21);  // the tray resets its own parameter
    EXPECT_EQ(UserValue(kRate), 1.0f);
}

TEST_F(flRateLedTest, OnlyAnExactValueLightsAnLed) {
    BuildGroup(Param(1.0f, 4.0f));
    SetUser(kRate, 2.9f);
    EXPECT_EQ(trayView->selected, 1);
    EXPECT_EQ(LitRows().first, 0);
    SetUser(kRate, 0.0f);
    EXPECT_EQ(trayView->selected, -1);
    SetUser(kRate, 4.0f);
    EXPECT_EQ(LitRows(), std::pair(13, Led(3).top));
}

TEST_F(flPanelTest, CoveredTrayHidesAndShieldsItsButton) {
    AddSolid("Cover.bmp", 15, 15, 0xFF0000);
    AddImage("CoverMask.bmp", 15, 15, [](int x, int) { return x < 8 ? 0xFFFFFFL : 0L; });
    AddSolid("Mono.bmp", 15, 15, 0x00FF00);
    AddSolid("MonoMask.bmp", 15, 15, 0xFFFFFF);
    const PRect r{100, 115, 120, 135};
    params = {Switch(), Param(0.0f)};
    const ViewID tray = Add("flTray5", r, "Cover.bmp\nCoverMask.bmp\nBack.bmp", {0});
    Add("flButton", r, "Mono.bmp\nMonoMask.bmp\nBack.bmp", {1}, static_cast<int>(tray));
    Build();
    Click(r.left + 3, 123);
    EXPECT_EQ(Value(1), 1.0f);
    EXPECT_EQ(Shown(r.left, r.top), long{FullBlend(0xFF)} << 8);

    Set(0, 1.0f);
    Click(r.left + 3, 123);
    Click(r.right - 2, 123);
    AltClick(r.left + 3, 123);  // even an alt-click passes the covered button by
    EXPECT_EQ(Value(1), 1.0f);
    EXPECT_EQ(Value(0), 1.0f);
    EXPECT_EQ(Shown(r.left, r.top), long{FullBlend(0xFF)} << 16);
    // Where the mask is clear the button shows, drawn at its place inside the tray, and it
    // still follows its parameter.
    EXPECT_EQ(Shown(r.right - 1, r.top), long{FullBlend(FullBlend(0xFF))} << 8);
    Set(1, 0.0f);
    EXPECT_EQ(Red(Shown(r.right - 1, r.top)), FullBlend(r.right - 1));
}

TEST_F(flPanelTest, CanvasAndExternalSyncLed) {
    AddSolid("ExtLit.bmp", 13, 13, 0x0000FF);
    params = {Param(0.0f)};
    const ViewID canvas = Add("flCanvas", {0, 200, 0, 160}, "Back.bmp", {});
    const PRect r{10, 23, 140, 153};
    const ViewID led = Add("flExtLed", r, "ExtLit.bmp\nBack.bmp", {0}, static_cast<int>(canvas));
    Build();
    EXPECT_EQ(Shown(5, 6), Background(5, 6));
    EXPECT_EQ(Shown(r.left, r.top), Background(r.left, r.top));
    Click(r.left + 2, r.top + 2);
    EXPECT_EQ(Value(0), 1.0f);
    EXPECT_EQ(Shown(r.left, r.top), 0x0000FF);
    Set(0, 1.0f);  // redrawn only when the value changes
    EXPECT_FALSE(panel->GetView(led)->needsRedraw);
    Set(0, 0.0f);
    EXPECT_TRUE(panel->GetView(led)->needsRedraw);
}

}  // namespace
}  // namespace fltest
