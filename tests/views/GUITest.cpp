// The drawing surface over a scripted window: the redraw bracket, redirection into bitmaps,
// offsets, frames and lines, live pointer and modifier state, invalidation and the clipboard.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "tests/views/ScriptedWindow.h"
#include "tests/views/ViewsTestSupport.h"
#include "views/GUI.h"

namespace {

using testing_views::MakeFilled;

MATCHER_P4(RectIs, left, right, top, bottom, "") {
    return arg.left == left && arg.right == right && arg.top == top && arg.bottom == bottom;
}

class SurfaceTest : public ::testing::Test {
  protected:
    ScriptedWindow window{100, 60};
    GUI gui{&window};
    Bitmap* screen() { return window.buffer.get(); }
};

TEST_F(SurfaceTest, TheRedrawBracketDoesNotNestAndInvalidatesWhatChangedOnce) {
    std::unique_ptr<Bitmap> red(MakeFilled(10, 10, 0xFF0000));
    EXPECT_EQ(gui.CurrentTarget(), nullptr);
    gui.StartRedraw();
    gui.StartRedraw();
    EXPECT_EQ(gui.SavedTargetCount(), 1u);
    EXPECT_EQ(gui.CurrentTarget(), screen());
    const PRect a{5, 15, 5, 8};
    gui.DrawBitmap(red.get(), &a, nullptr);
    const PRect b{30, 40, 20, 30};
    gui.DrawBitmap(red.get(), &b, nullptr);
    gui.EndRedraw();
    EXPECT_FALSE(gui.IsRedrawing());
    EXPECT_EQ(gui.CurrentTarget(), nullptr);
    // Two changes apart stay two rectangles, each invalidated once.
    ASSERT_EQ(window.invalidated.size(), 2u);
    EXPECT_THAT(window.invalidated[0], RectIs(5, 15, 5, 8));
    EXPECT_THAT(window.invalidated[1], RectIs(30, 40, 20, 30));
    gui.EndRedraw();
    EXPECT_EQ(window.invalidated.size(), 2u);

    // Drawing outside a redraw has no target and does nothing.
    const PRect c{50, 60, 50, 60};
    gui.DrawBitmap(red.get(), &c, nullptr);
    gui.PlotRectangle(&c);
    EXPECT_EQ(screen()->GetPixel(55, 55), 0);
    EXPECT_EQ(screen()->GetPixel(10, 6), 0xFF0000);
}

TEST_F(SurfaceTest, RedirectionMovesBitmapCopiesButNotFramesAndRestoresTheTarget) {
    Bitmap into(60, 40);
    into.EraseBitmap(0);
    std::unique_ptr<Bitmap> green(MakeFilled(10, 10, 0x00FF00));
    gui.StartRedraw();
    gui.RedirectOutputToBitmap(&into, -40, -10);
    EXPECT_EQ(gui.CurrentTarget(), &into);
    const PRect r{50, 60, 10, 20};
    gui.DrawBitmap(green.get(), &r, nullptr);
    gui.PlotRectangle(&r);
    // A source offset picks the pixels from there; the copy keeps the rectangle's size.
    Bitmap numbered(30, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 30; ++x) numbered.PlotPoint(x, y, x * 16 + y);
    const PRect strip{45, 55, 32, 35};
    const PPoint from{20, 0};
    gui.DrawBitmap(&numbered, &strip, &from);
    gui.RedirectOutputFromBitmap(&into, -40, -10);
    EXPECT_EQ(gui.CurrentTarget(), screen());
    EXPECT_EQ(gui.offsetX, 0);
    EXPECT_EQ(gui.offsetY, 0);
    gui.EndRedraw();
    EXPECT_EQ(into.GetPixel(10, 0), 0x00FF00);
    EXPECT_EQ(into.GetPixel(19, 9), 0x00FF00);
    EXPECT_EQ(into.GetPixel(50, 10), GUI::kPenColour);  // frame at panel coordinates
    EXPECT_EQ(into.GetPixel(59, 19), GUI::kPenColour);
    EXPECT_EQ(into.GetPixel(55, 15), 0);  // a frame, not a fill
    EXPECT_EQ(into.GetPixel(5, 22), 20 * 16);
    EXPECT_EQ(into.GetPixel(14, 24), 29 * 16 + 2);
    EXPECT_EQ(into.GetPixel(15, 22), 0);  // nothing beyond the rectangle's width
    // Nothing of it reached the window.
    EXPECT_TRUE(window.invalidated.empty());
}

TEST_F(SurfaceTest, UnbalancedRedirectsCannotBreakTheNextRedraw) {
    Bitmap empty(0, 0);
    Bitmap into(10, 10);
    gui.StartRedraw();
    // A bitmap without a store changes the offset only.
    gui.RedirectOutputToBitmap(&empty, 3, 4);
    EXPECT_EQ(gui.CurrentTarget(), screen());
    EXPECT_EQ(gui.offsetX, 3);
    gui.RedirectOutputFromBitmap(&empty, 3, 4);
    EXPECT_EQ(gui.SavedTargetCount(), 1u);
    // An extra "from" must not pop the redraw's own entry.
    gui.RedirectOutputFromBitmap(&into, 0, 0);
    EXPECT_TRUE(gui.IsRedrawing());
    EXPECT_EQ(gui.CurrentTarget(), screen());
    // A redirect left open is closed with the redraw.
    gui.RedirectOutputToBitmap(&into, 0, 0);
    gui.EndRedraw();
    EXPECT_FALSE(gui.IsRedrawing());
    gui.StartRedraw();
    EXPECT_EQ(gui.CurrentTarget(), screen());
    gui.EndRedraw();
    // Outside any redraw a stray "from" does nothing either.
    gui.RedirectOutputFromBitmap(&into, 0, 0);
    EXPECT_EQ(gui.SavedTargetCount(), 0u);
}

TEST_F(SurfaceTest, HatchedAndHandledRectanglesAreBuiltFromFramesAndLines) {
    // A surface that records the pure operations the helpers call.
    struct Recorder : GUI {
        using GUI::GUI;
        void PlotRectangle(const PRect* r) override { frames.push_back(*r); }
        void EraseRectangle(const PRect* r) override { erased.push_back(*r); }
        void LineFromTo(int a, int b, int c, int d) override { lines.push_back({a, b, c, d}); }
        using GUI::PlotRectangle;
        std::vector<PRect> frames, erased;
        std::vector<std::array<int, 4>> lines;
    } rec(&window);
    const PRect hatched{10, 20, 30, 40};
    rec.HatchedRectangle(&hatched);
    ASSERT_EQ(rec.lines.size(), 2u);
    EXPECT_EQ(rec.lines[0], (std::array<int, 4>{10, 30, 19, 39}));
    EXPECT_EQ(rec.lines[1], (std::array<int, 4>{10, 39, 19, 30}));
    EXPECT_EQ(rec.erased.size(), 1u);

    rec.frames.clear();
    const PRect handled{0, 100, 0, 50};
    rec.HandledRectangle(&handled);
    ASSERT_EQ(rec.frames.size(), 9u);
    const int expected[8][2] = {{0, 0},  {90, 0},  {0, 40}, {90, 40},
                                {0, 20}, {90, 20}, {45, 0}, {45, 40}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(rec.frames[i + 1].left, expected[i][0]) << i;
        EXPECT_EQ(rec.frames[i + 1].top, expected[i][1]) << i;
        EXPECT_EQ(rec.frames[i + 1].right - rec.frames[i + 1].left, 10);
    }

    // Drawn for real: erased white, framed and crossed in the pen colour.
    screen()->EraseBitmap(0x80);
    gui.StartRedraw();
    gui.HatchedRectangle(&hatched);
    gui.EndRedraw();
    EXPECT_EQ(screen()->GetPixel(10, 30), GUI::kPenColour);
    EXPECT_EQ(screen()->GetPixel(15, 35), GUI::kPenColour);  // on the diagonal
    EXPECT_EQ(screen()->GetPixel(12, 35), GUI::kBackgroundColour);
    EXPECT_EQ(screen()->GetPixel(20, 35), 0x808080);  // right edge excluded
}

TEST_F(SurfaceTest, LinesIncludeBothEndsAndAreClippedToTheTarget) {
    gui.StartRedraw();
    gui.EraseRectangle(0, 0, 100, 60);
    gui.LineFromTo(-50, 10, 200, 10);
    gui.LineFromTo(3, 3, 3, 3);
    gui.LineFromTo(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    gui.EndRedraw();
    EXPECT_EQ(screen()->GetPixel(0, 10), GUI::kPenColour);
    EXPECT_EQ(screen()->GetPixel(99, 10), GUI::kPenColour);
    EXPECT_EQ(screen()->GetPixel(3, 3), GUI::kPenColour);
    EXPECT_EQ(screen()->GetPixel(3, 4), GUI::kBackgroundColour);
}

TEST_F(SurfaceTest, PointerButtonsAndModifiersAreReadLive) {
    window.MoveTo(-5, 70000);
    int x = 0, y = 0;
    gui.GetMousePos(&x, &y);
    EXPECT_EQ(x, -5);
    EXPECT_EQ(y, 70000);
    EXPECT_FALSE(gui.IsRedrawing());  // reading the pointer opens no redraw

    window.modifiers = kModifierShift | kModifierCtrl;
    EXPECT_TRUE(gui.ShiftIsDown());
    EXPECT_TRUE(gui.CtrlIsDown());
    EXPECT_FALSE(gui.AltIsDown());
    window.modifiers = kModifierAlt;
    EXPECT_TRUE(gui.AltIsDown());
    EXPECT_FALSE(gui.MouseIsDown());
    window.buttonDown = true;
    EXPECT_TRUE(gui.MouseIsDown());

    GUI detached(nullptr);
    EXPECT_FALSE(detached.MouseIsDown());
    detached.StartRedraw();
    EXPECT_EQ(detached.CurrentTarget(), nullptr);
    detached.EndRedraw();
}

TEST_F(SurfaceTest, ThePasteNeverWritesPastTheCallersBuffer) {
    const char text[] = "0123456789";
    const int flavour = 0x54455854;  // TEXT
    gui.CopyToClipboard(text, 10, flavour);
    EXPECT_EQ(gui.GetClipboardDataSize(flavour), 10);
    EXPECT_EQ(gui.GetClipboardDataSize(0x50494354), 0);
    char buf[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    gui.PasteFromClipboard(buf, flavour, 4);
    EXPECT_EQ(std::string(buf, 6), "0123xx");
}

}  // namespace
