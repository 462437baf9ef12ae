// Panels over a plug-in: binding by slot, the road of a change from a control to the host and
// every observer, the guarded control calls, alt-click resets, size and placement, the shared
// bitmap cache and its lifetime, and the registry that builds the views.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/Resource.h"
#include "tests/views/ViewsTestSupport.h"
#include "views/PluginGUI.h"
#include "views/StandardViewTypes.h"
#include "views/ViewRegistry.h"

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

// Probes 1 and 2 share parameter 3; probe 2 lists parameter 5 twice; probe 4 names a parameter
// the plug-in does not have.
std::vector<ViewDefinition> BindingRows() {
    return {
        Row(0, {0, 200, 0, 100}, "View", -1, ""),
        Row(1, {0, 10, 0, 10}, "Probe", 0, "", {3}),
        Row(2, {20, 30, 0, 10}, "Probe", 0, "", {5, 3, 5}),
        Row(3, {40, 50, 0, 10}, "Probe", 0, "", {}),
        Row(4, {60, 70, 0, 10}, "Probe", 0, "", {99, 1}),
    };
}

class PanelBinding : public ::testing::Test {
  protected:
    void SetUp() override {
        for (ViewID id = 1; id <= 4; ++id) probe(id)->notified.clear();
    }
    ProbeView* probe(ViewID id) { return t.ViewAt<ProbeView>(id); }
    TestPanel t{BindingRows()};
};

TEST_F(PanelBinding, ChangesReachTheViewsBoundToTheParameterInRowThenSlotOrder) {
    EXPECT_EQ(probe(2)->GetRelatedParameterCount(), 3);
    EXPECT_EQ(probe(4)->GetRelatedParameterCount(), 2);  // the unknown index still counts
    t.panel->NotifyParameterChanged(5);
    EXPECT_EQ(probe(2)->notified, (std::vector<int>{0, 2}));
    t.panel->NotifyParameterChanged(3);
    EXPECT_EQ(probe(1)->notified, (std::vector<int>{0}));
    EXPECT_EQ(probe(2)->notified, (std::vector<int>{0, 2, 1}));
    t.panel->NotifyParameterChanged(1);
    EXPECT_EQ(probe(4)->notified, (std::vector<int>{1}));
    t.panel->NotifyParameterChanged(-1);
    t.panel->NotifyParameterChanged(8);
    EXPECT_TRUE(probe(3)->notified.empty());

    // Every bound view hears every parameter on a refresh, the same as after SetGUI.
    for (ViewID id = 1; id <= 4; ++id) probe(id)->notified.clear();
    t.panel->Refresh();
    EXPECT_EQ(probe(2)->notified, (std::vector<int>{1, 0, 2}));
}

TEST_F(PanelBinding, AControlChangeTellsTheHostFirstThenEveryObserverAndEveryPanel) {
    EventLog log;
    RecordingHost host(&log);
    t.plugin.SetPluginInterface(&host);
    RecordingObserver watcher(&log, "watcher");
    t.plugin.observers.push_back(&watcher);
    // A second panel over the same plug-in and rows.
    PluginGUI other(&t.plugin, t.rows.data(), static_cast<int>(t.rows.size()));
    auto* otherProbe = dynamic_cast<ProbeView*>(other.views[1]);

    t.panel->ControlHasChangedNormalisedValue(1, 0, 1.5f);
    EXPECT_EQ(t.plugin.params[3]->value, 1.5f);  // stored unclamped
    EXPECT_EQ(log.events, (std::vector<std::string>{"host 3", "watcher 3"}));
    EXPECT_EQ(probe(1)->notified, (std::vector<int>{0}));  // the reporting view hears it too
    EXPECT_EQ(otherProbe->notified, (std::vector<int>{0}));

    // A change through the host calls tells the observers only.
    log.events.clear();
    t.plugin.HostHasChangedParameter(3, 0.5f);
    EXPECT_EQ(log.events, (std::vector<std::string>{"watcher 3"}));
    EXPECT_EQ(otherProbe->notified.size(), 2u);

    t.plugin.RemoveParameterObserver(&watcher);
    t.plugin.SetPluginInterface(nullptr);
}

