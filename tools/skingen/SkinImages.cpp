#include "tools/skingen/SkinImages.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "app/skin/SkinTables.h"
#include "tools/skingen/ControlArt.h"
#include "tools/skingen/Palette.h"
#include "tools/skingen/PanelArt.h"

using namespace palette;

namespace {

bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// The size of the first row whose init text names the image, or the fallback when no row
// does; every row that names a picture drawn whole has the same size.
PRect SizeOfRowNaming(const char* image, int fallbackW, int fallbackH) {
    for (const SkinTable& t : kSkinTables)
        for (ViewID k = 0; k < t.rowCount; ++k) {
            std::string_view text = t.rows[k].initText;
            size_t start = 0;
            while (start <= text.size()) {
                const size_t end = std::min(text.find('\n', start), text.size());
                if (text.substr(start, end - start) == image) {
                    const PRect& r = t.rows[k].rect;
                    return {0, r.right - r.left, 0, r.bottom - r.top};
                }
                start = end + 1;
            }
        }
    return {0, fallbackW, 0, fallbackH};
}

Image Painted(const PRect& r, void (*paint)(Image&, const PRect&)) {
    Image img(r.right, r.bottom);
    paint(img, r);
    return img;
}

Image SwitchImage(SwitchKind kind) {
    const PRect r{0, 15, 0, 15};
    Image img(15, 15);
    PaintSwitch(img, r, kind, true);
    return img;
}

// The lit picture of one rate LED: the whole column drawn with that LED lit, cut at the
// LED's rectangle, so the neighbours' dark lamps that it overlaps stay in place.
Image RateLedImage(int index) {
    const int height = 3 * kRateLedPitch + kRateLedHeight;
    Image column(13, height);
    PaintRateColumn(column, {0, 13, 0, height}, index);
    const int top = (index - 1) * kRateLedPitch;
    return column.Crop(0, top, 13, top + kRateLedHeight);
}

Image MeterImage(bool clip) {
    const PRect r = SizeOfRowNaming("Meter.bmp", 3, 96);
    Image img(r.right, r.bottom);
    PaintMeter(img, r, true, clip);
    return img;
}

}  // namespace

std::vector<std::string> ImageNamesInTables() {
    std::vector<std::string> names;
    for (const SkinTable& t : kSkinTables)
        for (ViewID k = 0; k < t.rowCount; ++k) {
            std::string_view text = t.rows[k].initText;
            size_t start = 0;
            while (start < text.size()) {
                const size_t end = std::min(text.find('\n', start), text.size());
                const std::string line(text.substr(start, end - start));
                if (EndsWith(line, ".bmp") &&
                    std::find(names.begin(), names.end(), line) == names.end())
                    names.push_back(line);
                start = end + 1;
            }
        }
    return names;
}

std::vector<NamedImage> BuildSkinImages(std::vector<std::string>& warnings) {
    std::vector<NamedImage> out;
    for (const SkinTable& t : kSkinTables)
        out.push_back({t.background, PaintBackground(t, warnings)});

    // Lamps and status windows are drawn whole over the background, so they carry their
    // own plate.
    const PRect lamp = SizeOfRowNaming("SampleRateLedExt.bmp", 13, 13);
    Image ext(lamp.right, lamp.bottom), gray(lamp.right, lamp.bottom);
    PaintLamp(ext, lamp, kAmber, true);
    PaintLamp(gray, lamp, kGreen, false);
    out.push_back({"SampleRateLedExt.bmp", ext});
    out.push_back({"GrayLed.bmp", gray});
    out.push_back({"SampleRateLed1.bmp", RateLedImage(1)});
    out.push_back({"SampleRateLed2.bmp", RateLedImage(2)});
    out.push_back({"SampleRateLed3.bmp", RateLedImage(4)});

    const PRect inUse = SizeOfRowNaming("InUse.bmp", 28, 23);
    Image inUseImage(inUse.right, inUse.bottom);
    PaintStatusWindow(inUseImage, inUse, "IN", "USE", kRed, true);
    out.push_back({"InUse.bmp", inUseImage});
    const PRect lock = SizeOfRowNaming("Lck.bmp", 28, 17);
    Image lockImage(lock.right, lock.bottom);
    PaintStatusWindow(lockImage, lock, "LOCK", nullptr, kGreen, true);
    out.push_back({"Lck.bmp", lockImage});

    out.push_back({"Meter.bmp", MeterImage(false)});
    // Both spellings: two meters of the compact panel ask for the lower-case one.
    out.push_back({"MeterClip.bmp", MeterImage(true)});
    out.push_back({"Meterclip.bmp", MeterImage(true)});

    const PRect fader = SizeOfRowNaming("FaderHandle.bmp", 21, 128);
    out.push_back({"FaderHandle.bmp", FaderHandle()});
    out.push_back({"FaderHandleMask.bmp", FaderHandleMask()});
    out.push_back({"FaderTrayMask.bmp", OpaqueMask(fader.right, fader.bottom)});
    const PRect balance = SizeOfRowNaming("XFaderHandle.bmp", 112, 15);
    out.push_back({"XFaderHandle.bmp", BalanceHandle()});
    out.push_back({"XFaderHandleMask.bmp", BalanceHandleMask()});
    out.push_back({"XFaderTrayMask.bmp", OpaqueMask(balance.right, balance.bottom)});

    out.push_back({"KnobRotation.bmp", KnobPointerStrip()});
    out.push_back({"KnobMask.bmp", KnobPointerMask()});
    out.push_back({"KnobTrackRotation.bmp", KnobTrackStrip(false)});
    out.push_back({"KnobTrackMask.bmp", KnobTrackMask()});
    out.push_back({"KnobTrackRotation2.bmp", KnobTrackStrip(true)});
    out.push_back({"KnobTrackMask2.bmp", KnobTrackMask()});

    out.push_back({"Mute.bmp", SwitchImage(SwitchKind::Mute)});
    out.push_back({"Dim.bmp", SwitchImage(SwitchKind::Dim)});
    out.push_back({"Enable.bmp", SwitchImage(SwitchKind::Enable)});
    out.push_back({"Mono.bmp", SwitchImage(SwitchKind::Mono)});
    out.push_back({"PushSingle.bmp", SwitchImage(SwitchKind::Push)});
    out.push_back({"PushDouble1.bmp", SwitchImage(SwitchKind::Push)});
    out.push_back({"PushDouble2.bmp", SwitchImage(SwitchKind::Push)});
    out.push_back({"ButtonLitMask.bmp", Painted({0, 15, 0, 15}, PaintSwitchMask)});
    out.push_back({"MonoCover.bmp", MonoCover()});
    out.push_back({"MonoMask.bmp", MonoCoverMask()});

    const PRect hiGain = SizeOfRowNaming("HiGain.bmp", 13, 13);
    Image hiGainImage(hiGain.right, hiGain.bottom);
    PaintHighGain(hiGainImage, hiGain, true);
    out.push_back({"HiGain.bmp", hiGainImage});
    out.push_back({"HiGainMask.bmp", Painted(hiGain, PaintHighGainMask)});
    return out;
}
