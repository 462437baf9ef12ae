// The AC3 passthrough panel: output controls only; no faders or meters.
// Columns: id, {left, right, top, bottom}, type, parent row, hidden, init text, parameters.

#include "app/skin/SkinInitTexts.h"
#include "app/skin/SkinTables.h"

#define BG "BackgroundAC3.bmp"

const ViewDefinition ac3_views[kAC3Rows] = {
    {0, {0, 191, 0, 310}, "Canvas", -1, false, SKIN_NONE, {-1}},
    {1, {0, 191, 0, 310}, "flCanvas", 0, false, SKIN_CANVAS(BG), {-1}},
    {2, {123, 136, 292, 305}, "flExtLed", 1, false, SKIN_EXT(BG), {58, -1}},
    {3, {160, 188, 260, 283}, "flButton", 1, false, SKIN_INUSE(BG), {59, -1}},
    {4, {160, 188, 290, 307}, "flButton", 1, false, SKIN_LCK(BG), {60, -1}},
    {5, {123, 136, 253, 290}, "flTray6", 1, false, SKIN_NONE, {57, -1}},
    {6, {123, 136, 253, 266}, "flRateLed", 5, false, SKIN_RATE1(BG), {57, 59, -1}},
    {7, {123, 136, 261, 274}, "flRateLed", 5, false, SKIN_RATE2(BG), {57, 59, -1}},
    {8, {123, 136, 269, 282}, "flRateLed", 5, false, SKIN_RATE3(BG), {57, 59, -1}},
    {9, {123, 136, 277, 290}, "flRateLed", 5, false, SKIN_RATE4(BG), {57, 59, -1}},
    {10, {31, 58, 67, 92}, "flKnob5", 1, false, SKIN_KNOB5(BG), {6, 7, 8, 49, -1}},
    {11, {31, 58, 221, 246}, "flKnob5", 1, false, SKIN_KNOB5(BG), {7, 6, 8, 49, -1}},
    {12, {31, 58, 144, 167}, "flKnob5", 1, false, SKIN_KNOB5(BG), {8, 7, 6, 49, -1}},
    {13, {57, 72, 80, 95}, "flButton3", 1, false, SKIN_MUTE(BG), {2, 3, 4, 49, -1}},
    {14, {57, 72, 220, 235}, "flButton3", 1, false, SKIN_MUTE(BG), {3, 2, 4, 49, -1}},
    {15, {17, 32, 157, 172}, "flButton3", 1, false, SKIN_MUTE(BG), {4, 3, 2, 49, -1}},
    {16, {44, 59, 53, 67}, "flButton", 1, false, SKIN_DIM(BG), {5, -1}},
    {17, {122, 137, 163, 178}, "flButton", 1, false, SKIN_ENABLE(BG), {47, -1}},
    {18, {122, 137, 177, 192}, "flButton", 1, false, SKIN_ENABLE(BG), {48, -1}},
    {19, {122, 137, 216, 231}, "flButton", 1, false, SKIN_ENABLE(BG), {49, -1}},
    {20, {122, 137, 71, 86}, "flPushButton", 1, false, SKIN_PUSH1(BG), {50, -1}},
    {21, {122, 137, 85, 100}, "flPushButton", 1, false, SKIN_PUSH2(BG), {51, -1}},
    {22, {122, 137, 124, 139}, "flPushButton", 1, false, SKIN_PUSHS(BG), {54, -1}},
    {23, {17, 32, 66, 81}, "flTray5", 1, false, SKIN_COVER(BG), {49, -1}},
    {24, {17, 32, 66, 81}, "flButton", 23, false, SKIN_MONO(BG), {63, -1}},
    {25, {132, 175, 4, 52}, "flLogoButton", 1, false, SKIN_NONE, {64, -1}},
};

#undef BG
