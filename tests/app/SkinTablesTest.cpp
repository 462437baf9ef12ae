// The skin tables' own invariants, and the generated archive against what they name.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/DevicePanels.h"
#include "app/ProjectPlug.h"
#include "app/skin/SkinTables.h"
#include "device/MirovanPlugin.h"
#include "tests/app/PanelTestSupport.h"
#include "views/Bitmap.h"
#include "views/ViewRegistry.h"

namespace {

std::vector<std::string_view> Lines(const ViewDefinition& row) {
    std::vector<std::string_view> lines;
    std::string_view text = row.initText;
    if (text.empty()) return lines;
    size_t start = 0;
    while (true) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return lines;
}

int SlotCount(const ViewDefinition& row) {
    int n = 0;
    while (n < kMaxRelatedParameters && row.relatedParameters[n] != kEndOfParameters) ++n;
    return n;
}

bool IsType(const ViewDefinition& row, const char* type) {
    return std::strcmp(row.typeName, type) == 0;
}

TEST(SkinTables, RowsAreNumberedAndEveryParentComesFirst) {
    for (const SkinTable& t : kSkinTables) {
        SCOPED_TRACE(t.name);
        ASSERT_GE(t.rowCount, 2u);
        const ViewDefinition& root = t.rows[0];
        EXPECT_STREQ(root.typeName, "Canvas");
        EXPECT_EQ(root.parentRow, -1);
        EXPECT_STREQ(root.initText, "");
        EXPECT_EQ(root.rect.left, 0);
        EXPECT_EQ(root.rect.top, 0);
        // Row 1 draws the background over the whole panel.
        const ViewDefinition& canvas = t.rows[1];
        EXPECT_STREQ(canvas.typeName, "flCanvas");
        EXPECT_EQ(canvas.parentRow, 0);
        EXPECT_EQ(std::memcmp(&canvas.rect, &root.rect, sizeof(PRect)), 0);
        EXPECT_STREQ(canvas.initText, t.background);

        for (ViewID k = 0; k < t.rowCount; ++k) {
            const ViewDefinition& row = t.rows[k];
            SCOPED_TRACE("row " + std::to_string(k));
            EXPECT_EQ(row.id, k);
            EXPECT_FALSE(row.hidden);
            ASSERT_NE(row.initText, nullptr);
            if (k == 0) continue;
            ASSERT_GE(row.parentRow, 0);
            ASSERT_LT(row.parentRow, int(k));
            // Every control lies on the background except the rate LEDs, which sit in their
            // tray, and the mono switch under its cover.
            const ViewDefinition& parent = t.rows[row.parentRow];
            if (IsType(row, "flRateLed")) {
                EXPECT_STREQ(parent.typeName, "flTray6");
            } else if (k >= 2 && row.parentRow != 1) {
                EXPECT_STREQ(parent.typeName, "flTray5");
            }
            // Children lie inside their parents and the panel.
            EXPECT_GE(row.rect.left, parent.rect.left);
            EXPECT_LE(row.rect.right, parent.rect.right);
            EXPECT_GE(row.rect.top, parent.rect.top);
            EXPECT_LE(row.rect.bottom, parent.rect.bottom);
            EXPECT_LT(row.rect.left, row.rect.right);
            EXPECT_LT(row.rect.top, row.rect.bottom);
        }
    }
}

TEST(SkinTables, ParameterListsEndAndStayInRange) {
    for (const SkinTable& t : kSkinTables)
        for (ViewID k = 0; k < t.rowCount; ++k) {
            const ViewDefinition& row = t.rows[k];
            SCOPED_TRACE(std::string(t.name) + " row " + std::to_string(k));
            const int slots = SlotCount(row);
            ASSERT_LT(slots, kMaxRelatedParameters) << "list without its -1";
            EXPECT_LE(slots, 4);
            for (int s = 0; s < slots; ++s) {
                EXPECT_GE(row.relatedParameters[s], 0);
                EXPECT_LT(row.relatedParameters[s], kMirovanParameterCount);
            }
            for (int s = slots + 1; s < kMaxRelatedParameters; ++s)
                ASSERT_EQ(row.relatedParameters[s], 0) << "slot " << s;
        }
}

TEST(SkinTables, SharedRowsHaveTheSameRoleInEveryDevicePanel) {
    for (const SkinTable& t : kSkinTables) {
        if (t.rowCount == kConnLostRows) continue;
        SCOPED_TRACE(t.name);
        EXPECT_STREQ(t.rows[2].typeName, "flExtLed");
        EXPECT_EQ(t.rows[2].relatedParameters[0], 58);
        EXPECT_EQ(t.rows[3].relatedParameters[0], 59);
        EXPECT_EQ(t.rows[4].relatedParameters[0], 60);
        EXPECT_STREQ(t.rows[5].typeName, "flTray6");
        EXPECT_EQ(t.rows[5].relatedParameters[0], 57);
        // The four rate LEDs: indices 1 to 4 in row order, 8 rows apart, bound to [57, 59].
        int index = 0;
        for (ViewID k = 0; k < t.rowCount; ++k) {
            const ViewDefinition& row = t.rows[k];
            if (!IsType(row, "flRateLed")) continue;
            ++index;
            const auto lines = Lines(row);
            ASSERT_EQ(lines.size(), 4u);
            EXPECT_EQ(lines[3], std::string(1, char('0' + index)));
            EXPECT_EQ(row.rect.top, t.rows[5].rect.top + 8 * (index - 1));
            EXPECT_EQ(row.relatedParameters[0], 57);
            EXPECT_EQ(row.relatedParameters[1], 59);
        }
        EXPECT_EQ(index, 4);
    }
}

TEST(SkinTables, InitTextsHaveTheLineCountsTheirTypesRead) {
    struct Form {
        const char* type;
        size_t lines;
    };
    const Form forms[] = {
        {"flKnob5", 5},  {"flKnob4", 6},   {"flVSlider", 4}, {"flVSlider2", 4},   {"flHSlider", 4},
        {"flButton", 2}, {"flButton3", 3}, {"flTray5", 3},   {"flExtLed", 2},     {"flRateLed", 4},
        {"flPPM", 3},    {"flCanvas", 1},  {"flTray6", 0},   {"flLogoButton", 0}, {"Canvas", 0},
    };
    for (const SkinTable& t : kSkinTables)
        for (ViewID k = 0; k < t.rowCount; ++k) {
            const ViewDefinition& row = t.rows[k];
            SCOPED_TRACE(std::string(t.name) + " row " + std::to_string(k));
            const size_t n = Lines(row).size();
            if (IsType(row, "flButton")) {
                // Status indicators use the two-line form; switches the three-line one.
                EXPECT_TRUE(n == 2 || n == 3) << n;
            } else if (IsType(row, "flPushButton")) {
                EXPECT_EQ(n, 3u);
            } else {
                const auto* f = std::find_if(std::begin(forms), std::end(forms),
                                             [&](const Form& f) { return IsType(row, f.type); });
                ASSERT_NE(f, std::end(forms)) << row.typeName;
                EXPECT_EQ(n, f->lines);
            }
            // The background line of every control names its own panel's image.
            const auto lines = Lines(row);
            for (size_t i = 0; i < lines.size(); ++i) {
                if (lines[i].find("Background") == 0 || lines[i] == "ConnectionLost.bmp") {
                    EXPECT_EQ(lines[i], t.background);
                }
            }
        }
}

TEST(SkinTables, EveryTypeIsRegistered) {
    RegisterViewTypes();
    const auto& registry = GetRegisteredViews();
    for (const SkinTable& t : kSkinTables)
        for (ViewID k = 0; k < t.rowCount; ++k) {
            const std::string type = t.rows[k].typeName;
            EXPECT_TRUE(std::any_of(registry.begin(), registry.end(),
                                    [&](const RegisteredView& v) { return v.name == type; }))
                << t.name << " row " << k << ": " << type;
        }
}

// The registry holds every type once, the control panel's own types before the toolkit's,
// and calling the registration again adds nothing.
TEST(SkinTables, ViewTypesAreRegisteredOnceInStartUpOrder) {
    RegisterViewTypes();
    RegisterViewTypes();
    const char* const expected[] = {
        "flKnob",       "flKnob4",       "flKnob5",   "flHSlider",    "flVSlider",
        "flVSlider2",   "flButton",      "flButton3", "flPushButton", "flTray5",
        "flTray6",      "flCanvas",      "flExtLed",  "flRateLed",    "flPPM",
        "flLogoButton", "BitmapControl", "PButton",   "Canvas",       "HSlider",
        "Knob",         "Slider",        "TextBox",   "View",         "Static"};
    const auto& registry = GetRegisteredViews();
    ASSERT_EQ(registry.size(), std::size(expected));
    for (size_t i = 0; i < registry.size(); ++i) EXPECT_EQ(registry[i].name, expected[i]) << i;
}

TEST(SkinTables, MeterMapsFeedEveryMeterOnce) {
    struct Map {
        const SkinTable& table;
        const MeterFeed* feeds;
        size_t count;
    };
    const Map maps[] = {
        {kSkinTables[1], kNormalMeterFeeds, std::size(kNormalMeterFeeds)},
        {kSkinTables[2], kShrinkMeterFeeds, std::size(kShrinkMeterFeeds)},
        {kSkinTables[3], k96kMeterFeeds, std::size(k96kMeterFeeds)},
        {kSkinTables[4], nullptr, 0},
    };
    for (const Map& m : maps) {
        SCOPED_TRACE(m.table.name);
        std::multiset<ViewID> fed;
        std::set<int> levels;
        for (size_t i = 0; i < m.count; ++i) {
            ASSERT_LT(m.feeds[i].row, m.table.rowCount);
            EXPECT_STREQ(m.table.rows[m.feeds[i].row].typeName, "flPPM");
            EXPECT_TRUE(levels.insert(m.feeds[i].level).second) << "level fed twice";
            fed.insert(m.feeds[i].row);
        }
        for (ViewID k = 0; k < m.table.rowCount; ++k) {
            if (IsType(m.table.rows[k], "flPPM")) {
                EXPECT_EQ(fed.count(k), 1u) << "row " << k;
            }
        }
    }
}

// Where each level shows: the two levels of a stereo pair feed two meters side by side,
// left then right, and the level of input k feeds the meter just right of that input's fader.
TEST(SkinTables, MeterMapsPutEachLevelBesideItsChannel) {
    struct Map {
        const SkinTable& table;
        const MeterFeed* feeds;
        size_t count;
        int firstInputFader;  // the parameter of input 1's level fader, -1 when none
    };
    const Map maps[] = {
        {kSkinTables[1], kNormalMeterFeeds, std::size(kNormalMeterFeeds), 17},
        {kSkinTables[2], kShrinkMeterFeeds, std::size(kShrinkMeterFeeds), -1},
        {kSkinTables[3], k96kMeterFeeds, std::size(k96kMeterFeeds), 65},
    };
    for (const Map& m : maps) {
        SCOPED_TRACE(m.table.name);
        auto meterOf = [&](int level) -> const ViewDefinition* {
            for (size_t i = 0; i < m.count; ++i)
                if (m.feeds[i].level == level) return &m.table.rows[m.feeds[i].row];
            return nullptr;
        };
        for (int level = 6; level < MeterData::kLevels; level += 2) {
            const ViewDefinition* left = meterOf(level);
            const ViewDefinition* right = meterOf(level + 1);
            if (!left && !right) continue;
            ASSERT_TRUE(left && right) << "level " << level << " without its pair";
            EXPECT_EQ(right->rect.left, left->rect.left + 6)
                << "levels " << level << ", " << level + 1;
            EXPECT_EQ(right->rect.top, left->rect.top) << "levels " << level << ", " << level + 1;
        }
        if (m.firstInputFader < 0) continue;
        for (int input = 0; input < 6; ++input) {
            const ViewDefinition* meter = meterOf(input);
            ASSERT_NE(meter, nullptr) << "input " << input + 1;
            const ViewDefinition* fader = nullptr;
            for (ViewID k = 0; k < m.table.rowCount; ++k)
                if (m.table.rows[k].relatedParameters[0] == m.firstInputFader + input)
                    fader = &m.table.rows[k];
            ASSERT_NE(fader, nullptr) << "input " << input + 1;
            const int gap = meter->rect.left - fader->rect.right;
            EXPECT_TRUE(gap > 0 && gap <= 6) << "input " << input + 1 << " gap " << gap;
            EXPECT_LT(meter->rect.top, fader->rect.bottom) << "input " << input + 1;
            EXPECT_GT(meter->rect.bottom, fader->rect.top) << "input " << input + 1;
        }
    }
}

// The generated archive against the tables: every named image is there, decodes, and has
// the size and layout its controls cut it by.
class GeneratedArchive : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(paneltest::LoadGeneratedArchive())
            << "no archive at " << paneltest::GeneratedArchivePath();
    }
    void TearDown() override {
        for (Bitmap* b : decoded_) delete b;
    }

    Bitmap* Decode(std::string_view name) {
        ResourceElement* e = g_resources.GetResourceByName(std::string(name).c_str());
        if (!e || !e->GetData()) return nullptr;
        auto* b = new Bitmap(e->GetData(), e->GetLength());
        decoded_.push_back(b);
        return b->ThereIsBitmapData() ? b : nullptr;
    }

    std::vector<Bitmap*> decoded_;
};

