// The "FireWire Connection Lost" panel: a root and one picture.
// Columns: id, {left, right, top, bottom}, type, parent row, hidden, init text, parameters.

#include "app/skin/SkinInitTexts.h"
#include "app/skin/SkinTables.h"

#define BG "ConnectionLost.bmp"

const ViewDefinition connlost_views[kConnLostRows] = {
    {0, {0, 300, 0, 56}, "Canvas", -1, false, SKIN_NONE, {-1}},
    {1, {0, 300, 0, 56}, "flCanvas", 0, false, SKIN_CANVAS(BG), {-1}},
};

#undef BG
