#include "views/flFader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "views/ControlValue.h"
#include "views/GUI.h"
#include "views/PluginGUI.h"
#include "views/flImages.h"
#include "views/flShown.h"

namespace {

// A step is a whole number of pixels, at least 1 and no larger than any image can be.
int32_t ParseStep(const char* line) {
    const long parsed = std::strtol(line, nullptr, 10);
    if (parsed < 1) return 1;
    if (parsed > Bitmap::kMaxSide) return Bitmap::kMaxSide;
    return static_cast<int32_t>(parsed);
}

// The images of a fader's picture. The tray mask blends the handle into the tray; bare is the
// tray with no handle in it: the background blended with itself through the tray mask.
struct FaderImages {
    Bitmap* background;
    Bitmap* bare;
    Bitmap* composite;
    Bitmap* handle;
    Bitmap* handleMask;
    Bitmap* trayMask;
};

Bitmap* BareTray(Bitmap* background, Bitmap* trayMask, const PRect& rect) {
    Bitmap* bare = flNewImage(rect);
    background->BlitIntoBitmap(bare, 0, 0, nullptr);
    background->BlitAlphaIntoBitmap(bare, trayMask, 0, 0, nullptr, true);
    return bare;
}

// Draws into work the handle at (x, y) blended over the background, that seen through the
// tray mask over the background. Outside the handle's rectangle the composite is the
// background, so the picture there is the bare tray: only the handle's rectangle is composed
// and blended, with the pixels that blending the whole composite gives.
void DrawInTray(const FaderImages& f, int x, int y, Bitmap* work) {
    f.bare->BlitIntoBitmap(work, 0, 0, nullptr);
    const PRect area{std::max(x, 0), std::min(x + f.handle->GetWidth(), work->GetWidth()),
                     std::max(y, 0), std::min(y + f.handle->GetHeight(), work->GetHeight())};
    if (area.left >= area.right || area.top >= area.bottom) return;
    f.background->BlitIntoBitmap(f.composite, area.left, area.top, &area);
    f.handle->BlitAlphaIntoBitmap(f.composite, f.handleMask, x, y, nullptr, true);
    f.background->BlitIntoBitmap(work, area.left, area.top, &area);
    f.composite->BlitAlphaIntoBitmap(work, f.trayMask, area.left, area.top, &area, true);
}

}  // namespace

// --- flHSlider ---

flHSlider::flHSlider(const ViewDefinition* row, PluginGUI* owner) : View(row, owner) {}

flHSlider::~flHSlider() {
    delete background;
    delete work;
    delete composite;
    delete bareTray;
}

void flHSlider::Initialise(char** lines, int count) {
    value = 0.0f;
    travel = 0;
    workHandleX.Forget();
    if (count <= 3) return;

    handle = flNamedImage(lines, count, 1);
    handleMask = flNamedImage(lines, count, 2);
    trayMask = flNamedImage(lines, count, 3);
    if (handle != nullptr) travel = (rect.right - rect.left) - handle->GetWidth() - 3;
    if (travel <= 0) travel = 1;
    // A fader initialised again deletes the images it made before.
    delete work;
    work = flNewImage(rect);
    delete composite;
    composite = flNewImage(rect);
    delete background;
    background = flBackgroundCrop(flNamedImage(lines, count, 4), rect);
    if (flHasImage(background) && flHasImage(trayMask)) {
        delete bareTray;
        bareTray = BareTray(background, trayMask, rect);
    }
    if (count == 5) step = ParseStep(flInitLine(lines, count, 5));
}

int flHSlider::HandleX() const {
    const int32_t half = step / 2;
    const int k = static_cast<int>(
        std::trunc((static_cast<float>(travel) * ClampToUnit(value) + static_cast<float>(half)) /
                   static_cast<float>(step)));
    return step * k + 1;
}

void flHSlider::draw(GUI* gui) {
    const bool confined = flHasImage(trayMask);
    const bool complete = flHasImage(background) && flHasImage(work) && flHasImage(composite) &&
                          flHasImage(handle) && flHasImage(handleMask) &&
                          (!confined || flHasImage(bareTray));
    if (complete) {
        const int x = HandleX();
        if (!workHandleX.Holds(x)) {
            if (confined) {
                DrawInTray({background, bareTray, composite, handle, handleMask, trayMask}, x, 0,
                           work);
            } else {
                // The handle is not confined.
                background->BlitIntoBitmap(work, 0, 0, nullptr);
                handle->BlitAlphaIntoBitmap(work, handleMask, x, 0, nullptr, true);
            }
            workHandleX.Record(x);
        }
        gui->DrawBitmap(work, &rect, nullptr);
    }
    needsRedraw = false;
}