TEST_F(GeneratedArchive, HoldsEveryImageTheTablesName) {
    for (const SkinTable& t : kSkinTables)
        for (ViewID k = 0; k < t.rowCount; ++k)
            for (std::string_view line : Lines(t.rows[k])) {
                if (line.size() < 4 || line.substr(line.size() - 4) != ".bmp") continue;
                EXPECT_NE(Decode(line), nullptr) << t.name << " row " << k << ": " << line;
            }
    // Both spellings of the clip picture, so every meter shows one.
    EXPECT_NE(Decode("MeterClip.bmp"), nullptr);
    EXPECT_NE(Decode("Meterclip.bmp"), nullptr);
}

TEST_F(GeneratedArchive, BackgroundsAndWholePicturesHaveTheirRowsSize) {
    for (const SkinTable& t : kSkinTables) {
        Bitmap* bg = Decode(t.background);
        ASSERT_NE(bg, nullptr) << t.background;
        EXPECT_EQ(bg->GetWidth(), t.rows[0].rect.Width()) << t.background;
        EXPECT_EQ(bg->GetHeight(), t.rows[0].rect.Height()) << t.background;
        // Pictures drawn whole in place of the background crop fill their row exactly.
        for (ViewID k = 2; k < t.rowCount; ++k) {
            const ViewDefinition& row = t.rows[k];
            const auto lines = Lines(row);
            const bool whole = IsType(row, "flExtLed") || IsType(row, "flRateLed") ||
                               (IsType(row, "flButton") && lines.size() == 2) ||
                               (IsType(row, "flButton") && lines.size() == 3 && lines[1].empty());
            if (!whole) continue;
            Bitmap* lit = Decode(lines[0]);
            ASSERT_NE(lit, nullptr) << lines[0];
            EXPECT_EQ(lit->GetWidth(), row.rect.Width()) << t.name << " row " << k;
            EXPECT_EQ(lit->GetHeight(), row.rect.Height()) << t.name << " row " << k;
        }
    }
}

