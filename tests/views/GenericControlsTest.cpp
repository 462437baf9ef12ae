// The stock controls driven through a panel the way the host window drives it: presses,
// polled drags in the idle pass, releases, notifications and the redraws that follow.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "tests/views/ViewsTestSupport.h"
#include "views/BitmapControl.h"
#include "views/Canvas.h"
#include "views/HSlider.h"
#include "views/Knob.h"
#include "views/PButton.h"
#include "views/Slider.h"

namespace {

using testing_views::AddResource;
using testing_views::ClearResources;
using testing_views::EventLog;
using testing_views::MakeBmp24;
using testing_views::ProbeView;
using testing_views::RecordingHost;
using testing_views::RecordingObserver;
using testing_views::Row;
using testing_views::TestPanel;

// An image whose columns are numbered: pixel (x, y) = x * 256 + y + 1.
std::vector<unsigned char> NumberedBmp(int w, int h) {
    std::vector<long> pixels(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * w + x] = x * 256 + y + 1;
    return MakeBmp24(w, h, pixels);
}

class Controls : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ClearResources();
        AddResource("Strip.bmp", NumberedBmp(100, 10));  // ten 10-pixel frames
        AddResource("Handle.bmp", MakeBmp24(20, 10, std::vector<long>(200, 0x00FF00)));
        AddResource("Face.bmp", MakeBmp24(20, 10, std::vector<long>(200, 0x0000FF)));
    }
    static void TearDownTestSuite() { ClearResources(); }
};

// Row 0 root Canvas; 1 Knob 10 x 10 on parameter 0; 2 Slider on 1; 3 HSlider on 2;
// 4 PButton on 3; 5 BitmapControl.
std::vector<ViewDefinition> ControlRows() {
    return {
        Row(0, {0, 200, 0, 100}, "Canvas", -1, ""),
        Row(1, {0, 10, 0, 10}, "Knob", 0, "Strip.bmp", {0}),
        Row(2, {20, 30, 0, 50}, "Slider", 0, "Missing.bmp", {1}),
        Row(3, {40, 140, 0, 10}, "HSlider", 0, "Handle.bmp", {2}),
        Row(4, {150, 170, 0, 10}, "PButton", 0, "Face.bmp", {3}),
        Row(5, {150, 170, 20, 30}, "BitmapControl", 0, "Face.bmp"),
    };
}

TEST_F(Controls, AKnobShowsTheFrameOfItsValueAndClampsWhatItCannotShow) {
    TestPanel t(ControlRows());
    Knob* knob = t.ViewAt<Knob>(1);
    ASSERT_EQ(knob->frameCount, 10);
    const std::pair<float, int> cases[] = {{0.0f, 0}, {0.55f, 5}, {0.99f, 9},        {1.0f, 9},
                                           {1.5f, 9}, {-2.0f, 0}, {std::nanf(""), 0}};
    for (auto [value, frame] : cases) {
        t.plugin.HostHasChangedParameter(0, value);
        EXPECT_TRUE(t.panel->NeedsRedraw());
        t.panel->draw();
        EXPECT_EQ(t.window.buffer->GetPixel(0, 0), frame * 10 * 256 + 1) << value;
        EXPECT_FALSE(knob->needsRedraw);
    }
}

TEST_F(Controls, AKnobTurnsByTheAngleOfThePointerAroundItsCentre) {
    TestPanel t(ControlRows());
    EventLog log;
    RecordingHost host(&log);
    t.plugin.SetPluginInterface(&host);
    t.window.Press(5, 5);
    t.panel->mouse(5, 5, 0, 1);
    const std::pair<PPoint, float> positions[] = {
        {{5, 40}, 0.0f}, {{-30, 5}, 0.25f}, {{5, -30}, 0.5f}, {{40, 5}, 0.75f}};
    for (auto [p, expected] : positions) {
        t.window.MoveTo(p.x, p.y);
        t.panel->idle();
        EXPECT_NEAR(t.plugin.params[0]->value, expected, 1e-6) << p.x << "," << p.y;
    }
    t.window.Release();
    t.panel->idle();
    EXPECT_FALSE(t.ViewAt<Knob>(1)->dragging);
    EXPECT_EQ(log.events.size(), 5u);  // four steps and the last one after the release
    t.plugin.SetPluginInterface(nullptr);
}