TEST_F(PanelBinding, ControlCallsWithoutABoundParameterDoNothing) {
    EventLog log;
    RecordingHost host(&log);
    t.plugin.SetPluginInterface(&host);
    t.plugin.params[3]->value = 0.75f;
    EXPECT_EQ(t.panel->GetControlNormalisedValue(1, 0), 0.75f);
    EXPECT_EQ(t.panel->GetControlNormalisedValue(1, 1), 0.0f);  // slot = slot count
    EXPECT_EQ(t.panel->GetControlNormalisedValue(1, -1), 0.0f);
    EXPECT_EQ(t.panel->GetControlNormalisedValue(5, 0), 0.0f);  // id = rows
    EXPECT_EQ(t.panel->GetControlNormalisedValue(4, 0), 0.0f);  // index 99
    EXPECT_EQ(t.panel->GetControlNormalisedValue(UINT32_MAX, 0), 0.0f);
    char buf[8] = "keep";
    t.panel->GetControlText(3, 0, buf, 7);
    EXPECT_STREQ(buf, "keep");
    t.panel->ControlHasChangedNormalisedValue(4, 0, 0.1f);
    t.panel->ControlHasChangedUnnormalisedValue(9, 0, 0.1f);
    t.panel->ControlHasChangedText(1, 1, "1");
    t.panel->ResetControlToDefault(1, 3);
    t.panel->ResetControlsToDefaults(42);
    EXPECT_TRUE(log.events.empty());
    t.plugin.SetPluginInterface(nullptr);
}

TEST_F(PanelBinding, AltClickResetsOnThePressAndAgainOnTheRelease) {
    EventLog log;
    RecordingHost host(&log);
    t.plugin.SetPluginInterface(&host);
    t.plugin.params[5]->value = 0.9f;
    t.plugin.params[3]->value = 0.9f;
    // The default is in user units: 1.5 of 0..2 is stored as 0.75.
    t.plugin.params[3]->max = 2.0f;
    t.plugin.params[3]->defaultValue = 1.5f;
    t.window.modifiers = kModifierAlt;
    t.panel->mouse(25, 5, 0, 1);
    EXPECT_FLOAT_EQ(t.plugin.params[5]->value, 0.25f);
    EXPECT_FLOAT_EQ(t.plugin.params[3]->value, 0.75f);
    EXPECT_EQ(probe(2)->notified, (std::vector<int>{0, 2, 1, 0, 2}));  // each reset notifies
    EXPECT_EQ(log.events, (std::vector<std::string>{"host 5", "host 3", "host 5"}));
    EXPECT_EQ(probe(2)->presses, 0);  // the press itself does not reach the view
    t.panel->mouse(25, 5, 0, 0);
    EXPECT_EQ(log.events.size(), 6u);
    // On the root's own area nothing is reset.
    t.panel->mouse(150, 50, 0, 1);
    EXPECT_EQ(log.events.size(), 6u);
    t.window.modifiers = 0;
    t.panel->mouse(25, 5, 0, 1);
    EXPECT_EQ(probe(2)->presses, 1);
    t.plugin.SetPluginInterface(nullptr);
}

TEST(PanelLifetime, EntriesWaitForASurfaceAndSizeComesFromRowZero) {
    std::vector<ViewDefinition> rows = {Row(0, {10, 774, 20, 412}, "View", -1, ""),
                                        Row(1, {30, 40, 30, 40}, "Probe", 0, "", {0})};
    testing_views::EnsureStandardTypesRegistered();
    auto table = testing_views::LinearTable(2);
    Plugin plugin(table.data(), table.size());
    PluginGUI panel(&plugin, rows.data(), 2);
    auto* p = dynamic_cast<ProbeView*>(panel.views[1]);
    panel.draw();
    panel.mouse(35, 35, 0, 1);
    panel.idle();
    EXPECT_EQ(p->draws, 0);
    EXPECT_EQ(p->presses, 0);
    EXPECT_TRUE(panel.NeedsRedraw());
    int w = 0, h = 0;
    panel.GetSize(w, h);
    EXPECT_EQ(w, 764);
    EXPECT_EQ(h, 392);

    panel.SetViewOffset(0, 0);
    EXPECT_EQ(panel.views[0]->rect.left, 10);
    panel.SetViewOffset(5, 7);
    panel.SetViewOffset(5, 7);
    EXPECT_EQ(panel.views[0]->rect.left, 15);
    EXPECT_EQ(p->rect.top, 37);

    ScriptedWindow window(800, 450);
    GUI surface(&window);
    p->notified.clear();
    panel.SetGUI(&surface);
    panel.SetGUI(nullptr);
    EXPECT_EQ(p->notified.size(), 2u);  // two refreshes, nothing deleted
    panel.draw();
    EXPECT_EQ(p->draws, 0);
}

