#pragma once
// The colours of the artwork: a dark anodised panel, light legends, coloured lamps.

#include "tools/skingen/Image.h"

namespace palette {

constexpr Colour kPanelTop = Rgb(58, 61, 67);
constexpr Colour kPanelBottom = Rgb(40, 42, 47);
constexpr Colour kSectionTop = Rgb(46, 49, 54);
constexpr Colour kSectionBottom = Rgb(33, 35, 39);
constexpr Colour kEdgeLight = Rgb(86, 90, 98);
constexpr Colour kEdgeDark = Rgb(16, 17, 19);
constexpr Colour kWell = Rgb(20, 21, 24);     // recesses under controls
constexpr Colour kSlot = Rgb(8, 8, 10);       // fader grooves, meter slots
constexpr Colour kTick = Rgb(120, 124, 132);  // scale marks
constexpr Colour kPlate = Rgb(24, 25, 28);    // square plates under lamps

constexpr Colour kLegend = Rgb(222, 224, 228);  // control labels
constexpr Colour kCaption = Rgb(240, 170, 60);  // section titles
constexpr Colour kMinor = Rgb(150, 154, 162);   // secondary legends

constexpr Colour kRed = Rgb(255, 48, 40);
constexpr Colour kAmber = Rgb(255, 176, 32);
constexpr Colour kGreen = Rgb(60, 235, 90);
constexpr Colour kBlue = Rgb(70, 170, 255);
constexpr Colour kYellow = Rgb(250, 230, 60);

}  // namespace palette