TEST_F(Controls, ASliderFollowsThePointersHeightClampedToItsTravel) {
    TestPanel t(ControlRows());
    t.window.Press(25, 10);
    t.panel->mouse(25, 10, 0, 1);
    const std::pair<int, float> heights[] = {
        {0, 0.0f}, {50, 1.0f}, {-20, 0.0f}, {25, 0.5f}, {400, 1.0f}};
    for (auto [y, expected] : heights) {
        t.window.MoveTo(25, y);
        t.panel->idle();
        EXPECT_FLOAT_EQ(t.plugin.params[1]->value, expected) << y;
    }
    // Drawn at once in the drag step: the horizontal line at the value's height.
    t.window.MoveTo(25, 25);
    t.panel->idle();
    EXPECT_EQ(t.window.buffer->GetPixel(21, 25), GUI::kPenColour);
    t.window.Release();
    t.panel->idle();
}

TEST_F(Controls, AnHSliderCentresItsHandleUnderThePointer) {
    TestPanel t(ControlRows());
    HSlider* slider = t.ViewAt<HSlider>(3);
    EXPECT_EQ(slider->travel, 80);
    t.window.Press(90, 5);
    t.panel->mouse(90, 5, 0, 1);
    t.panel->idle();
    EXPECT_FLOAT_EQ(t.plugin.params[2]->value, 0.5f);
    EXPECT_EQ(t.window.buffer->GetPixel(40 + 40, 0), 0x00FF00);  // handle at x 40
    EXPECT_EQ(t.window.buffer->GetPixel(40 + 39, 0), 0xFFFFFF);  // the white track
    EXPECT_EQ(t.window.buffer->GetPixel(40 + 39, 5), 0x000000);  // its middle line
    t.window.Release();
    t.panel->idle();
}

TEST_F(Controls, OnlyAPressStartsADragAReleaseOverAControlDoesNot) {
    TestPanel t(ControlRows());
    EventLog log;
    RecordingHost host(&log);
    t.plugin.SetPluginInterface(&host);
    // The press was elsewhere; the button comes up over each slider and the knob.
    for (PPoint p : {PPoint{90, 5}, PPoint{25, 10}, PPoint{5, 5}}) {
        t.window.MoveTo(p.x, p.y);
        t.panel->mouse(p.x, p.y, 0, 0);
        t.panel->idle();
    }
    EXPECT_TRUE(log.events.empty());
    t.plugin.SetPluginInterface(nullptr);
}

TEST_F(Controls, APButtonTogglesItsOwnValueOnPressesAndTakesTheParametersOnNotify) {
    TestPanel t(ControlRows());
    PButton* button = t.ViewAt<PButton>(4);
    t.plugin.HostHasChangedParameter(3, 0.0f);
    EXPECT_EQ(button->value, 0.0f);
    t.Click(160, 5);
    EXPECT_EQ(button->value, 1.0f);
    EXPECT_EQ(t.plugin.params[3]->value, 0.0f);  // the parameter is not written
    t.panel->draw();
    EXPECT_EQ(t.window.buffer->GetPixel(152, 5), GUI::kBackgroundColour);  // erased, crossed
    EXPECT_EQ(t.window.buffer->GetPixel(150, 0), GUI::kPenColour);
    t.Click(160, 5);
    EXPECT_EQ(button->value, 0.0f);
    t.panel->draw();
    EXPECT_EQ(t.window.buffer->GetPixel(152, 5), 0x0000FF);  // the face, framed
    EXPECT_EQ(t.window.buffer->GetPixel(150, 0), GUI::kPenColour);
    t.plugin.HostHasChangedParameter(3, 1.0f);
    EXPECT_EQ(button->value, 1.0f);
}

