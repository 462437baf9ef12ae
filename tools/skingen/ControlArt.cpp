#include "tools/skingen/ControlArt.h"

#include <algorithm>
#include <cmath>

#include "tools/skingen/Palette.h"
#include "tools/skingen/PixelFont.h"

using namespace palette;

namespace {

constexpr Colour kWhite = Rgb(255, 255, 255);

Colour LampOf(SwitchKind kind) {
    switch (kind) {
        case SwitchKind::Mute: return kRed;
        case SwitchKind::Dim: return kAmber;
        case SwitchKind::Enable: return kGreen;
        case SwitchKind::Mono: return kYellow;
        case SwitchKind::Push: return kBlue;
    }
    return kGreen;
}

// The cap of a 15 x 15 switch: two pixels inside its bezel.
struct CapBox {
    double left, top, right, bottom;
};
CapBox SwitchCap(const PRect& r) {
    return {r.left + 2.0, r.top + 2.0, r.right - 2.0, r.bottom - 2.0};
}

// A lamp's glass: unlit it is a dark tint of its colour, lit it glows with a hot centre.
void PaintGlass(Image& image, double cx, double cy, double radius, Colour lamp, bool lit) {
    if (!lit) {
        image.FillDisc(cx, cy, radius, Mix(kSlot, lamp, 0.22));
        image.FillDisc(cx - radius * 0.3, cy - radius * 0.35, radius * 0.35, kWhite, 0.10);
        return;
    }
    image.FillDisc(cx, cy, radius, lamp);
    image.FillDisc(cx, cy, radius * 0.6, Shade(lamp, 0.45));
    image.FillDisc(cx - radius * 0.3, cy - radius * 0.35, radius * 0.3, kWhite, 0.8);
}

}  // namespace

void PaintSwitch(Image& image, const PRect& r, SwitchKind kind, bool lit) {
    const Colour lamp = LampOf(kind);
    image.FillRoundRect(r.left, r.top, r.right, r.bottom, 3.0, kEdgeDark);
    // A light lip along the bezel's lower edge, as if lit from above.
    image.FillRect(r.left + 2, r.bottom - 1, r.right - 2, r.bottom,
                   Mix(kEdgeDark, kEdgeLight, 0.6));
    const CapBox cap = SwitchCap(r);
    if (kind == SwitchKind::Push && !lit) {
        // Push buttons rest as plain grey caps.
        image.FillRoundRect(cap.left, cap.top, cap.right, cap.bottom, 2.0, Rgb(98, 102, 110));
        image.FillRoundRect(cap.left + 1, cap.top + 1, cap.right - 1, cap.top + 3, 1.0,
                            Rgb(140, 144, 152));
        return;
    }
    if (!lit) {
        image.FillRoundRect(cap.left, cap.top, cap.right, cap.bottom, 2.0, Mix(kWell, lamp, 0.20));
        image.FillRoundRect(cap.left + 1, cap.top + 1, cap.right - 1, cap.top + 3, 1.0,
                            Mix(kWell, lamp, 0.30));
        return;
    }
    image.FillRoundRect(cap.left, cap.top, cap.right, cap.bottom, 2.0, lamp);
    const double cx = (cap.left + cap.right) / 2, cy = (cap.top + cap.bottom) / 2;
    image.FillDisc(cx, cy, 3.2, Shade(lamp, 0.55));
    image.FillRoundRect(cap.left + 1, cap.top + 1, cap.right - 1, cap.top + 3, 1.0, kWhite, 0.45);
}

void PaintSwitchMask(Image& image, const PRect& r) {
    const CapBox cap = SwitchCap(r);
    image.FillRect(r.left, r.top, r.right, r.bottom, 0);
    image.FillRoundRect(cap.left, cap.top, cap.right, cap.bottom, 2.0, kWhite);
}

void PaintHighGain(Image& image, const PRect& r, bool lit) {
    image.FillRect(r.left, r.top, r.right, r.bottom, kPlate);
    const double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
    image.FillDisc(cx, cy, 6.0, kEdgeDark);
    PaintGlass(image, cx, cy, 4.6, kAmber, lit);
}

