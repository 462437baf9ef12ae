#include "views/flKnob.h"

#include <cmath>
#include <cstdlib>

#include "views/ControlValue.h"
#include "views/GUI.h"
#include "views/PluginGUI.h"
#include "views/flImages.h"
#include "views/flShown.h"

namespace {

// Pixels of pointer movement for the whole range.
constexpr float kCoarseScale = 200.0f;
constexpr float kFineScale = 1000.0f;

}  // namespace

flKnob::flKnob(const ViewDefinition* row, PluginGUI* owner) : View(row, owner) {}

flKnob::~flKnob() {
    delete background;
    delete work;
    delete scratch;
}

void flKnob::Initialise(char** lines, int count) {
    InitialiseImages(lines, count);
}

void flKnob::InitialiseImages(char** lines, int count) {
    workFrame.Forget();
    pointerStrip = pointerMask = trackStrip = trackMask = nullptr;
    delete scratch;
    scratch = nullptr;
    if (work == nullptr) work = flNewImage(rect);
    if (background == nullptr) background = flNewImage(rect);
    if (count != 5) return;

    pointerStrip = flNamedImage(lines, count, 1);
    pointerMask = flNamedImage(lines, count, 2);
    trackStrip = flNamedImage(lines, count, 3);
    trackMask = flNamedImage(lines, count, 4);
    // The knob carries the piece of the panel background that lies under it.
    flCopyBackground(flNamedImage(lines, count, 5), rect, background);
    if (pointerMask != nullptr)
        scratch = new Bitmap(pointerMask->GetWidth(), pointerMask->GetHeight());
}

int flKnob::FrameForValue(float v) {
    const float a = (270.0f * ClampToUnit(v) + 45.0f) - 180.0f;  // pointer angle in degrees
    int frame;
    if (std::fabs(a) < 2.5f) {
        frame = 14;
    } else if (std::fabs(a) < 10.0f) {
        frame = a > 0.0f ? 15 : 13;
    } else if (a > 0.0f) {
        frame = 16 + static_cast<int>(std::trunc((double{a} - 10.0) * 12.0 / 120.0));
    } else {
        frame = 12 - static_cast<int>(std::trunc((-double{a} - 10.0) * 12.0 / 120.0));
    }
    if (frame < 0) frame = 0;
    if (frame > kFrameCount - 1) frame = kFrameCount - 1;
    return frame;
}

void flKnob::draw(GUI* gui) {
    const int f = FrameForValue(value);
    const bool complete = flHasImage(pointerStrip) && flHasImage(pointerMask) && flHasImage(work) &&
                          flHasImage(background) && flHasImage(scratch) && flHasImage(trackStrip) &&
                          flHasImage(trackMask);
    if (complete) {
        if (!workFrame.Holds(f)) {
            background->BlitIntoBitmap(work, 0, 0, nullptr);
            const PRect pointerFrame{kPointerPitch * f, kPointerPitch * f + kPointerWidth, 0,
                                     pointerStrip->GetHeight()};
            pointerStrip->BlitIntoBitmap(scratch, 0, 0, &pointerFrame);
            const PRect trackFrame{kTrackPitch * f, kTrackPitch * f + kTrackPitch, 0,
                                   trackStrip->GetHeight()};
            trackStrip->BlitAlphaIntoBitmap(work, trackMask, 0, 0, &trackFrame, true);
            scratch->BlitAlphaIntoBitmap(work, pointerMask, kPointerOffset, kPointerOffset, nullptr,
                                         true);
            workFrame.Record(f);
        }
        gui->DrawBitmap(work, &rect, nullptr);
    }
    needsRedraw = false;
}

void flKnob::mouse(int x, int y, int, bool down, GUI*) {
    if (!down) return;
    dragging = true;
    lastX = x;
    lastY = y;
}

void flKnob::DoDrag(GUI* gui) {
    int x = 0, y = 0;
    gui->GetMousePos(&x, &y);
    if (x == lastX && y == lastY) return;
    const float scale = gui->ShiftIsDown() ? kFineScale : kCoarseScale;
    const int dx = x - lastX;
    const int dy = lastY - y;  // upward movement counts positive
    // Only the larger component of the step counts; the vertical one wins a tie.
    const int delta = std::abs(dx) > std::abs(dy) ? dx : dy;
    value = (scale * value + static_cast<float>(delta)) / scale;
    lastX = x;
    lastY = y;
    value = ClampToUnit(value);  // a NaN that reached the knob starts again from 0
    owner->ControlHasChangedNormalisedValue(id, 0, value);
    if (flIsShown(this)) draw(gui);
}

void flKnob::notify(int slot) {
    if (slot != 0) return;
    value = owner->GetControlNormalisedValue(id, 0);
    redraw();
}

// --- flKnob4: the locked pan knob ---

flKnob4::flKnob4(const ViewDefinition* row, PluginGUI* owner) : flKnob(row, owner) {}

void flKnob4::Initialise(char** lines, int count) {
    if (count != 6) return;
    locked = false;
    presetValue = savedValue = static_cast<float>(std::atof(flInitLine(lines, count, 6)));
    InitialiseImages(lines, 5);
}

void flKnob4::mouse(int x, int y, int button, bool down, GUI* gui) {
    if (locked) return;
    flKnob::mouse(x, y, button, down, gui);
}

void flKnob4::notify(int slot) {
    if (slot == 0) {
        flKnob::notify(0);
        redraw();
    } else if (slot == 1) {
        // Slot 0 is written on every notification, changed or not. So an alt-click on a
        // locked knob, which resets the pan and then the lock, gives both pans of the pair
        // their earlier values back; the release, finding the knob unlocked, resets its pan.
        if (!locked) savedValue = value;
        locked = owner->GetControlNormalisedValue(id, 1) != 0.0f;
        owner->ControlHasChangedNormalisedValue(id, 0, locked ? presetValue : savedValue);
        redraw();
    }
}

// --- flKnob5: the ganged level knob ---

flKnob5::flKnob5(const ViewDefinition* row, PluginGUI* owner) : flKnob(row, owner) {}

void flKnob5::notify(int slot) {
    switch (slot) {
        case 0:
            value = owner->GetControlNormalisedValue(id, 0);
            redraw();
            break;
        case 1:
        case 2:
            // While ganged the knob shows whichever of the three levels changed last.
            if (linked) value = owner->GetControlNormalisedValue(id, slot);
            redraw();
            break;
        case 3: {
            linked = owner->GetControlNormalisedValue(id, 3) != 0.0f;
            if (linked) {
                // Each ganged knob drops to the lowest of the three levels it sees.
                float lowest = value;
                for (int partner = 1; partner <= 2; ++partner) {
                    const float v = owner->GetControlNormalisedValue(id, partner);
                    if (v < lowest) lowest = v;
                }
                if (value > lowest) {
                    value = lowest;
                    owner->ControlHasChangedNormalisedValue(id, 0, lowest);
                }
            }
            redraw();
            break;
        }
        default: break;
    }
}

void flKnob5::DoDrag(GUI* gui) {
    flKnob::DoDrag(gui);
    if (!linked) return;
    owner->ControlHasChangedNormalisedValue(id, 1, value);
    owner->ControlHasChangedNormalisedValue(id, 2, value);
}