TEST_F(Controls, TheRootCanvasDrawsItsChildrenAndABitmapControlItsImage) {
    TestPanel t(ControlRows());
    t.panel->draw();
    EXPECT_EQ(t.window.buffer->GetPixel(165, 25), 0x0000FF);
    EXPECT_FALSE(t.panel->NeedsRedraw());
    ASSERT_FALSE(t.window.invalidated.empty());
}

TEST_F(Controls, ControlsWithMissingImagesOrOddSizesDrawNothingAndNeverDivideByZero) {
    std::vector<ViewDefinition> rows = {
        Row(0, {0, 200, 0, 100}, "Canvas", -1, "Missing.bmp\nmore"),
        Row(1, {0, 0, 0, 10}, "Knob", 0, "Strip.bmp", {0}),        // no width
        Row(2, {20, 30, 5, 5}, "Slider", 0, "", {1}),              // no height, no image
        Row(3, {40, 50, 0, 10}, "HSlider", 0, "Handle.bmp", {2}),  // handle wider than it
        Row(4, {60, 70, 0, 10}, "HSlider", 0, "Missing.bmp", {2}),
        Row(5, {60, 70, 0, 10}, "HSlider", 0, "", {2}),
        Row(6, {80, 90, 0, 10}, "Knob", 0, "", {0}),
        Row(7, {100, 110, 0, 10}, "BitmapControl", 0, "Missing.bmp"),
        Row(8, {100, 110, 0, 10}, "PButton", 0, "Missing.bmp\nextra", {3}),
    };
    TestPanel t(rows);
    EXPECT_EQ(t.ViewAt<HSlider>(3)->travel, 1);
    t.panel->draw();
    for (PPoint p : {PPoint{0, 5}, PPoint{25, 5}, PPoint{45, 5}, PPoint{65, 5}, PPoint{85, 5}}) {
        t.window.Press(p.x, p.y);
        t.panel->mouse(p.x, p.y, 0, 1);
        t.panel->idle();
        t.window.Release();
        t.panel->idle();
    }
    EXPECT_FLOAT_EQ(t.plugin.params[1]->value, 0.0f);
    t.plugin.HostHasChangedParameter(2, std::nanf(""));
    t.panel->draw();
    // A knob without its strip still writes values from its drag.
    EXPECT_GE(t.plugin.params[0]->value, 0.0f);
    EXPECT_LT(t.plugin.params[0]->value, 1.0f);
}

TEST_F(Controls, AChangeMadeThroughAControlReachesTheBoundViewsOfEveryPanel) {
    TestPanel first(ControlRows());
    // A second panel over the same plug-in with a slider bound to the knob's parameter.
    std::vector<ViewDefinition> rows = {Row(0, {0, 50, 0, 50}, "Canvas", -1, ""),
                                        Row(1, {0, 10, 0, 40}, "Slider", 0, "", {0})};
    PluginGUI second(&first.plugin, rows.data(), 2);
    ScriptedWindow window(50, 50);
    GUI surface(&window);
    second.SetGUI(&surface);
    second.draw();
    EventLog log;
    RecordingHost host(&log);
    RecordingObserver watcher(&log, "watcher");
    first.plugin.SetPluginInterface(&host);
    first.plugin.observers.push_back(&watcher);

    first.window.Press(5, 5);
    first.panel->mouse(5, 5, 0, 1);
    first.window.MoveTo(5, -30);
    first.panel->idle();
    EXPECT_EQ(log.events, (std::vector<std::string>{"host 0", "watcher 0"}));
    auto* mirrored = dynamic_cast<Slider*>(second.views[1]);
    EXPECT_FLOAT_EQ(mirrored->value, 0.5f);
    EXPECT_TRUE(second.NeedsRedraw());
    window.invalidated.clear();
    second.draw();
    EXPECT_EQ(window.buffer->GetPixel(1, 20), GUI::kPenColour);  // its line at half height
    EXPECT_FALSE(window.invalidated.empty());

    first.window.Release();
    first.panel->idle();
    first.plugin.RemoveParameterObserver(&watcher);
    first.plugin.SetPluginInterface(nullptr);
    second.SetGUI(nullptr);
}

}  // namespace