TEST_F(GeneratedArchive, MasksMatchTheirImages) {
    const char* const pairs[][2] = {
        {"KnobTrackRotation.bmp", "KnobTrackMask.bmp"},
        {"KnobTrackRotation2.bmp", "KnobTrackMask2.bmp"},
        {"FaderHandle.bmp", "FaderHandleMask.bmp"},
        {"XFaderHandle.bmp", "XFaderHandleMask.bmp"},
        {"Mute.bmp", "ButtonLitMask.bmp"},
        {"Dim.bmp", "ButtonLitMask.bmp"},
        {"Enable.bmp", "ButtonLitMask.bmp"},
        {"Mono.bmp", "ButtonLitMask.bmp"},
        {"PushSingle.bmp", "ButtonLitMask.bmp"},
        {"PushDouble1.bmp", "ButtonLitMask.bmp"},
        {"PushDouble2.bmp", "ButtonLitMask.bmp"},
        {"MonoCover.bmp", "MonoMask.bmp"},
        {"HiGain.bmp", "HiGainMask.bmp"},
    };
    for (const auto& p : pairs) {
        Bitmap* image = Decode(p[0]);
        Bitmap* mask = Decode(p[1]);
        ASSERT_TRUE(image && mask) << p[0];
        // The blend draws nothing at all when the sizes differ.
        EXPECT_EQ(image->GetWidth(), mask->GetWidth()) << p[0];
        EXPECT_EQ(image->GetHeight(), mask->GetHeight()) << p[0];
    }
    // Tray masks cover their faders' rectangles.
    EXPECT_EQ(Decode("FaderTrayMask.bmp")->GetWidth(), allviews[8].rect.Width());
    EXPECT_EQ(Decode("FaderTrayMask.bmp")->GetHeight(), allviews[8].rect.Height());
    EXPECT_EQ(Decode("XFaderTrayMask.bmp")->GetWidth(), allviews[25].rect.Width());
    EXPECT_EQ(Decode("XFaderTrayMask.bmp")->GetHeight(), allviews[25].rect.Height());
}