void flHSlider::mouse(int, int, int, bool down, GUI*) {
    // A release that reaches the fader ends the drag at once, without a last step.
    dragging = down;
}

void flHSlider::DoDrag(GUI* gui) {
    if (handle == nullptr) return;
    int x = 0, y = 0;
    gui->GetMousePos(&x, &y);
    int p = x - rect.left - handle->GetWidth() / 2;
    p = step * ((p + step / 2) / step);  // snap to the nearest multiple of the step
    value = ClampToUnit(static_cast<float>(p) / static_cast<float>(travel));
    owner->ControlHasChangedNormalisedValue(id, 0, value);
    redraw();
}

void flHSlider::notify(int slot) {
    if (slot != 0) return;
    value = owner->GetControlNormalisedValue(id, 0);
    redraw();
}

// --- flVSlider ---

flVSlider::flVSlider(const ViewDefinition* row, PluginGUI* owner) : View(row, owner) {}

flVSlider::~flVSlider() {
    delete background;
    delete work;
    delete composite;
    delete bareTray;
}

void flVSlider::Initialise(char** lines, int count) {
    value = 0.0f;
    travel = 0;
    workHandleY.Forget();
    if (count != 4) return;

    handle = flNamedImage(lines, count, 1);
    handleMask = flNamedImage(lines, count, 2);
    trayMask = flNamedImage(lines, count, 3);
    if (handle != nullptr) travel = kTravel;  // whatever the view's height
    if (travel <= 0) travel = 1;
    // A fader initialised again deletes the images it made before.
    delete work;
    work = flNewImage(rect);
    delete composite;
    composite = flNewImage(rect);
    delete background;
    background = flBackgroundCrop(flNamedImage(lines, count, 4), rect);
    if (flHasImage(background) && flHasImage(trayMask)) {
        delete bareTray;
        bareTray = BareTray(background, trayMask, rect);
    }
}

int flVSlider::HandleY() const {
    return static_cast<int>(std::trunc((1.0f - ClampToUnit(value)) * static_cast<float>(travel))) +
           kTopMargin;
}

void flVSlider::draw(GUI* gui) {
    const bool complete = flHasImage(background) && flHasImage(work) && flHasImage(composite) &&
                          flHasImage(handle) && flHasImage(handleMask) && flHasImage(trayMask) &&
                          flHasImage(bareTray);
    if (complete) {
        const int y = HandleY();
        if (!workHandleY.Holds(y)) {
            DrawInTray({background, bareTray, composite, handle, handleMask, trayMask}, 0, y, work);
            workHandleY.Record(y);
        }
        gui->DrawBitmap(work, &rect, nullptr);
    }
    needsRedraw = false;
}

void flVSlider::mouse(int, int, int, bool down, GUI*) {
    dragging = down;
}

bool flVSlider::FollowPointer(GUI* gui) {
    if (handle == nullptr) return false;
    int x = 0, y = 0;
    gui->GetMousePos(&x, &y);
    const int p = y - rect.top - handle->GetHeight() / 2;
    value = ClampToUnit(1.0f - static_cast<float>(p) / static_cast<float>(travel));
    owner->ControlHasChangedNormalisedValue(id, 0, value);
    return true;
}

void flVSlider::DoDrag(GUI* gui) {
    if (FollowPointer(gui) && flIsShown(this)) draw(gui);
}

void flVSlider::notify(int slot) {
    if (slot != 0) return;
    value = owner->GetControlNormalisedValue(id, 0);
    redraw();
}

// --- flVSlider2: the stereo-linked fader ---

flVSlider2::flVSlider2(const ViewDefinition* row, PluginGUI* owner) : flVSlider(row, owner) {}

void flVSlider2::notify(int slot) {
    switch (slot) {
        case 0: flVSlider::notify(0); break;
        case 1:
            redraw();  // the fader shows its own value, never the partner's
            break;
        case 2: {
            const float partner = owner->GetControlNormalisedValue(id, 1);
            linked = owner->GetControlNormalisedValue(id, 2) != 0.0f;
            // Linking lowers the higher fader of the pair to the lower one's value.
            if (linked && value > partner) owner->ControlHasChangedNormalisedValue(id, 0, partner);
            redraw();
            break;
        }
        default: break;
    }
}

void flVSlider2::DoDrag(GUI* gui) {
    if (!FollowPointer(gui)) return;
    if (linked) owner->ControlHasChangedNormalisedValue(id, 1, value);
    if (flIsShown(this)) draw(gui);
}

void flVSlider2::altclick(int, int, GUI*) {
    // The link switch itself is never reset from the fader.
    owner->ResetControlToDefault(id, 0);
    if (linked) owner->ResetControlToDefault(id, 1);
}