void PaintHighGainMask(Image& image, const PRect& r) {
    image.FillRect(r.left, r.top, r.right, r.bottom, 0);
    image.FillDisc((r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0, 5.0, kWhite);
}

void PaintLamp(Image& image, const PRect& r, Colour lamp, bool lit) {
    image.FillRect(r.left, r.top, r.right, r.bottom, kPlate);
    const double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
    if (lit) image.FillDisc(cx, cy, 6.3, lamp, 0.25);  // halo
    image.FillDisc(cx, cy, 4.8, kEdgeDark);
    PaintGlass(image, cx, cy, 3.8, lamp, lit);
}

void PaintRateColumn(Image& image, const PRect& r, int litIndex) {
    image.FillRect(r.left, r.top, r.right, r.bottom, kPlate);
    const double cx = (r.left + r.right) / 2.0;
    for (int k = 1; k <= 4; ++k) {
        // Each lamp sits on the middle of its LED's hit rows.
        const double cy = r.top + (k - 1) * kRateLedPitch + 6.5;
        const bool lit = k == litIndex;
        if (lit) image.FillDisc(cx, cy, 5.2, kGreen, 0.25);
        image.FillDisc(cx, cy, 3.9, kEdgeDark);
        PaintGlass(image, cx, cy, 3.1, kGreen, lit);
    }
}

void PaintStatusWindow(Image& image, const PRect& r, const char* line1, const char* line2,
                       Colour lamp, bool lit) {
    image.FillRect(r.left, r.top, r.right, r.bottom, kEdgeDark);
    image.FillRect(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1,
                   lit ? Mix(kSlot, lamp, 0.16) : kSlot);
    TextStyle style;
    style.colour = lit ? Shade(lamp, 0.2) : Mix(kSlot, lamp, 0.22);
    const double cx = (r.left + r.right) / 2.0;
    const int lines = line2 ? 2 : 1;
    const int block = lines * TextHeight(style) + (lines - 1) * 2;
    const int top = r.top + (r.bottom - r.top - block + 1) / 2;
    DrawTextCentred(image, cx, top, line1, style);
    if (line2) DrawTextCentred(image, cx, top + TextHeight(style) + 2, line2, style);
}

void PaintMeter(Image& image, const PRect& r, bool lit, bool clip) {
    const int h = r.bottom - r.top;
    for (int y = 0; y < h; ++y) {
        const double fromBottom = double(h - 1 - y) / std::max(h - 1, 1);
        Colour segment = fromBottom > 0.86 ? kRed : (fromBottom > 0.62 ? kYellow : kGreen);
        if (clip) segment = kRed;
        // Segments of two lit rows and one dark gap.
        const bool gap = (h - 1 - y) % 3 == 2;
        Colour c = gap ? kSlot : (lit ? segment : Mix(kSlot, segment, 0.16));
        image.FillRect(r.left, r.top + y, r.right, r.top + y + 1, c);
    }
}

void PaintFaderSlot(Image& image, const PRect& r) {
    const double cx = (r.left + r.right) / 2.0;
    // Scale marks at every tenth of the travel: the handle's centre runs from row 15
    // (full) to row 110 (off).
    for (int k = 0; k <= 10; ++k) {
        const int y = r.top + 15 + int(std::lround(95.0 * (10 - k) / 10.0));
        const int len = (k % 5 == 0) ? 5 : 3;
        const Colour c = (k % 5 == 0) ? kLegend : kTick;
        image.FillRect(r.left + 5 - len, y, r.left + 5, y + 1, c);
        image.FillRect(r.right - 5, y, r.right - 5 + len, y + 1, c);
    }
    image.FillRoundRect(cx - 2.5, r.top + 6, cx + 2.5, r.bottom - 6, 2.0, kSlot);
    image.FillRect(int(cx + 2), r.top + 8, int(cx + 3), r.bottom - 8, Mix(kSlot, kEdgeLight, 0.5));
}

void PaintBalanceSlot(Image& image, const PRect& r) {
    const double cy = (r.top + r.bottom) / 2.0;
    // The handle's centre runs from column 7 to column 104.
    for (int k = 0; k <= 8; ++k) {
        const int x = r.left + 7 + int(std::lround(97.0 * k / 8.0));
        const bool major = k == 0 || k == 4 || k == 8;
        const Colour c = major ? kLegend : kTick;
        image.FillRect(x, r.top, x + 1, r.top + (major ? 4 : 3), c);
        image.FillRect(x, r.bottom - (major ? 4 : 3), x + 1, r.bottom, c);
    }
    image.FillRoundRect(r.left + 3, cy - 2, r.right - 3, cy + 2, 2.0, kSlot);
    image.FillRect(r.left + 5, int(cy + 1), r.right - 5, int(cy + 2), Mix(kSlot, kEdgeLight, 0.5));
}

void PaintKnobWell(Image& image, const PRect& r) {
    const double cx = r.left + 13.5, cy = r.top + 13.5;
    image.FillDisc(cx, cy + 0.8, 13.6, kEdgeLight, 0.35);
    image.FillDisc(cx, cy, 13.4, kWell);
}

double KnobFrameAngle(int frame) {
    const int side = frame - 14;
    const int n = std::abs(side);
    double a = 0.0;
    if (n == 1)
        a = 6.25;
    else if (n >= 2 && n <= 13)
        a = 15.0 + 10.0 * (n - 2);
    else if (n == 14)
        a = 132.5;
    return side < 0 ? -a : a;
}

Image KnobPointerStrip() {
    constexpr double kPi = 3.14159265358979323846;
    Image strip(kKnobFrames * kPointerPitch, kPointerSize, kWell);
    for (int f = 0; f < kKnobFrames; ++f) {
        const double cx = f * kPointerPitch + kPointerSize / 2.0, cy = kPointerSize / 2.0;
        strip.FillDisc(cx, cy, 9.3, kEdgeDark);
        strip.FillDisc(cx, cy, 8.2, Rgb(78, 82, 90));
        // Brushed top face, brighter towards the top.
        strip.FillDisc(cx, cy - 0.6, 6.8, Rgb(104, 108, 117));
        strip.FillDisc(cx - 1.2, cy - 2.2, 3.6, kWhite, 0.12);
        const double a = KnobFrameAngle(f) * kPi / 180.0;
        const double sx = std::sin(a), sy = -std::cos(a);
        strip.Line(cx + sx * 2.0, cy + sy * 2.0, cx + sx * 7.6, cy + sy * 7.6, 2.2, kWhite);
    }
    return strip;
}

Image KnobPointerMask() {
    Image mask(kPointerSize, kPointerSize, 0);
    mask.FillDisc(kPointerSize / 2.0, kPointerSize / 2.0, 9.4, kWhite);
    return mask;
}

Image KnobTrackStrip(bool fromCentre) {
    Image strip(kKnobFrames * kTrackPitch, kTrackHeight, kWell);
    const Colour lamp = fromCentre ? kBlue : kAmber;
    for (int f = 0; f < kKnobFrames; ++f) {
        const double cx = f * kTrackPitch + 13.5, cy = 13.5;
        strip.FillArc(cx, cy, 10.0, 12.4, -135.0, 135.0, Rgb(62, 66, 74));
        const double a = KnobFrameAngle(f);
        const double from = fromCentre ? std::min(0.0, a) : -135.0;
        const double to = fromCentre ? std::max(0.0, a) : a;
        strip.FillArc(cx, cy, 10.0, 12.4, from, to, lamp);
        // A bright tip where the scale ends.
        strip.FillArc(cx, cy, 10.0, 12.4, a - 4.0, a + 4.0, Shade(lamp, 0.5));
        if (fromCentre) strip.FillArc(cx, cy, 9.4, 12.8, -2.0, 2.0, kLegend);
    }
    return strip;
}

Image KnobTrackMask() {
    Image mask(kKnobFrames * kTrackPitch, kTrackHeight, 0);
    for (int f = 0; f < kKnobFrames; ++f)
        mask.FillArc(f * kTrackPitch + 13.5, 13.5, 9.4, 12.9, -139.0, 139.0, kWhite);
    return mask;
}

Image FaderHandle() {
    const int w = kFaderHandleWidth, h = kFaderHandleHeight;
    Image img(w, h, kEdgeDark);
    Image body(w, h, 0);
    body.FillRectVertical(0, 0, w, h, Rgb(214, 217, 222), Rgb(128, 132, 139));
    img.PasteRegion(body, 1, 1, w - 2, h - 2, 1, 1);
    // Grip ridges above and below the centre line.
    for (int y : {4, 7, 18, 21}) {
        img.FillRect(2, y, w - 2, y + 1, Rgb(96, 100, 106));
        img.FillRect(2, y + 1, w - 2, y + 2, Rgb(232, 234, 238));
    }
    // The centre line: where the level is read.
    img.FillRect(1, h / 2 - 1, w - 1, h / 2, Rgb(20, 20, 22));
    img.FillRect(1, h / 2, w - 1, h / 2 + 1, kWhite);
    return img;
}

Image FaderHandleMask() {
    Image mask(kFaderHandleWidth, kFaderHandleHeight, 0);
    mask.FillRoundRect(0, 0, kFaderHandleWidth, kFaderHandleHeight, 2.0, kWhite);
    return mask;
}

Image BalanceHandle() {
    const int w = kBalanceHandleWidth, h = kBalanceHandleHeight;
    Image img(w, h, kEdgeDark);
    Image body(w, h, 0);
    body.FillRectVertical(0, 0, w, h, Rgb(214, 217, 222), Rgb(128, 132, 139));
    img.PasteRegion(body, 1, 1, w - 2, h - 2, 1, 1);
    img.FillRect(w / 2 - 1, 1, w / 2, h - 1, Rgb(20, 20, 22));
    img.FillRect(w / 2, 1, w / 2 + 1, h - 1, kWhite);
    return img;
}

Image BalanceHandleMask() {
    Image mask(kBalanceHandleWidth, kBalanceHandleHeight, 0);
    mask.FillRoundRect(0, 0, kBalanceHandleWidth, kBalanceHandleHeight, 2.0, kWhite);
    return mask;
}

Image OpaqueMask(int width, int height) {
    return Image(width, height, kWhite);
}

Image MonoCover() {
    Image img(15, 15, Rgb(70, 73, 80));
    for (int d = -15; d < 30; d += 4) img.Line(d, 15, d + 15, 0, 1.2, Rgb(36, 38, 42));
    img.FrameRect(0, 0, 15, 15, kEdgeDark);
    return img;
}

Image MonoCoverMask() {
    Image mask(15, 15, 0);
    mask.FillRoundRect(0, 0, 15, 15, 3.0, Rgb(215, 215, 215));
    return mask;
}

void PaintLogo(Image& image, const PRect& r) {
    const double w = r.right - r.left, h = r.bottom - r.top;
    const bool large = w >= 40;
    const double radius = std::min(w, h - 8) / 2.0 - 1.0;
    const double cx = r.left + w / 2.0, cy = r.top + radius + 1.5;
    image.FillDisc(cx, cy, radius, kCaption);
    image.FillDisc(cx, cy, radius - 1.6, kSectionBottom);
    TextStyle big;
    big.colour = kLegend;
    big.scale = large ? 3 : 2;
    DrawTextCentred(image, cx + 0.5, int(cy - TextHeight(big) / 2.0 + 0.5), "M", big);
    TextStyle small;
    small.size = FontSize::Small;
    small.colour = kCaption;
    DrawTextCentred(image, cx + 0.5, int(r.bottom) - TextHeight(small), "LE", small);
}
