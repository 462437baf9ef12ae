// The compact panel: outputs only, with their meters.
// Columns: id, {left, right, top, bottom}, type, parent row, hidden, init text, parameters.

#include "app/skin/SkinInitTexts.h"
#include "app/skin/SkinTables.h"

#define BG "BackgroundShrink.bmp"

const ViewDefinition shrink_views[kShrinkRows] = {
    {0, {0, 191, 0, 392}, "Canvas", -1, false, SKIN_NONE, {-1}},
    {1, {0, 191, 0, 392}, "flCanvas", 0, false, SKIN_CANVAS(BG), {-1}},
    {2, {123, 136, 374, 387}, "flExtLed", 1, false, SKIN_EXT(BG), {58, -1}},
    {3, {160, 188, 342, 365}, "flButton", 1, false, SKIN_INUSE(BG), {59, -1}},
    {4, {160, 188, 372, 389}, "flButton", 1, false, SKIN_LCK(BG), {60, -1}},
    {5, {123, 136, 335, 372}, "flTray6", 1, false, SKIN_NONE, {57, -1}},
    {6, {31, 58, 104, 129}, "flKnob5", 1, false, SKIN_KNOB5(BG), {6, 7, 8, 49, -1}},
    {7, {31, 58, 248, 273}, "flKnob5", 1, false, SKIN_KNOB5(BG), {7, 6, 8, 49, -1}},
    {8, {31, 58, 176, 201}, "flKnob5", 1, false, SKIN_KNOB5(BG), {8, 7, 6, 49, -1}},
    {9, {4, 116, 52, 67}, "flHSlider", 1, false, SKIN_XFADER(BG), {0, -1}},
    {10, {5, 117, 314, 329}, "flHSlider", 1, false, SKIN_XFADER(BG), {1, -1}},
    {11, {57, 72, 117, 132}, "flButton3", 1, false, SKIN_MUTE(BG), {2, 3, 4, 49, -1}},
    {12, {57, 72, 247, 262}, "flButton3", 1, false, SKIN_MUTE(BG), {3, 2, 4, 49, -1}},
    {13, {17, 32, 189, 204}, "flButton3", 1, false, SKIN_MUTE(BG), {4, 3, 2, 49, -1}},
    {14, {44, 59, 90, 104}, "flButton", 1, false, SKIN_DIM(BG), {5, -1}},
    {15, {122, 137, 51, 66}, "flPushButton", 1, false, SKIN_PUSHS(BG), {56, -1}},
    {16, {122, 137, 245, 260}, "flButton", 1, false, SKIN_ENABLE(BG), {47, -1}},
    {17, {122, 137, 259, 274}, "flButton", 1, false, SKIN_ENABLE(BG), {48, -1}},
    {18, {122, 137, 298, 313}, "flButton", 1, false, SKIN_ENABLE(BG), {49, -1}},
    {19, {122, 137, 100, 115}, "flPushButton", 1, false, SKIN_PUSH1(BG), {50, -1}},
    {20, {122, 137, 114, 129}, "flPushButton", 1, false, SKIN_PUSH2(BG), {51, -1}},
    {21, {122, 137, 192, 207}, "flPushButton", 1, false, SKIN_PUSH1(BG), {52, -1}},
    {22, {122, 137, 206, 221}, "flPushButton", 1, false, SKIN_PUSH2(BG), {53, -1}},
    {23, {122, 137, 153, 168}, "flPushButton", 1, false, SKIN_PUSHS(BG), {54, -1}},
    {24, {99, 102, 83, 179}, "flPPM", 1, false, SKIN_METER(BG), {-1}},
    {25, {105, 108, 83, 179}, "flPPM", 1, false, SKIN_METER(BG), {-1}},
    {26, {99, 102, 208, 304}, "flPPM", 1, false, SKIN_METER2(BG), {-1}},
    {27, {105, 108, 208, 304}, "flPPM", 1, false, SKIN_METER2(BG), {-1}},
    {28, {123, 136, 335, 348}, "flRateLed", 5, false, SKIN_RATE1(BG), {57, 59, -1}},
    {29, {123, 136, 343, 356}, "flRateLed", 5, false, SKIN_RATE2(BG), {57, 59, -1}},
    {30, {123, 136, 351, 364}, "flRateLed", 5, false, SKIN_RATE3(BG), {57, 59, -1}},
    {31, {123, 136, 359, 372}, "flRateLed", 5, false, SKIN_RATE4(BG), {57, 59, -1}},
    {32, {17, 32, 103, 118}, "flTray5", 1, false, SKIN_COVER(BG), {49, -1}},
    {33, {17, 32, 103, 118}, "flButton", 32, false, SKIN_MONO(BG), {63, -1}},
    {34, {57, 72, 143, 158}, "flButton", 1, false, SKIN_ENABLE(BG), {71, -1}},
    {35, {84, 116, 2, 38}, "flLogoButton", 1, false, SKIN_NONE, {64, -1}},
};

#undef BG
