// The five panels built over the generated archive, drawn into back buffers: every control
// shows its own picture, switches look different lit and unlit, parameter changes redraw
// the bound controls in every panel, and the meters follow their feeds.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/DevicePanels.h"
#include "app/ProjectPlug.h"
#include "app/skin/SkinTables.h"
#include "device/MeterData.h"
#include "device/MirovanPlugin.h"
#include "tests/app/PanelTestSupport.h"
#include "views/GUI.h"
#include "views/PluginGUI.h"

namespace {

using paneltest::Differences;
using paneltest::Pixels;

bool IsType(const ViewDefinition& row, const char* type) {
    return std::strcmp(row.typeName, type) == 0;
}

bool Binds(const ViewDefinition& row, int parameter) {
    for (int s = 0; s < kMaxRelatedParameters && row.relatedParameters[s] != -1; ++s)
        if (row.relatedParameters[s] == parameter) return true;
    return false;
}

bool Intersect(const PRect& a, const PRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// One panel with its own window and surface.
struct Mounted {
    Mounted(std::unique_ptr<PluginGUI> p, const SkinTable& t)
        : panel(std::move(p)), table(t), window(t.rows[0].rect.Width(), t.rows[0].rect.Height()),
          surface(&window) {
        panel->SetGUI(&surface);
        panel->draw();
    }
    ~Mounted() { panel->SetGUI(nullptr); }

    std::vector<uint32_t> Drawn(const PRect& r) { return Pixels(window.buffer.get(), r); }
    std::vector<uint32_t> Background(const PRect& r) {
        return Pixels(PluginGUI::GetBitmap(table.background), r);
    }
    MirovanGUI* Device() { return dynamic_cast<MirovanGUI*>(panel.get()); }

    std::unique_ptr<PluginGUI> panel;
    const SkinTable& table;
    paneltest::TestWindow window;
    GUI surface;
};

std::unique_ptr<PluginGUI> MakePanel(const SkinTable& t, MirovanPlugin* plugin) {
    if (t.rows == allviews) return std::make_unique<MirovanNormalGUI>(plugin);
    if (t.rows == shrink_views) return std::make_unique<MirovanShrinkGUI>(plugin);
    if (t.rows == all96kviews) return std::make_unique<Mirovan96kGUI>(plugin);
    if (t.rows == ac3_views) return std::make_unique<MirovanAC3GUI>(plugin);
    return std::make_unique<ConnectionLostGUI>(plugin);
}

class Panels : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(paneltest::LoadGeneratedArchive())
            << "no archive at " << paneltest::GeneratedArchivePath();
        RegisterViewTypes();
        for (const SkinTable& t : kSkinTables)
            panels.push_back(std::make_unique<Mounted>(MakePanel(t, &plugin), t));
    }
    void TearDown() override { panels.clear(); }

    void Set(int parameter, float normalised) {
        plugin.HostHasChangedParameter(parameter, normalised);
    }
    void DrawAll() {
        for (auto& m : panels) m->panel->draw();
    }

    MirovanPlugin plugin;
    std::vector<std::unique_ptr<Mounted>> panels;
};

TEST_F(Panels, EveryKnobFaderAndMeterDrawsItsPictureOverTheBackground) {
    for (auto& m : panels) {
        for (ViewID k = 2; k < m->table.rowCount; ++k) {
            const ViewDefinition& row = m->table.rows[k];
            const bool control = IsType(row, "flKnob4") || IsType(row, "flKnob5") ||
                                 IsType(row, "flVSlider") || IsType(row, "flVSlider2") ||
                                 IsType(row, "flHSlider") || IsType(row, "flPPM");
            if (!control) continue;
            const int area = row.rect.Width() * row.rect.Height();
            // Until its first level a meter shows its whole lit bar.
            EXPECT_GT(Differences(m->Drawn(row.rect), m->Background(row.rect)), area / 10)
                << m->table.name << " row " << k << " (" << row.typeName << ")";
        }
    }
}

