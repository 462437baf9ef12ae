#pragma once
// The five built-in skin tables: the whole layout of every panel of the control panel.
// Row k has id k, row 0 is the root "Canvas" with the panel's size, row 1 the "flCanvas"
// that draws the background image, and every parent row precedes its children.

#include "views/ViewDefinition.h"

constexpr ViewID kConnLostRows = 2;
constexpr ViewID kNormalRows = 90;
constexpr ViewID kShrinkRows = 36;
constexpr ViewID k96kRows = 58;
constexpr ViewID kAC3Rows = 26;

extern const ViewDefinition connlost_views[kConnLostRows];  // "FireWire Connection Lost" picture
extern const ViewDefinition allviews[kNormalRows];          // normal panel, 44.1 and 48 kHz
extern const ViewDefinition shrink_views[kShrinkRows];      // compact panel
extern const ViewDefinition all96kviews[k96kRows];          // high-rate panel, 88.2 and 96 kHz
extern const ViewDefinition ac3_views[kAC3Rows];            // AC3 passthrough panel

// One entry per table, for the code that walks all of them (the image generator, checks).
struct SkinTable {
    const char* name;  // the table's name, for messages
    const ViewDefinition* rows;
    ViewID rowCount;
    const char* background;  // the background image that row 1 draws
};

constexpr int kSkinTableCount = 5;
extern const SkinTable kSkinTables[kSkinTableCount];
