#pragma once
// Paints the background image of one panel from its skin table: the anodised face, the
// recessed sections, the surround under every control (slots, wells, bezels, dark lamps)
// and a legend beside each control and section.

#include <string>
#include <vector>

#include "app/skin/SkinTables.h"
#include "tools/skingen/Image.h"
#include "tools/skingen/PixelFont.h"

// A recessed plate that groups controls.
struct PanelSection {
    int left, right, top, bottom;
};

// A fixed legend of a panel: a section title or a scale word.
struct PanelCaption {
    const char* text;
    int x, y;   // the anchor, by `align`; y is the top of the text (its bottom when vertical)
    int align;  // -1 left edge at x, 0 centred on x, 1 right edge at x
    FontSize size;
    bool accent;  // a section title in the caption colour
    bool vertical;
};

struct PanelLayout {
    const char* background;  // the image name this layout paints
    std::vector<PanelSection> sections;
    std::vector<PanelCaption> captions;
};

// The layouts of the five panels, in the order of kSkinTables.
const PanelLayout& LayoutFor(const SkinTable& table);

// The finished background; warnings about labels that found no room go to `warnings`.
Image PaintBackground(const SkinTable& table, std::vector<std::string>& warnings);
