#include <cmath>

#include "tests/views/flTestSurface.h"

namespace fltest {
namespace {

constexpr PRect Button(int k) {
    return {30 + 30 * k, 50 + 30 * k, 100, 110};
}  // 20 x 10
constexpr const char* kMute = "Lit.bmp\nLitMask.bmp\nBack.bmp";
constexpr long kLit = long{FullBlend(0xFF)} << 8;  // the lit image blended through its mask

class flButtonTest : public flPanelTest {
  protected:
    void SetUp() override {
        flPanelTest::SetUp();
        AddSolid("Lit.bmp", 20, 10, 0x00FF00);
        AddSolid("LitMask.bmp", 20, 10, 0xFFFFFF);
    }
    long ShownAt(int k) { return Shown(Button(k).left, Button(k).top); }
    long Unlit(int k) { return Background(Button(k).left, Button(k).top); }
    void ClickOn(int k) { Click(Button(k).left + 3, 103); }
};

TEST_F(flButtonTest, ToggleSwitchesAndTheirPictures) {
    params = {Param(0.0f), Param(1.0f), Param(1.0f), Param(0.0f)};
    Add("flButton", Button(0), kMute, {0});
    Add("flButton", Button(1), "Lit.bmp\nBack.bmp", {1});    // copied, not blended
    Add("flButton", Button(2), "Lit.bmp\n\nBack.bmp", {2});  // an empty mask line
    const ViewID indicator = Add("flButton", Button(3), kMute, {3});
    Build();
    EXPECT_EQ(ShownAt(0), Unlit(0));
    EXPECT_EQ(ShownAt(1), 0x00FF00);
    EXPECT_EQ(ShownAt(2), 0x00FF00);
    ClickOn(0);
    EXPECT_EQ(Value(0), 1.0f);
    EXPECT_EQ(ShownAt(0), kLit);
    ClickOn(0);
    EXPECT_EQ(ShownAt(0), Unlit(0));
    Set(0, std::nanf(""));  // counts as on, and toggles to 0
    EXPECT_EQ(ShownAt(0), kLit);
    ClickOn(0);
    EXPECT_EQ(Value(0), 0.0f);

    // A display-only indicator ignores presses but follows its parameter and alt-clicks.
    At<flButton>(indicator)->enabled = 0;
    ClickOn(3);
    EXPECT_EQ(Value(3), 0.0f);
    Set(3, 1.0f);
    EXPECT_EQ(ShownAt(3), kLit);
    AltClick(Button(3).left + 3, 103);
    EXPECT_EQ(Value(3), 0.0f);
}

class flMuteTest : public flButtonTest {
  protected:
    void SetUp() override {
        flButtonTest::SetUp();
        params = {Param(0.0f), Param(0.0f), Param(0.0f), Switch(), Param(0.0f)};
        Add("flButton3", Button(0), kMute, {0, 1, 2, 3});
        Add("flButton3", Button(1), kMute, {1, 0, 2, 3});
        Add("flButton3", Button(2), kMute, {2, 1, 0, 3});
        loner = Add("flButton3", Button(3), kMute, {4, 1});  // no link slot
        Build();
    }
    ViewID loner = 0;
};

TEST_F(flMuteTest, LinkedMutesFollowEachOther) {
    Set(3, 1.0f);  // all off: each mute is still sent its value
    EXPECT_EQ(log.changes, (std::vector<int>{0, 1, 2, 3}));
    ClickOn(1);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(ShownAt(k), kLit);
    log.changes.clear();
    window.Release();
    panel->mouse(Button(1).left + 3, 103, 0, 0);  // a release sends to the partners again
    EXPECT_EQ(log.changes, (std::vector<int>{0, 2}));

    Set(3, 0.0f);
    ClickOn(2);
    EXPECT_EQ(Value(2), 0.0f);
    EXPECT_EQ(Value(0), 1.0f);
    Set(3, 1.0f);  // any on turns all on
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Value(i), 1.0f);
    ClickOn(3);
    EXPECT_FALSE(At<flButton3>(loner)->linked);
    EXPECT_EQ(Value(1), 1.0f);
    AltClick(Button(0).left + 3, 103);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Value(i), 0.0f);
}

TEST_F(flButtonTest, PushButtonsToggleWhenReleasedOverThemselves) {
    params = {Param(0.0f), Param(0.0f), Param(0.0f)};
    Add("flPushButton", Button(0), kMute, {0});
    Add("flPushButton", Button(1), "Lit.bmp\nBack.bmp", {1});  // the pressed picture as it is
    const ViewID logo = Add("flLogoButton", Button(2), "", {2});
    Build();
    Press(Button(0).left + 3, 103);
    panel->idle();
    EXPECT_EQ(ShownAt(0), kLit);
    EXPECT_EQ(Value(0), 0.0f);
    window.MoveTo(Button(0).right, Button(0).bottom);  // the edges count as inside
    Release();
    EXPECT_EQ(Value(0), 1.0f);
    EXPECT_EQ(ShownAt(0), Unlit(0));
    Press(Button(0).left + 3, 103);
    window.MoveTo(Button(0).right + 1, 103);
    Release();
    EXPECT_EQ(Value(0), 1.0f);
    Set(0, 0.0f);  // the picture shows the press, never the value
    EXPECT_EQ(ShownAt(0), Unlit(0));

    Press(Button(1).left + 3, 103);
    EXPECT_EQ(ShownAt(1), 0x00FF00);
    Release();
    EXPECT_EQ(Value(1), 1.0f);

    ClickOn(2);
    EXPECT_EQ(Value(2), 1.0f);
    EXPECT_FALSE(panel->GetView(logo)->needsRedraw);
    EXPECT_EQ(ShownAt(2), 0);  // nothing drawn: the (black) window shows
}

}  // namespace
}  // namespace fltest
