#include "views/flPPM.h"

#include <cmath>

#include "views/GUI.h"
#include "views/flImages.h"
#include "views/flShown.h"

namespace {

// Below this share of full scale the meter shows nothing.
constexpr float kFloor = 0.1f;
// The largest float below 1: a level this close to full scale counts as clipping.
constexpr float kNearlyFull = 0.99999994f;

}  // namespace

flPPM::flPPM(const ViewDefinition* row, PluginGUI* owner) : View(row, owner) {}

flPPM::~flPPM() {
    delete background;
    delete composite;
}

void flPPM::Initialise(char** lines, int count) {
    level = 0.0f;
    topRow = 0;  // a full bar until the first level arrives
    clipHold = 0;
    changed = 1;
    compositeBar.Forget();
    meterImage = flNamedImage(lines, count, 1);
    // A meter initialised again deletes the images it made before.
    delete background;
    background = flBackgroundCrop(flNamedImage(lines, count, 2), rect);
    delete composite;
    composite = flNewImage(rect);
    clipImage = count > 2 ? flNamedImage(lines, count, 3) : nullptr;
}

void flPPM::SetLevel(float x) {
    float v = (std::sqrt(std::fabs(x)) - kFloor) / (1.0f - kFloor);
    if (v < 0.0f) v = 0.0f;
    const float decayed = kDecay * level;
    // A NaN level is not larger, so the decayed value wins.
    level = v > decayed ? v : decayed;
    if (level > 1.0f) {
        level = 1.0f;
        clipHold = kClipHoldTicks;
    } else if (level >= kNearlyFull) {
        clipHold = kClipHoldTicks;
    }
    const int h = meterImage != nullptr ? meterImage->GetHeight() : 0;
    const int newTop = h - static_cast<int>(static_cast<float>(h) * level);
    if (newTop != topRow) changed = 1;
    topRow = newTop;
}

void flPPM::tick(GUI* gui) {
    // A meter has no children to tick.
    if (clipHold > 0) --clipHold;
    if (changed && flIsShown(this)) draw(gui);
    changed = 0;
}

void flPPM::draw(GUI* gui) {
    if (flHasImage(composite)) {
        const bool clipping = clipHold > 0 && clipImage != nullptr;
        // Composing is the same copies for the same bar, so the picture a bar was composed
        // for is the one composing it again would give, with or without a background.
        if (!compositeBar.Holds({topRow, clipping})) {
            if (flHasImage(background)) background->BlitIntoBitmap(composite, 0, 0, nullptr);
            if (meterImage != nullptr) {
                Bitmap* source = clipping ? clipImage : meterImage;
                // The clip image is read with the meter image's size.
                const PRect lit{0, meterImage->GetWidth(), topRow, meterImage->GetHeight()};
                source->BlitIntoBitmap(composite, 0, topRow, &lit);
            }
            compositeBar.Record({topRow, clipping});
        }
        gui->DrawBitmap(composite, &rect, nullptr);
    }
    needsRedraw = false;
}
