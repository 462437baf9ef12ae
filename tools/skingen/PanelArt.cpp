#include "tools/skingen/PanelArt.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "tools/skingen/ControlArt.h"
#include "tools/skingen/Palette.h"

using namespace palette;

namespace {

struct Box {
    int left, top, right, bottom;  // half-open

    bool Overlaps(const Box& o, int gapX, int gapY) const {
        return left < o.right + gapX && o.left < right + gapX && top < o.bottom + gapY &&
               o.top < bottom + gapY;
    }
    bool Inside(const Box& o, int margin) const {
        return left >= o.left + margin && right <= o.right - margin && top >= o.top + margin &&
               bottom <= o.bottom - margin;
    }
};

Box BoxOf(const PRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// The first line of a row's init text: the image it shows lit, when it has one.
std::string_view FirstLine(const ViewDefinition& row) {
    std::string_view text = row.initText;
    return text.substr(0, text.find('\n'));
}

bool IsType(const ViewDefinition& row, const char* name) {
    return std::strcmp(row.typeName, name) == 0;
}

bool IsKnob(const ViewDefinition& row) {
    return IsType(row, "flKnob") || IsType(row, "flKnob4") || IsType(row, "flKnob5");
}

bool IsSwitch(const ViewDefinition& row) {
    return IsType(row, "flButton") || IsType(row, "flButton3") || IsType(row, "flPushButton");
}

// Anodised face: a vertical shade with a fine horizontal brush grain.
void PaintFace(Image& image) {
    const int w = image.Width(), h = image.Height();
    image.FillRectVertical(0, 0, w, h, kPanelTop, kPanelBottom);
    for (int y = 0; y < h; ++y) {
        // A fixed pseudo-random grain per row and a lighter one per pixel.
        uint32_t seed = uint32_t(y) * 2654435761u;
        const double rowGrain = double((seed >> 13) % 7) - 3.0;
        for (int x = 0; x < w; ++x) {
            uint32_t n = (uint32_t(x) * 374761393u + uint32_t(y) * 668265263u) ^ 0x5bd1e995u;
            n = (n ^ (n >> 13)) * 1274126177u;
            const double grain = rowGrain * 0.6 + double(n % 5) - 2.0;
            const Colour c = image.At(x, y);
            image.Set(x, y, Shade(c, grain / 255.0 * 2.0));
        }
    }
    image.FillRect(0, 0, w, 1, kEdgeLight);
    image.FillRect(0, 0, 1, h, kEdgeLight);
    image.FillRect(0, h - 1, w, h, kEdgeDark);
    image.FillRect(w - 1, 0, w, h, kEdgeDark);
}

// A recessed plate: dark upper-left edge, light lower-right edge.
void PaintSection(Image& image, const PanelSection& s) {
    image.FillRoundRect(s.left, s.top, s.right, s.bottom, 4.0, Mix(kEdgeLight, kPanelBottom, 0.3));
    image.FillRoundRect(s.left, s.top, s.right - 1, s.bottom - 1, 4.0, kEdgeDark);
    Image plate(s.right - s.left - 2, s.bottom - s.top - 2);
    plate.FillRectVertical(0, 0, plate.Width(), plate.Height(), kSectionTop, kSectionBottom);
    // Copy the shaded plate inside the edges, keeping the rounded corners.
    Image mask(plate.Width(), plate.Height(), 0);
    mask.FillRoundRect(0, 0, plate.Width(), plate.Height(), 3.0, Rgb(255, 255, 255));
    for (int y = 0; y < plate.Height(); ++y)
        for (int x = 0; x < plate.Width(); ++x)
            image.Blend(s.left + 1 + x, s.top + 1 + y, plate.At(x, y),
                        RedOf(mask.At(x, y)) / 255.0);
}

// What sits under each control before anything is drawn over it.
void PaintSurround(Image& image, const ViewDefinition& row) {
    const PRect& r = row.rect;
    const std::string_view lit = FirstLine(row);
    if (IsType(row, "flVSlider") || IsType(row, "flVSlider2")) {
        PaintFaderSlot(image, r);
    } else if (IsType(row, "flHSlider")) {
        PaintBalanceSlot(image, r);
    } else if (IsKnob(row)) {
        PaintKnobWell(image, r);
    } else if (IsType(row, "flPPM")) {
        image.FillRect(r.left - 1, r.top - 1, r.right + 1, r.bottom + 1, kEdgeDark);
        image.FillRect(r.left - 1, r.bottom + 1, r.right + 1, r.bottom + 2, kEdgeLight);
        PaintMeter(image, r, false, false);
    } else if (IsType(row, "flTray6")) {
        PaintRateColumn(image, r, 0);
    } else if (IsType(row, "flExtLed")) {
        PaintLamp(image, r, kAmber, false);
    } else if (IsType(row, "flLogoButton")) {
        PaintLogo(image, r);
    } else if (IsSwitch(row)) {
        if (lit == "InUse.bmp")
            PaintStatusWindow(image, r, "IN", "USE", kRed, false);
        else if (lit == "Lck.bmp")
            PaintStatusWindow(image, r, "LOCK", nullptr, kGreen, false);
        else if (lit == "HiGain.bmp")
            PaintHighGain(image, r, false);
        else if (lit == "Mute.bmp")
            PaintSwitch(image, r, SwitchKind::Mute, false);
        else if (lit == "Dim.bmp")
            PaintSwitch(image, r, SwitchKind::Dim, false);
        else if (lit == "Mono.bmp")
            PaintSwitch(image, r, SwitchKind::Mono, false);
        else if (lit == "Enable.bmp")
            PaintSwitch(image, r, SwitchKind::Enable, false);
        else
            PaintSwitch(image, r, SwitchKind::Push, false);
    }
}

// The legend of a single control, by the parameter it changes.
const char* LegendOf(const ViewDefinition& row) {
    if (IsType(row, "flRateLed")) {
        static const char* const kRates[] = {"44.1", "48", "88.2", "96"};
        const std::string_view text = row.initText;
        const char digit = text.empty() ? '0' : text.back();
        return digit >= '1' && digit <= '4' ? kRates[digit - '1'] : nullptr;
    }
    if (IsType(row, "flTray5") || IsType(row, "flTray6") || IsType(row, "flLogoButton"))
        return nullptr;
    const int p = row.relatedParameters[0];
    switch (p) {
        case 2:
        case 3:
        case 4: return "MUTE";
        case 5: return "DIM";
        case 6: return "OUT 1-2";
        case 7: return "OUT 3-4";
        case 8: return "OUT 5-6";
        case 41:
        case 42:
        case 43:
        case 44:
        case 45:
        case 46: return "LINK";
        case 47: return "AC3";
        case 48: return "MIDI";
        case 49: return "LINK";
        case 50: return "LOAD";
        case 51: return "SAVE";
        case 52: return "CARD";
        case 53: return "TRACK";
        case 54: return "FLOAT";
        case 55: return "SHRINK";
        case 56: return "EXPAND";
        case 58: return "SYNC";
        case 61:
        case 62: return "HI";
        case 63: return "MONO";
        case 71: return "S/PDIF";
        default: return nullptr;
    }
}

enum class Side { Right, Left, Below, Above };

// Where a control's legend may go, in order of preference.
std::vector<Side> SidesOf(const ViewDefinition& row) {
    if (IsKnob(row)) return {Side::Below, Side::Above};
    if (IsType(row, "flRateLed") || IsType(row, "flExtLed")) return {Side::Left, Side::Right};
    const int p = row.relatedParameters[0];
    if (p >= 41 && p <= 46) return {Side::Below, Side::Above, Side::Right, Side::Left};
    return {Side::Right, Side::Left, Side::Below, Side::Above};
}

// The area a control takes on the panel, its surround included.
Box FootprintOf(const ViewDefinition& row) {
    const PRect& r = row.rect;
    if (IsKnob(row)) return {r.left, r.top, r.left + 28, r.top + 28};
    if (IsType(row, "flPPM")) return {r.left - 1, r.top - 1, r.right + 1, r.bottom + 2};
    return BoxOf(r);
}

class LegendPlacer {
  public:
    LegendPlacer(Image& image, const PanelLayout& layout, const SkinTable& table)
        : image_(image), layout_(layout) {
        for (ViewID k = 2; k < table.rowCount; ++k) controls_.push_back(FootprintOf(table.rows[k]));
    }

    void PlaceCaption(const PanelCaption& c) {
        TextStyle style;
        style.size = c.size;
        style.colour = c.accent ? kCaption : (c.size == FontSize::Small ? kMinor : kLegend);
        style.vertical = c.vertical;
        const int len = TextWidth(c.text, style), across = TextHeight(style);
        Box box;
        if (c.vertical) {
            const int top = c.align < 0 ? c.y - len : (c.align == 0 ? c.y - len / 2 : c.y);
            box = {c.x, top, c.x + across, top + len};
        } else {
            const int left = c.align < 0 ? c.x : (c.align == 0 ? c.x - len / 2 : c.x - len);
            box = {left, c.y, left + len, c.y + across};
        }
        DrawText(image_, box.left, box.top, c.text, style);
        taken_.push_back(box);
    }

    // False when no side of the control has room for its legend.
    bool PlaceLegend(const ViewDefinition& row, const char* text) {
        // The rate legends stand one LED pitch apart: only the small face fits there.
        std::vector<FontSize> sizes{FontSize::Normal, FontSize::Small};
        if (IsType(row, "flRateLed")) sizes = {FontSize::Small};
        // Below or above a knob a legend may slide sideways to make room.
        std::vector<int> shifts{0};
        if (IsKnob(row)) shifts = {0, 3, -3, 6, -6, 9, -9, 12, -12, 15, -15};
        for (FontSize size : sizes) {
            TextStyle style;
            style.size = size;
            style.colour = kLegend;
            const int w = TextWidth(text, style), h = TextHeight(style);
            for (Side side : SidesOf(row)) {
                for (int shift : shifts) {
                    Box box = Candidate(row, side, w, h);
                    box.left += shift;
                    box.right += shift;
                    if (!Fits(row, box)) continue;
                    DrawText(image_, box.left, box.top, text, style);
                    taken_.push_back(box);
                    return true;
                }
            }
        }
        return false;
    }

  private:
    Box Candidate(const ViewDefinition& row, Side side, int w, int h) const {
        const Box f = FootprintOf(row);
        int cy = (f.top + f.bottom) / 2;
        if (IsType(row, "flRateLed")) cy = row.rect.top + 7;  // the lamp's middle
        const int cx = (f.left + f.right) / 2;
        switch (side) {
            case Side::Right: return {f.right + 3, cy - h / 2, f.right + 3 + w, cy - h / 2 + h};
            case Side::Left: return {f.left - 3 - w, cy - h / 2, f.left - 3, cy - h / 2 + h};
            case Side::Below: return {cx - w / 2, f.bottom + 2, cx - w / 2 + w, f.bottom + 2 + h};
            case Side::Above: return {cx - w / 2, f.top - 2 - h, cx - w / 2 + w, f.top - 2};
        }
        return f;
    }

    bool Fits(const ViewDefinition& row, const Box& box) const {
        const Box panel{0, 0, image_.Width(), image_.Height()};
        if (!box.Inside(panel, 2)) return false;
        // A legend stays on its control's section.
        const int cx = (row.rect.left + row.rect.right) / 2,
                  cy = (row.rect.top + row.rect.bottom) / 2;
        for (const PanelSection& s : layout_.sections) {
            const Box sb{s.left, s.top, s.right, s.bottom};
            if (cx >= s.left && cx < s.right && cy >= s.top && cy < s.bottom && !box.Inside(sb, 2))
                return false;
        }
        // Legends keep a wider gap from each other than from controls, so that two words
        // never read as one.
        for (const Box& c : controls_)
            if (box.Overlaps(c, 1, 1)) return false;
        for (const Box& t : taken_)
            if (box.Overlaps(t, 4, 2)) return false;
        return true;
    }

    Image& image_;
    const PanelLayout& layout_;
    std::vector<Box> controls_;
    std::vector<Box> taken_;  // legends and captions
};

void PaintConnectionLost(Image& image) {
    const int w = image.Width(), h = image.Height();
    PaintSection(image, {4, w - 4, 4, h - 4});
    // A warning sign.
    const double cx = 30, top = 12, bottom = 44;
    for (double inset : {0.0, 2.5}) {
        const Colour c = inset == 0.0 ? kAmber : kSectionBottom;
        const double t = top + inset * 1.8, b = bottom - inset;
        const double half = (b - t) * 0.58;
        for (int y = int(t); y < int(b); ++y) {
            const double f = (y + 0.5 - t) / (b - t);
            image.FillRoundRect(cx - half * f, y, cx + half * f, y + 1, 0.0, c);
        }
    }
    image.FillRect(29, 22, 31, 35, kAmber);
    image.FillRect(29, 37, 31, 39, kAmber);
    TextStyle title;
    title.colour = kLegend;
    DrawText(image, 60, 16, "FIREWIRE CONNECTION LOST", title);
    TextStyle note;
    note.size = FontSize::Small;
    note.colour = kMinor;
    DrawText(image, 60, 30, "WAITING FOR THE MIROVAN LE.", note);
    DrawText(image, 60, 38, "CHECK ITS CABLE AND POWER.", note);
}

}  // namespace

Image PaintBackground(const SkinTable& table, std::vector<std::string>& warnings) {
    const PRect& extent = table.rows[0].rect;
    Image image(extent.right - extent.left, extent.bottom - extent.top);
    PaintFace(image);
    if (table.rowCount <= 2) {
        PaintConnectionLost(image);
        return image;
    }
    const PanelLayout& layout = LayoutFor(table);
    for (const PanelSection& s : layout.sections) PaintSection(image, s);
    // Wells and slots first: a switch beside a knob may cut into the knob's well.
    for (ViewID k = 2; k < table.rowCount; ++k)
        if (IsKnob(table.rows[k])) PaintSurround(image, table.rows[k]);
    for (ViewID k = 2; k < table.rowCount; ++k)
        if (!IsKnob(table.rows[k])) PaintSurround(image, table.rows[k]);

    LegendPlacer placer(image, layout, table);
    for (const PanelCaption& c : layout.captions) placer.PlaceCaption(c);
    // Switch and lamp legends first: they have the fewest places to go; knob legends can
    // slide.
    for (bool knobs : {false, true}) {
        for (ViewID k = 2; k < table.rowCount; ++k) {
            const ViewDefinition& row = table.rows[k];
            const char* text = LegendOf(row);
            if (!text || IsKnob(row) != knobs) continue;
            if (!placer.PlaceLegend(row, text))
                warnings.push_back(std::string(table.name) + " row " + std::to_string(k) +
                                   ": no room for the legend " + text);
        }
    }
    return image;
}
