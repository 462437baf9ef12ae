#include <cmath>
#include <string>
#include <vector>

#include "tests/views/flTestSurface.h"

namespace fltest {
namespace {

constexpr const char* kInit = "Ptr.bmp\nPtrMask.bmp\nTrack.bmp\nTrackMask.bmp\nBack.bmp";
constexpr PRect Knob(int k) {
    return {20 + 40 * k, 47 + 40 * k, 30, 57};
}

class flKnobTest : public flPanelTest {
  protected:
    void SetUp() override {
        flPanelTest::SetUp();
        // Frames carry their number: pointer red and track green rise by 8 per frame. The
        // unused 20th column of each pointer frame is bright red.
        AddImage("Ptr.bmp", 580, 10, [](int x, int) {
            return x % 20 == 19 ? 0xFF0000L : long{8 * (x / 20) + 8} << 16;
        });
        AddSolid("PtrMask.bmp", 20, 10, 0xFF0000);
        AddImage("Track.bmp", 783, 27, [](int x, int) { return long{8 * (x / 27) + 8} << 8; });
        AddSolid("TrackMask.bmp", 783, 27, 0x00FF00);
    }
    // Drags knob k from its centre by (dx, dy) in one step.
    void Drag(int k, int dx, int dy) {
        Press(Knob(k).left + 10, 40);
        MoveTo(Knob(k).left + 10 + dx, 40 + dy);
        Release();
    }
};

TEST(flKnobFrames, ValueChoosesOneOf29Frames) {
    const std::pair<float, int> cases[] = {{0.0f, 0},         {0.5f, 14},  {1.0f, 28},  {0.49f, 13},
                                           {0.495f, 14},      {0.52f, 15}, {0.55f, 16}, {0.98f, 27},
                                           {0.99f, 28},       {0.02f, 1},  {-0.5f, 0},  {1.5f, 28},
                                           {std::nanf(""), 0}};
    for (const auto& [value, frame] : cases)
        EXPECT_EQ(flKnob::FrameForValue(value), frame) << value;
}

TEST_F(flKnobTest, DrawsTrackAndPointerFramesOverTheBackgroundPiece) {
    params = {Param(1.0f)};
    Add("flKnob", Knob(0), kInit, {0});
    Build();
    for (const int f : {28, 0}) {
        Set(0, f == 28 ? 1.0f : 0.0f);
        const PRect r = Knob(0);
        EXPECT_EQ(Shown(r.left + 4, r.top + 4),  // the pointer frame blended over the track frame
                  long{FullBlend(8 * f + 8)} << 16 | long{FullBlend(FullBlend(8 * f + 8))} << 8);
        EXPECT_EQ(Shown(r.left, r.top),
                  long{FullBlend(r.left)} << 16 | long{FullBlend(8 * f + 8)} << 8);
        EXPECT_NE(Red(Shown(r.left + 4 + 19, r.top + 4)), FullBlend(0xFF));  // 19 columns only
    }
}

TEST_F(flKnobTest, DragCountsTheLargerComponentAndStaysInRange) {
    params = {Param(0.0f)};
    const ViewID knob = Add("flKnob", Knob(0), kInit, {0});
    // A knob that cannot draw still follows drags and notifications.
    const ViewID blind =
        Add("flKnob", Knob(1), "Ptr.bmp\nNoMask.bmp\nTrack.bmp\nTrackMask.bmp\nBack.bmp", {0});
    Build();
    const struct {
        float from;
        int dx, dy;
        bool fine;
        float to;
    } cases[] = {
        {0.0f, 0, -100, false, 0.5f}, {0.0f, 0, -100, true, 0.1f},  {0.5f, 3, -5, false, 0.525f},
        {0.5f, 5, 5, false, 0.475f},  // a tie goes to the vertical
        {0.5f, 6, 5, false, 0.53f},   {0.9f, 0, -300, false, 1.0f}, {0.1f, -300, 0, false, 0.0f}};
    for (const auto& c : cases) {
        Set(0, c.from);
        window.modifiers = c.fine ? unsigned{kModifierShift} : 0u;
        Drag(0, c.dx, c.dy);
        EXPECT_FLOAT_EQ(Value(0), c.to) << c.dx << "," << c.dy;
    }
    window.modifiers = 0;
    EXPECT_FLOAT_EQ(At<flKnob>(blind)->value, 0.0f);
    // Past the end and back turns at once; a step that does not move writes nothing.
    Press(30, 40);
    MoveTo(30, -200);
    MoveTo(30, -190);
    EXPECT_FLOAT_EQ(Value(0), 0.95f);
    log.changes.clear();
    MoveTo(30, -190);
    EXPECT_TRUE(log.changes.empty());
    Release();
    Drag(1, 0, 50);
    EXPECT_FLOAT_EQ(Value(0), 0.7f);

    // Hidden in the middle of a drag, the knob still follows the pointer but paints nothing
    // over what the window shows in its place.
    Press(30, 40);
    At<flKnob>(knob)->SetHidden(true, panel->gui);
    window.buffer->PlotPoint(Knob(0).left + 4, Knob(0).top + 4, 0x123456);
    MoveTo(30, 20);
    EXPECT_FLOAT_EQ(Value(0), 0.8f);
    EXPECT_EQ(window.buffer->GetPixel(Knob(0).left + 4, Knob(0).top + 4), 0x123456);
    Release();
}

TEST_F(flKnobTest, PanLockTakesThePresetAndGivesTheValueBack) {
    params = {Param(0.5f), Param(0.5f), Switch()};
    const ViewID odd = Add("flKnob4", Knob(0),
                           "Ptr.bmp\nPtrMask.bmp\nTrack.bmp\nTrackMask.bmp\nBack.bmp\n0", {0, 2});
    Add("flKnob4", Knob(1), "Ptr.bmp\nPtrMask.bmp\nTrack.bmp\nTrackMask.bmp\nBack.bmp\n1", {1, 2});
    Build();
    Set(0, 0.3f);
    Set(1, 0.6f);
    Set(2, 1.0f);
    EXPECT_EQ(Value(0), 0.0f);
    EXPECT_EQ(Value(1), 1.0f);
    Drag(0, 0, -40);  // a locked knob ignores presses
    EXPECT_EQ(Value(0), 0.0f);
    Set(2, 0.0f);
    EXPECT_FLOAT_EQ(Value(0), 0.3f);
    EXPECT_FLOAT_EQ(Value(1), 0.6f);
    log.changes.clear();
    Set(2, 0.0f);  // unlocked with the switch off: each knob writes its own value back
    EXPECT_EQ(log.changes, (std::vector<int>{0, 1, 2}));
    EXPECT_FLOAT_EQ(Value(0), 0.3f);

    // Alt-click on a locked knob: the press resets the pan, then the lock, which gives both
    // pans back; the release resets the pan again, and the knob, now unlocked, keeps it.
    Set(2, 1.0f);
    AltClick(Knob(0).left + 5, 40);
    EXPECT_EQ(Value(2), 0.0f);
    EXPECT_FLOAT_EQ(Value(0), 0.5f);
    EXPECT_FLOAT_EQ(Value(1), 0.6f);
    EXPECT_FALSE(At<flKnob4>(odd)->locked);
}

TEST_F(flKnobTest, PanLockOnWhenThePanelIsAttachedRemembersThePanFirst) {
    // The pan is notified before its link, so the lock keeps the stored pan to give back.
    params = {Param(0.3f), {0, "S", 0.0f, 1.0f, 1.0f, kUnitSwitch, kLawDiscrete}};
    const ViewID pan = Add("flKnob4", Knob(0),
                           "Ptr.bmp\nPtrMask.bmp\nTrack.bmp\nTrackMask.bmp\nBack.bmp\n1", {0, 1});
    Build();
    EXPECT_EQ(Value(0), 1.0f);
    EXPECT_TRUE(At<flKnob4>(pan)->locked);
    Set(1, 0.0f);
    EXPECT_FLOAT_EQ(Value(0), 0.3f);
}

TEST_F(flKnobTest, LevelGangDropsToTheLowestAndMovesTogether) {
    params = {Param(1.0f), Param(1.0f), Param(1.0f), Switch()};
    const ViewID a = Add("flKnob5", Knob(0), kInit, {0, 1, 2, 3});
    Add("flKnob5", Knob(1), kInit, {1, 0, 2, 3});
    Add("flKnob5", Knob(2), kInit, {2, 1, 0, 3});
    Build();
    Set(0, 0.8f);
    Set(1, 0.3f);
    Set(2, 0.6f);
    EXPECT_FLOAT_EQ(At<flKnob>(a)->value, 0.8f);  // unlinked, each shows its own level
    Set(3, 1.0f);
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(Value(i), 0.3f);
    // While ganged, even a drag step that does not move sends the partners, in slot order.
    Press(Knob(0).left + 10, 40);
    log.changes.clear();
    panel->idle();
    EXPECT_EQ(log.changes, (std::vector<int>{1, 2}));
    Release();
    Drag(1, 0, -40);
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(Value(i), 0.5f);
    Set(3, 0.0f);
    Drag(2, 0, -20);
    EXPECT_FLOAT_EQ(Value(2), 0.6f);
    EXPECT_FLOAT_EQ(Value(0), 0.5f);

    Set(3, 1.0f);
    AltClick(Knob(2).left + 5, 40);  // resets all three levels and the link
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Value(i), 1.0f);
    EXPECT_EQ(Value(3), 0.0f);
}

// Knobs over noisy strips, masks and background, and what a new knob of the same row shows.
class flKnobPictureTest : public flKnobTest {
  protected:
    // Strips, masks and a background named with the given letter.
    static void AddImages(char set, unsigned seed) {
        const std::string s(1, set);
        AddNoise(("Back" + s + ".bmp").c_str(), 200, 160, seed);
        AddNoise(("Ptr" + s + ".bmp").c_str(), 580, 10, seed + 1);
        AddSoftMask(("PtrMask" + s + ".bmp").c_str(), 20, 10, seed + 2);
        AddNoise(("Track" + s + ".bmp").c_str(), 783, 27, seed + 3);
        AddSoftMask(("TrackMask" + s + ".bmp").c_str(), 783, 27, seed + 4);
    }
    static std::string Init(char set) {
        const std::string s(1, set);
        return "Ptr" + s + ".bmp\nPtrMask" + s + ".bmp\nTrack" + s + ".bmp\nTrackMask" + s +
               ".bmp\nBack" + s + ".bmp";
    }
    std::vector<long> Fresh(ViewID id, const std::string& init) {
        const float value = At<flKnob>(id)->value;
        return FreshPicture<flKnob>(id, init.c_str(), [value](flKnob* k) { k->value = value; });
    }
};

TEST_F(flKnobPictureTest, EveryDrawShowsWhatANewKnobWithTheValueShows) {
    AddImages('A', 41);
    const std::string init = Init('A');
    params = {Param(0.5f)};
    const ViewID knob = Add("flKnob", Knob(0), init.c_str(), {0});
    Build();
    EXPECT_EQ(ShownPicture(knob), Fresh(knob, init));
    EXPECT_EQ(ShownPicture(knob), Fresh(knob, init));
    // The next frame, a value that keeps the frame, the ends and a return to an earlier frame.
    for (const float value : {0.52f, 0.55f, 0.56f, 0.0f, 1.0f, 1.5f, 0.52f}) {
        Set(0, value);
        EXPECT_EQ(ShownPicture(knob), Fresh(knob, init)) << value;
    }
    // Drag steps paint at once; the panel's next draw shows the same.
    Press(Knob(0).left + 10, 40);
    for (const int y : {30, 29, 80, 30}) {
        MoveTo(Knob(0).left + 10, y);
        EXPECT_EQ(Pixels(*window.buffer, Knob(0)), Fresh(knob, init)) << "dragged to " << y;
        EXPECT_EQ(ShownPicture(knob), Fresh(knob, init)) << "dragged to " << y;
    }
    Release();
}

TEST_F(flKnobPictureTest, AKnobInitialisedAgainShowsItsNewImages) {
    AddImages('A', 51);
    AddImages('B', 61);
    const std::string before = Init('A'), after = Init('B');
    const std::string lockedBefore = before + "\n0.5", lockedAfter = after + "\n0.5";
    params = {Param(0.3f), Param(0.3f)};
    const ViewID knob = Add("flKnob", Knob(0), before.c_str(), {0});
    const ViewID pan = Add("flKnob4", Knob(1), lockedBefore.c_str(), {1});
    Build();
    // Initialising keeps the value, so the frame stays: only the images change.
    At<flKnob>(knob)->Initialise(after.c_str());
    At<flKnob4>(pan)->Initialise(lockedAfter.c_str());
    EXPECT_EQ(ShownPicture(knob), Fresh(knob, after));
    EXPECT_EQ(ShownPicture(pan), Fresh(pan, after));
    Set(0, 0.9f);
    EXPECT_EQ(ShownPicture(knob), Fresh(knob, after));
}

}  // namespace
}  // namespace fltest