TEST_F(GeneratedArchive, KnobStripsHoldTwentyNineDistinctFrames) {
    Bitmap* pointer = Decode("KnobRotation.bmp");
    Bitmap* pointerMask = Decode("KnobMask.bmp");
    ASSERT_TRUE(pointer && pointerMask);
    // Frames at a pitch of 20, 19 columns drawn; the mask is one frame.
    EXPECT_GE(pointer->GetWidth(), 28 * 20 + 19);
    EXPECT_EQ(pointerMask->GetWidth(), 19);
    EXPECT_EQ(pointerMask->GetHeight(), pointer->GetHeight());
    // Drawn at (4, 4) of a 27 x 25 knob, the pointer must fit inside it.
    EXPECT_LE(4 + pointer->GetHeight(), allviews[10].rect.Height());
    for (int f = 1; f < 29; ++f) {
        const auto a =
            paneltest::Pixels(pointer, {20 * (f - 1), 20 * (f - 1) + 19, 0, pointer->GetHeight()});
        const auto b = paneltest::Pixels(pointer, {20 * f, 20 * f + 19, 0, pointer->GetHeight()});
        EXPECT_GT(paneltest::Differences(a, b), 0) << "pointer frames " << f - 1 << " and " << f;
    }
    for (const char* name : {"KnobTrackRotation.bmp", "KnobTrackRotation2.bmp"}) {
        Bitmap* track = Decode(name);
        ASSERT_NE(track, nullptr);
        EXPECT_GE(track->GetWidth(), 29 * 27) << name;
        EXPECT_EQ(track->GetHeight(), allviews[10].rect.Height()) << name;
        for (int f = 1; f < 29; ++f) {
            const auto a = paneltest::Pixels(track, {27 * (f - 1), 27 * f, 0, track->GetHeight()});
            const auto b = paneltest::Pixels(track, {27 * f, 27 * (f + 1), 0, track->GetHeight()});
            EXPECT_GT(paneltest::Differences(a, b), 0) << name << " frames " << f - 1 << ", " << f;
        }
    }
}

