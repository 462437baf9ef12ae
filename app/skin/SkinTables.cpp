#include "app/skin/SkinTables.h"

const SkinTable kSkinTables[kSkinTableCount] = {
    {"connlost_views", connlost_views, kConnLostRows, "ConnectionLost.bmp"},
    {"allviews", allviews, kNormalRows, "Background.bmp"},
    {"shrink_views", shrink_views, kShrinkRows, "BackgroundShrink.bmp"},
    {"all96kviews", all96kviews, k96kRows, "Background96k.bmp"},
    {"ac3_views", ac3_views, kAC3Rows, "BackgroundAC3.bmp"},
};