TEST_F(Panels, EverySwitchLooksDifferentLitAndUnlit) {
    for (auto& m : panels) {
        for (ViewID k = 2; k < m->table.rowCount; ++k) {
            const ViewDefinition& row = m->table.rows[k];
            const bool toggle = IsType(row, "flButton") || IsType(row, "flButton3") ||
                                IsType(row, "flExtLed") || IsType(row, "flTray5");
            if (!toggle) continue;
            const int p = row.relatedParameters[0];
            SCOPED_TRACE(std::string(m->table.name) + " row " + std::to_string(k));
            Set(p, 0.0f);
            m->panel->draw();
            const auto off = m->Drawn(row.rect);
            Set(p, 1.0f);
            m->panel->draw();
            const auto on = m->Drawn(row.rect);
            Set(p, 0.0f);
            EXPECT_GT(Differences(on, off), row.rect.Width() * row.rect.Height() / 8);
        }
    }
}

TEST_F(Panels, TheRateLedOfTheSelectedRateIsLit) {
    for (auto& m : panels) {
        std::vector<ViewID> leds;
        for (ViewID k = 0; k < m->table.rowCount; ++k)
            if (IsType(m->table.rows[k], "flRateLed")) leds.push_back(k);
        if (leds.empty()) continue;
        std::vector<std::vector<uint32_t>> lit(4), unlit(4);
        for (int rate = 1; rate <= 4; ++rate) {
            plugin.HostHasChangedParameterUnnormalised(57, float(rate));
            m->panel->draw();
            for (int i = 0; i < 4; ++i) {
                // Each LED's hit rows, which no neighbour covers when drawn last.
                PRect r = m->table.rows[leds[i]].rect;
                r.top += 3;
                r.bottom -= 4;
                (i + 1 == rate ? lit[i] : unlit[i]) = m->Drawn(r);
            }
        }
        for (int i = 0; i < 4; ++i)
            EXPECT_GT(Differences(lit[i], unlit[i]), 20) << m->table.name << " rate " << i + 1;
        plugin.HostHasChangedParameterUnnormalised(57, 1.0f);
    }
}

// The layouts overlap (knobs and their switches, neighbouring push buttons, the rate LEDs,
// the mono switch under its cover); the first child in row order takes a press, so every
// control must still own the middle of its own rectangle.
TEST_F(Panels, EveryControlOwnsAPressAtItsMiddle) {
    for (auto& m : panels) {
        View* root = m->panel->GetView(0);
        ASSERT_NE(root, nullptr);
        for (ViewID k = 2; k < m->table.rowCount; ++k) {
            const ViewDefinition& row = m->table.rows[k];
            // The trays only hold their children; their own area is the children's.
            if (IsType(row, "flTray5") || IsType(row, "flTray6")) continue;
            const int cx = (row.rect.left + row.rect.right) / 2,
                      cy = (row.rect.top + row.rect.bottom) / 2;
            EXPECT_EQ(root->FindOwner(cx, cy), m->panel->GetView(k))
                << m->table.name << " row " << k << " (" << row.typeName << ")";
            // While the level link holds the cover over it, the mono switch takes no press.
            if (IsType(m->table.rows[row.parentRow], "flTray5")) {
                Set(49, 1.0f);
                EXPECT_NE(root->FindOwner(cx, cy), m->panel->GetView(k)) << m->table.name;
                Set(49, 0.0f);
            }
        }
    }
}

TEST_F(Panels, PushButtonsShowThePressAndKeepTheirParameterWhenReleasedOutside) {
    for (auto& m : panels) {
        for (ViewID k = 2; k < m->table.rowCount; ++k) {
            const ViewDefinition& row = m->table.rows[k];
            if (!IsType(row, "flPushButton")) continue;
            SCOPED_TRACE(std::string(m->table.name) + " row " + std::to_string(k));
            const int p = row.relatedParameters[0];
            const float before = plugin.params[p]->value;
            const auto rest = m->Drawn(row.rect);
            const int cx = (row.rect.left + row.rect.right) / 2,
                      cy = (row.rect.top + row.rect.bottom) / 2;
            m->window.pointerX = cx;
            m->window.pointerY = cy;
            m->window.buttonDown = true;
            m->panel->mouse(cx, cy, 0, 1);
            m->panel->draw();
            EXPECT_GT(Differences(m->Drawn(row.rect), rest), 20);
            // Released away from the button: nothing is toggled and the picture returns.
            m->window.pointerX = -50;
            m->window.buttonDown = false;
            m->panel->idle();
            m->panel->draw();
            EXPECT_EQ(Differences(m->Drawn(row.rect), rest), 0);
            EXPECT_EQ(plugin.params[p]->value, before);
        }
    }
}