TEST(PanelLifetime, TheBitmapCacheIsSharedByPanelsAndFreedWithTheLastOne) {
    ClearResources();
    AddResource("Knob.bmp", MakeBmp24(2, 1, {0x010203, 0x040506}));
    AddResource("Junk.bmp", {'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'});
    {
        std::vector<ViewDefinition> rows = {Row(0, {0, 10, 0, 10}, "View", -1, "")};
        TestPanel first(rows);
        PluginGUI::NamedBitmap* a = PluginGUI::GetBitmap("Knob.bmp\nBackground.bmp");
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->GetPixel(1, 0), 0x040506);
        EXPECT_EQ(a->name, "Knob.bmp");
        {
            TestPanel second(rows);
            EXPECT_EQ(PluginGUI::GetBitmap("Knob.bmp"), a);
        }
        EXPECT_EQ(PluginGUI::bitmaps.size(), 1u);  // one panel still lives
        EXPECT_EQ(PluginGUI::GetBitmap("Missing.bmp"), nullptr);
        PluginGUI::NamedBitmap* junk = PluginGUI::GetBitmap("Junk.bmp");
        ASSERT_NE(junk, nullptr);  // cached though it holds no image
        EXPECT_FALSE(junk->ThereIsBitmapData());
        EXPECT_EQ(PluginGUI::bitmaps.size(), 2u);
        int len = -1;
        EXPECT_EQ(PluginGUI::GetResourceDataByName("Missing.bmp", &len), nullptr);
        EXPECT_EQ(len, 0);
    }
    EXPECT_EQ(PluginGUI::instanceCount, 0);
    EXPECT_TRUE(PluginGUI::bitmaps.empty());
    ClearResources();
}

// A view that counts the live views of its type.
struct CountedView : View {
    CountedView(const ViewDefinition* row, PluginGUI* owner) : View(row, owner) { ++alive; }
    ~CountedView() override { --alive; }
    static int alive;
};
int CountedView::alive = 0;

TEST(PanelLifetime, APanelStopsObservingAndDeletesEveryViewOnceWhenDestroyed) {
    auto table = testing_views::LinearTable(2);
    Plugin plugin(table.data(), table.size());
    testing_views::EnsureStandardTypesRegistered();
    static const bool registered = [] {
        AddViewType("Counted", RegistrationHelper<CountedView>::Create);
        return true;
    }();
    (void)registered;
    // Row 1 has no parent and row 2 hangs below it; row 3 names a later row as its parent.
    std::vector<ViewDefinition> rows = {
        Row(0, {0, 10, 0, 10}, "Counted", -1, ""), Row(1, {0, 5, 0, 5}, "Counted", -1, "", {0}),
        Row(2, {0, 5, 0, 5}, "Counted", 1, "", {0}), Row(3, {0, 5, 0, 5}, "Counted", 4, ""),
        Row(4, {0, 5, 0, 5}, "Counted", 0, "")};
    {
        PluginGUI panel(&plugin, rows.data(), 5);  // unattached rows are owned all the same
        EXPECT_EQ(plugin.observers.size(), 1u);
        EXPECT_EQ(panel.views[2]->GetParent(), panel.views[1]);
        EXPECT_EQ(panel.views[3]->GetParent(), nullptr);
        EXPECT_EQ(CountedView::alive, 5);
    }
    EXPECT_EQ(CountedView::alive, 0);
    plugin.HostHasChangedParameter(0, 0.5f);  // must not reach the destroyed panel
    EXPECT_TRUE(plugin.observers.empty());
}

TEST(ViewRegistry, StandardTypesAreRegisteredInOrderAndTheFirstOfTwinNamesWins) {
    std::vector<RegisteredView> saved = GetRegisteredViews();
    GetRegisteredViews().clear();
    RegisterStandardViewTypes();
    std::vector<std::string> names;
    for (const RegisteredView& r : GetRegisteredViews()) names.push_back(r.name);
    EXPECT_EQ(names, (std::vector<std::string>{"BitmapControl", "PButton", "Canvas", "HSlider",
                                               "Knob", "Slider", "TextBox", "View", "Static"}));
    AddViewType("Knob", RegistrationHelper<ProbeView>::Create);
    const ViewDefinition row = Row(0, {0, 10, 0, 10}, "Knob", -1, "");
    View* v = CreateView(&row, nullptr);
    EXPECT_EQ(dynamic_cast<ProbeView*>(v), nullptr);
    delete v;
    GetRegisteredViews() = saved;
}

TEST(ViewRegistryDeathTest, AnUnknownTypeNameStopsTheProgramWithTheRegistryMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    testing_views::EnsureStandardTypesRegistered();
    const ViewDefinition row = Row(0, {0, 10, 0, 10}, "canvas", -1, "");
    EXPECT_DEATH(CreateView(&row, nullptr), "ViewLib:39: failed assertion `view != NULL'");
    AddViewType("Nothing", [](const ViewDefinition*, PluginGUI*) -> View* { return nullptr; });
    const ViewDefinition empty = Row(0, {0, 10, 0, 10}, "Nothing", -1, "");
    EXPECT_DEATH(CreateView(&empty, nullptr), "failed assertion `view != NULL'");
}

}  // namespace
