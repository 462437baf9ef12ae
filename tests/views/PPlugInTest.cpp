// The wrapper over a plug-in and its panel: observer registration and removal, the full
// refresh, the host's sample rate, the guarded forwarders and the surface it makes and closes.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/views/ViewsTestSupport.h"
#include "views/PPlugIn.h"

namespace {

using testing_views::EventLog;
using testing_views::ProbeView;
using testing_views::RecordingHost;
using testing_views::RecordingObserver;
using testing_views::Row;

class Wrapper : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_views::EnsureStandardTypesRegistered();
        table = testing_views::LinearTable(73);
        plugin = std::make_unique<Plugin>(table.data(), table.size());
        rows = {Row(0, {0, 764, 0, 392}, "View", -1, ""),
                Row(1, {0, 10, 0, 10}, "Probe", 0, "", {72})};
        panel = std::make_unique<PluginGUI>(plugin.get(), rows.data(), 2);
    }
    void TearDown() override {
        panel.reset();
        plugin.reset();
    }
    ProbeView* probe() { return dynamic_cast<ProbeView*>(panel->views[1]); }

    std::vector<ParameterDefinition> table;
    std::unique_ptr<Plugin> plugin;
    std::vector<ViewDefinition> rows;
    std::unique_ptr<PluginGUI> panel;
};

TEST_F(Wrapper, ConstructionShowsEveryParameterAndRegistersLast) {
    PPlugIn wrapper(plugin.get(), panel.get());
    EXPECT_EQ(probe()->notified, (std::vector<int>{0}));
    ASSERT_EQ(plugin->observers.size(), 2u);
    EXPECT_EQ(plugin->observers.back(), &wrapper);
    EXPECT_EQ(wrapper.GetNumberOfParameters(), 73);
    EXPECT_EQ(wrapper.GetParameter(-1), nullptr);
    EXPECT_EQ(wrapper.GetParameter(73), nullptr);
    EXPECT_EQ(wrapper.GetParameter(5), plugin->params[5]);
    int w = 0, h = 0;
    wrapper.GetInitialUISize(&w, &h);
    EXPECT_EQ(w, 764);
    EXPECT_EQ(h, 392);
}

TEST_F(Wrapper, MovingToAnotherPlugInAndDestructionUnregister) {
    auto other = std::make_unique<Plugin>(table.data(), 3);
    {
        PPlugIn wrapper(plugin.get(), nullptr);
        wrapper.SetPlugin(other.get());
        EXPECT_EQ(plugin->observers.back(), nullptr);  // the old entry is cleared
        EXPECT_EQ(other->observers.back(), &wrapper);
    }
    // The destroyed wrapper is no longer called.
    other->HostHasChangedParameter(0, 0.5f);
    EXPECT_TRUE(other->observers.empty());
}

TEST_F(Wrapper, TheSampleRateComesFromTheHostWithA44100Fallback) {
    PPlugIn wrapper(plugin.get(), panel.get());
    EXPECT_EQ(wrapper.GetSampleRate(), 44100.0f);
    EventLog log;
    RecordingHost host(&log);
    wrapper.SetPluginInterface(&host);
    EXPECT_EQ(wrapper.GetPluginInterface(), &host);
    EXPECT_EQ(wrapper.GetSampleRate(), 48000.0f);
    wrapper.SetPluginInterface(nullptr);
}

TEST_F(Wrapper, InitialiseTellsEveryObserverOfEveryParameterButNeverTheHost) {
    PPlugIn wrapper(plugin.get(), panel.get());
    EventLog log;
    RecordingHost host(&log);
    RecordingObserver watcher(&log, "watcher");
    wrapper.SetPluginInterface(&host);
    plugin->observers.push_back(&watcher);
    wrapper.Initialise();
    ASSERT_EQ(log.events.size(), 73u);
    EXPECT_EQ(log.events.front(), "watcher 0");
    EXPECT_EQ(log.events.back(), "watcher 72");
    // A control change through the wrapper tells the host first.
    log.events.clear();
    wrapper.ControlHasChangedNormalisedValue(1, 0, 0.5f);
    EXPECT_EQ(log.events, (std::vector<std::string>{"host 72", "watcher 72"}));
    EXPECT_EQ(wrapper.GetControlNormalisedValue(1, 0), 0.5f);
    EXPECT_EQ(wrapper.HostWantsParameterValue(72), 0.5f);
    plugin->RemoveParameterObserver(&watcher);
    wrapper.SetPluginInterface(nullptr);
}

TEST_F(Wrapper, CloseGUIStopsDrawingUntilANewSurfaceIsMade) {
    PPlugIn wrapper(plugin.get(), panel.get());
    ScriptedWindow window(764, 392);
    wrapper.CreateGUI(&window, 3, 4);
    ASSERT_NE(panel->gui, nullptr);
    EXPECT_EQ(panel->views[0]->rect.left, 3);
    wrapper.draw();
    EXPECT_EQ(probe()->draws, 1);
    EXPECT_FALSE(wrapper.NeedsRedraw());
    wrapper.redraw();
    EXPECT_TRUE(wrapper.NeedsRedraw());
    wrapper.CloseGUI();
    EXPECT_EQ(panel->gui, nullptr);
    wrapper.draw();
    wrapper.tick();
    EXPECT_EQ(probe()->draws, 1);
    wrapper.CreateGUI(&window, 0, 0);
    wrapper.draw();
    EXPECT_EQ(probe()->draws, 2);
}

TEST_F(Wrapper, AWrapperWithoutPlugInOrPanelDoesNothing) {
    PPlugIn empty(nullptr, nullptr);
    empty.tick();
    empty.CloseGUI();
    empty.CreateGUI(nullptr, 0, 0);
    empty.Initialise();
    empty.ControlHasChangedNormalisedValue(0, 0, 1.0f);
    EXPECT_FALSE(empty.NeedsRedraw());
    EXPECT_EQ(empty.GetParameter(0), nullptr);
    EXPECT_EQ(empty.GetSampleRate(), 44100.0f);
}

}  // namespace