TEST_F(Panels, ChangingAParameterRedrawsTheControlsBoundToItInEveryPanel) {
    // Levels, pans, balances, mutes, dim, links, the switches of every kind.
    const int parameters[] = {0,  1,  2,  5,  6,  8,  9,  12, 16, 17, 22,
                              23, 36, 41, 47, 49, 58, 61, 63, 65, 70, 71};
    for (int p : parameters) {
        SCOPED_TRACE("parameter " + std::to_string(p));
        std::vector<std::vector<std::vector<uint32_t>>> before;
        for (auto& m : panels) {
            before.emplace_back();
            for (ViewID k = 0; k < m->table.rowCount; ++k)
                before.back().push_back(m->Drawn(m->table.rows[k].rect));
        }
        const float old = plugin.params[p]->value;
        Set(p, old >= 0.5f ? 0.0f : 1.0f);
        for (size_t i = 0; i < panels.size(); ++i) {
            Mounted& m = *panels[i];
            bool bound = false;
            for (ViewID k = 0; k < m.table.rowCount; ++k)
                bound |= k > 0 && Binds(m.table.rows[k], p);
            if (!bound) continue;
            EXPECT_TRUE(m.panel->NeedsRedraw()) << m.table.name;
            m.panel->draw();
            std::vector<PRect> changed;
            for (ViewID k = 2; k < m.table.rowCount; ++k) {
                const ViewDefinition& row = m.table.rows[k];
                if (row.relatedParameters[0] != p || IsType(row, "flLogoButton")) continue;
                changed.push_back(row.rect);
                EXPECT_GT(Differences(m.Drawn(row.rect), before[i][k]), 0)
                    << m.table.name << " row " << k << " did not follow";
            }
            // Controls that neither bind the parameter nor overlap one that does stay as
            // they were.
            for (ViewID k = 2; k < m.table.rowCount; ++k) {
                const ViewDefinition& row = m.table.rows[k];
                if (Binds(row, p) || IsType(row, "flTray6") || IsType(row, "flRateLed")) continue;
                bool overlaps = false;
                for (const PRect& c : changed) overlaps |= Intersect(c, row.rect);
                if (overlaps) continue;
                EXPECT_EQ(Differences(m.Drawn(row.rect), before[i][k]), 0)
                    << m.table.name << " row " << k << " changed";
            }
        }
        Set(p, old);
        DrawAll();
    }
}

class PanelMeters : public Panels {
  protected:
    // Feeds one level to every fed meter of the panel, the others silent, and draws.
    void Feed(Mounted& m, int level, float value) {
        MeterData data;
        data.level[level] = value;
        m.Device()->UpdateMeters(&data);
        m.panel->tick();
        m.panel->draw();
    }
};

TEST_F(PanelMeters, EachLevelLightsTheMeterItFeeds) {
    struct Map {
        size_t panel;
        const MeterFeed* feeds;
        size_t count;
    };
    const Map maps[] = {{1, kNormalMeterFeeds, std::size(kNormalMeterFeeds)},
                        {2, kShrinkMeterFeeds, std::size(kShrinkMeterFeeds)},
                        {3, k96kMeterFeeds, std::size(k96kMeterFeeds)}};
    for (const Map& map : maps) {
        for (size_t i = 0; i < map.count; ++i) {
            // A fresh panel each time: its meters start at 0 and fall empty on a silent feed.
            const SkinTable& t = kSkinTables[map.panel];
            Mounted m(MakePanel(t, &plugin), t);
            Feed(m, map.feeds[i].level, 0.5f);
            for (size_t j = 0; j < map.count; ++j) {
                const PRect& r = t.rows[map.feeds[j].row].rect;
                const int differ = Differences(m.Drawn(r), m.Background(r));
                if (j == i) {
                    EXPECT_GT(differ, 0) << t.name << " level " << map.feeds[i].level;
                } else {
                    EXPECT_EQ(differ, 0) << t.name << " level " << map.feeds[i].level
                                         << " also lit row " << map.feeds[j].row;
                }
            }
        }
    }
}