TEST_F(GeneratedArchive, MetersRunFromGreenToRedAndClipRed) {
    Bitmap* meter = Decode("Meter.bmp");
    Bitmap* clip = Decode("MeterClip.bmp");
    ASSERT_TRUE(meter && clip);
    ASSERT_EQ(meter->GetWidth(), allviews[6].rect.Width());
    ASSERT_EQ(meter->GetHeight(), allviews[6].rect.Height());
    ASSERT_EQ(clip->GetHeight(), meter->GetHeight());
    const int h = meter->GetHeight();
    auto brightest = [](Bitmap* b, int top, int bottom) {
        uint32_t best = 0;
        for (uint32_t c : paneltest::Pixels(b, {0, 1, top, bottom}))
            if (((c >> 16) & 255) + ((c >> 8) & 255) > ((best >> 16) & 255) + ((best >> 8) & 255))
                best = c;
        return best;
    };
    auto red = [](uint32_t c) { return int((c >> 16) & 255); };
    auto green = [](uint32_t c) { return int((c >> 8) & 255); };
    const uint32_t bottom = brightest(meter, h - 6, h), top = brightest(meter, 0, 6);
    EXPECT_GT(green(bottom), 2 * red(bottom));
    EXPECT_GT(red(top), 2 * green(top));
    const uint32_t clipBottom = brightest(clip, h - 6, h);
    EXPECT_GT(red(clipBottom), 2 * green(clipBottom));
}

}  // namespace
