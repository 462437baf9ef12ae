// The artwork's legends against what the controls beside them do.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "app/skin/SkinTables.h"
#include "device/MirovanPlugin.h"
#include "tools/skingen/PanelArt.h"
#include "tools/skingen/PixelFont.h"

namespace {

// A word of the artwork that names a mix, and the word the device's parameter names use.
struct MixWord {
    const char* legend;
    const char* inParameterName;
};
constexpr MixWord kMixWords[] = {
    {"MONITOR", "Monitor"}, {"PHONES", "Headphone"}, {"HEADPHONES", "Headphone"}};

const MixWord* MixNamedBy(const PanelCaption& c) {
    for (const MixWord& w : kMixWords)
        if (std::strcmp(c.text, w.legend) == 0) return &w;
    return nullptr;
}

bool IsLevelControl(const ViewDefinition& row) {
    const std::string_view type = row.typeName;
    return type == "flVSlider" || type == "flVSlider2" || type == "flHSlider" ||
           type.substr(0, 6) == "flKnob";
}

// The rows of panel pixels that a standing caption covers.
std::pair<int, int> SpanOf(const PanelCaption& c) {
    TextStyle style;
    style.size = c.size;
    style.vertical = true;
    const int len = TextWidth(c.text, style);
    const int top = c.align < 0 ? c.y - len : (c.align == 0 ? c.y - len / 2 : c.y);
    return {top, top + len};
}

// The columns of panel pixels that a lying caption covers.
std::pair<int, int> ColumnsOf(const PanelCaption& c) {
    TextStyle style;
    style.size = c.size;
    const int len = TextWidth(c.text, style);
    const int left = c.align < 0 ? c.x : (c.align == 0 ? c.x - len / 2 : c.x - len);
    return {left, left + len};
}

const PanelSection* SectionAt(const PanelLayout& layout, int x, int y) {
    for (const PanelSection& s : layout.sections)
        if (x >= s.left && x < s.right && y >= s.top && y < s.bottom) return &s;
    return nullptr;
}

}  // namespace

// A caption standing at the edge of a row of faders and knobs names the mix of that row:
// every level control beside it changes a parameter of that mix.
TEST(PanelLegend, AMixNamedBesideARowIsTheMixOfEveryControlInIt) {
    int checked = 0;
    for (const SkinTable& table : kSkinTables) {
        if (table.rowCount <= 2) continue;
        const PanelLayout& layout = LayoutFor(table);
        for (const PanelCaption& c : layout.captions) {
            const MixWord* mix = MixNamedBy(c);
            if (!mix || !c.vertical) continue;
            const auto [top, bottom] = SpanOf(c);
            const PanelSection* section = SectionAt(layout, c.x, (top + bottom) / 2);
            ASSERT_NE(section, nullptr) << table.name << ": " << c.text;
            int beside = 0;
            for (ViewID k = 2; k < table.rowCount; ++k) {
                const ViewDefinition& row = table.rows[k];
                const PRect& r = row.rect;
                if (!IsLevelControl(row) || r.bottom <= top || r.top >= bottom) continue;
                if (SectionAt(layout, (r.left + r.right) / 2, (r.top + r.bottom) / 2) != section)
                    continue;
                const std::string name = allparams[row.relatedParameters[0]].name;
                EXPECT_NE(name.find(mix->inParameterName), std::string::npos)
                    << table.name << " row " << k << " (\"" << name << "\") stands beside \""
                    << c.text << "\"";
                ++beside;
            }
            EXPECT_GT(beside, 0) << table.name << ": \"" << c.text << "\" names no row";
            ++checked;
        }
    }
    // The normal and the high-rate panel each name both mixes.
    EXPECT_GE(checked, 4);
}

// A panel that names the mixes of its rows of faders names the mix of each balance fader too,
// in a lying caption just above or below it, within its width: the two faders look alike
// and differ only in the mix they balance.
TEST(PanelLegend, EachBalanceFaderOfAPanelThatNamesItsMixesIsNamed) {
    constexpr int kNear = 6;  // the widest gap at which a caption still reads as the fader's
    int checked = 0;
    for (const SkinTable& table : kSkinTables) {
        if (table.rowCount <= 2) continue;
        const PanelLayout& layout = LayoutFor(table);
        const bool namesMixes =
            std::any_of(layout.captions.begin(), layout.captions.end(),
                        [](const PanelCaption& c) { return c.vertical && MixNamedBy(c); });
        if (!namesMixes) continue;
        for (ViewID k = 2; k < table.rowCount; ++k) {
            const ViewDefinition& row = table.rows[k];
            const PRect& r = row.rect;
            if (std::string_view(row.typeName) != "flHSlider") continue;
            const std::string name = allparams[row.relatedParameters[0]].name;
            const MixWord* named = nullptr;
            for (const PanelCaption& c : layout.captions) {
                if (c.vertical || !MixNamedBy(c)) continue;
                TextStyle style;
                style.size = c.size;
                const auto [left, right] = ColumnsOf(c);
                const int top = c.y, bottom = c.y + TextHeight(style);
                const bool above = bottom <= r.top && bottom >= r.top - kNear;
                const bool below = top >= r.bottom && top <= r.bottom + kNear;
                if (left >= r.left && right <= r.right && (above || below)) named = MixNamedBy(c);
            }
            ASSERT_NE(named, nullptr)
                << table.name << " row " << k << " (\"" << name << "\") is named by no mix";
            EXPECT_NE(name.find(named->inParameterName), std::string::npos)
                << table.name << " row " << k << " (\"" << name << "\") is named \""
                << named->legend << "\"";
            ++checked;
        }
    }
    // The normal and the high-rate panel each have two balance faders.
    EXPECT_EQ(checked, 4);
}