TEST_F(PanelMeters, AFullScaleLevelShowsTheClipPictureOnEveryMeter) {
    for (size_t p : {1u, 2u, 3u}) {
        Mounted& m = *panels[p];
        MeterData data;
        for (float& l : data.level) l = 2.0f;  // the device reports up to about 2
        m.Device()->UpdateMeters(&data);
        m.panel->tick();
        m.panel->draw();
        for (ViewID k = 0; k < m.table.rowCount; ++k) {
            const ViewDefinition& row = m.table.rows[k];
            if (!IsType(row, "flPPM")) continue;
            const std::string clipName(std::strrchr(row.initText, '\n') + 1);
            Bitmap* clip = PluginGUI::GetBitmap(clipName.c_str());
            ASSERT_NE(clip, nullptr) << clipName;
            EXPECT_EQ(m.Drawn(row.rect), Pixels(clip, {0, row.rect.Width(), 0, row.rect.Height()}))
                << m.table.name << " row " << k;
        }
    }
}

// An archive that lacks some images: the panels still build, draw and work, and only the
// controls that needed the missing pictures lose them.
class PanelsWithMissingImages : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(paneltest::LoadGeneratedArchive());
        std::vector<ResourceElement*> kept;
        for (ResourceElement* e : g_resources.elements)
            if (std::strcmp(e->name, "KnobRotation.bmp") != 0 &&
                std::strcmp(e->name, "Meterclip.bmp") != 0 && std::strcmp(e->name, "Mute.bmp") != 0)
                kept.push_back(e);
        // CTest runs the cases of this suite in parallel processes: each gets its own file.
        path = ::testing::TempDir() + "/partial-resources-" + std::to_string(getpid()) + ".res";
        ASSERT_TRUE(paneltest::WriteArchive(path, kept));
        g_resources.LoadFile(path.c_str());
        RegisterViewTypes();
    }
    void TearDown() override {
        std::remove(path.c_str());
        paneltest::LoadGeneratedArchive();
    }

    std::string path;
    MirovanPlugin plugin;
};

TEST_F(PanelsWithMissingImages, PanelsStillBuildDrawAndWork) {
    ASSERT_EQ(PluginGUI::instanceCount, 0);  // nothing cached from the full archive
    for (const SkinTable& t : kSkinTables) {
        SCOPED_TRACE(t.name);
        Mounted m(MakePanel(t, &plugin), t);
        for (ViewID k = 2; k < t.rowCount; ++k) {
            const ViewDefinition& row = t.rows[k];
            // Without their pointer strip the knobs draw nothing over the background. The
            // edges are left out: neighbouring switches overlap them.
            if (IsType(row, "flKnob4") || IsType(row, "flKnob5")) {
                const PRect inner{row.rect.left + 2, row.rect.right - 2, row.rect.top + 2,
                                  row.rect.bottom - 2};
                EXPECT_EQ(m.Drawn(inner), m.Background(inner)) << "row " << k;
            }
        }
        // A mute without its lit picture still toggles its parameter.
        for (ViewID k = 2; k < t.rowCount; ++k) {
            const ViewDefinition& row = t.rows[k];
            if (!IsType(row, "flButton3")) continue;
            const int p = row.relatedParameters[0];
            const float before = plugin.params[p]->value;
            m.panel->mouse((row.rect.left + row.rect.right) / 2,
                           (row.rect.top + row.rect.bottom) / 2, 0, 1);
            EXPECT_NE(plugin.params[p]->value, before) << "row " << k;
            plugin.HostHasChangedParameter(p, before);
        }
    }
}

TEST_F(PanelsWithMissingImages, MetersWithoutTheirClipPictureShowTheLitBar) {
    Mounted m(std::make_unique<MirovanShrinkGUI>(&plugin), kSkinTables[2]);
    MeterData data;
    for (float& l : data.level) l = 2.0f;
    m.Device()->UpdateMeters(&data);
    m.panel->tick();
    m.panel->draw();
    Bitmap* meter = PluginGUI::GetBitmap("Meter.bmp");
    Bitmap* clip = PluginGUI::GetBitmap("MeterClip.bmp");
    ASSERT_TRUE(meter && clip);
    const PRect whole{0, 3, 0, 96};
    // Rows 24 and 25 name "MeterClip.bmp"; rows 26 and 27 the missing "Meterclip.bmp".
    EXPECT_EQ(m.Drawn(shrink_views[24].rect), Pixels(clip, whole));
    EXPECT_EQ(m.Drawn(shrink_views[26].rect), Pixels(meter, whole));
    EXPECT_EQ(m.Drawn(shrink_views[27].rect), Pixels(meter, whole));
}

}  // namespace
