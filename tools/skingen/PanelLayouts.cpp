// Sections and fixed legends of each panel, in panel pixels. The legends of single controls
// are placed automatically beside them (PanelArt.cpp); these are the ones that name a
// group: the strips, the mixes, the outputs.

#include <cstring>

#include "tools/skingen/PanelArt.h"

namespace {

constexpr FontSize N = FontSize::Normal;
constexpr FontSize S = FontSize::Small;

const PanelLayout kConnLost = {
    "ConnectionLost.bmp",
    {},
    {},
};

const PanelLayout kNormal = {
    "Background.bmp",
    {{4, 372, 2, 390}, {376, 496, 2, 390}, {500, 760, 2, 390}},
    {
        {"INPUT 1", 48, 6, 0, N, true, false},     {"INPUT 2", 108, 6, 0, N, true, false},
        {"INPUT 3", 168, 6, 0, N, true, false},    {"INPUT 4", 228, 6, 0, N, true, false},
        {"INPUT 5", 288, 6, 0, N, true, false},    {"INPUT 6", 348, 6, 0, N, true, false},
        {"MONITOR", 10, 179, -1, N, false, true},  {"HEADPHONES", 10, 337, -1, N, false, true},
        {"OUTPUT", 418, 6, 0, N, true, false},     {"INPUT", 381, 44, -1, S, false, false},
        {"PLAY", 493, 44, 1, S, false, false},     {"MONITOR", 437, 72, 0, S, false, false},
        {"INPUT", 381, 332, -1, S, false, false},  {"PLAY", 493, 332, 1, S, false, false},
        {"PHONES", 437, 307, 0, S, false, false},  {"PLAYBACK 1 - 8", 630, 6, 0, N, true, false},
        {"1-2", 531, 32, 0, N, false, false},      {"3-4", 597, 32, 0, N, false, false},
        {"5-6", 663, 32, 0, N, false, false},      {"7-8", 729, 32, 0, N, false, false},
        {"MONITOR", 507, 169, -1, S, false, true}, {"PHONES", 507, 319, -1, S, false, true},
        {"RATE", 705, 326, 0, S, true, false},
    },
};

const PanelLayout kShrink = {
    "BackgroundShrink.bmp",
    {{2, 189, 2, 390}},
    {
        {"OUTPUT", 44, 6, 0, N, true, false},
        {"INPUT", 4, 44, -1, S, false, false},
        {"PLAY", 116, 44, 1, S, false, false},
        {"INPUT", 5, 332, -1, S, false, false},
        {"PLAY", 117, 332, 1, S, false, false},
        {"RATE", 129, 326, 0, S, true, false},
    },
};

const PanelLayout k96k = {
    "Background96k.bmp",
    {{4, 192, 2, 390}, {196, 318, 2, 390}, {322, 494, 2, 390}, {498, 571, 56, 390}},
    {
        // At the high rates each input has a single gain that feeds both mixes; the mixes
        // part only at the playback faders.
        {"INPUT GAIN", 98, 6, 0, N, true, false},  {"1", 48, 20, 0, N, false, false},
        {"2", 108, 20, 0, N, false, false},        {"3", 168, 20, 0, N, false, false},
        {"4", 48, 210, 0, N, false, false},        {"5", 108, 210, 0, N, false, false},
        {"6", 168, 210, 0, N, false, false},       {"TO BOTH MIXES", 10, 190, 0, N, false, true},
        {"OUTPUT", 241, 6, 0, N, true, false},     {"INPUT", 201, 34, -1, S, false, false},
        {"PLAY", 313, 34, 1, S, false, false},     {"MONITOR", 257, 62, 0, S, false, false},
        {"INPUT", 201, 332, -1, S, false, false},  {"PLAY", 313, 332, 1, S, false, false},
        {"PHONES", 257, 307, 0, S, false, false},  {"PLAYBACK", 408, 6, 0, N, true, false},
        {"1-2", 355, 20, 0, N, false, false},      {"3-4", 415, 20, 0, N, false, false},
        {"1-2", 355, 210, 0, N, false, false},     {"3-4", 415, 210, 0, N, false, false},
        {"MAIN", 468, 34, 0, S, false, false},     {"MAIN", 468, 224, 0, S, false, false},
        {"MONITOR", 329, 159, -1, S, false, true}, {"PHONES", 329, 349, -1, S, false, true},
        {"RATE", 511, 326, 0, S, true, false},
    },
};

const PanelLayout kAC3 = {
    "BackgroundAC3.bmp",
    {{2, 189, 2, 308}},
    {
        {"OUTPUT", 44, 6, 0, N, true, false},
        {"AC3", 100, 6, 0, N, true, false},
        {"RATE", 129, 244, 0, S, true, false},
    },
};

}  // namespace

const PanelLayout& LayoutFor(const SkinTable& table) {
    for (const PanelLayout* layout : {&kConnLost, &kNormal, &kShrink, &k96k, &kAC3})
        if (std::strcmp(layout->background, table.background) == 0) return *layout;
    return kConnLost;
}
