#include "views/flFader.h"

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

// Blends the handle over the background piece and shows the result inside the tray.
void Compose(Bitmap* background, Bitmap* work, Bitmap* composite, Bitmap* handle,
             Bitmap* handleMask, int x, int y) {
    background->BlitIntoBitmap(work, 0, 0, nullptr);
    background->BlitIntoBitmap(composite, 0, 0, nullptr);
    handle->BlitAlphaIntoBitmap(composite, handleMask, x, y, nullptr, true);
}

}  // namespace

// --- flHSlider ---

flHSlider::flHSlider(const ViewDefinition* row, PluginGUI* owner) : View(row, owner) {}

flHSlider::~flHSlider() {
    delete background;
    delete work;
    delete composite;
}

void flHSlider::Initialise(char** lines, int count) {
    value = 0.0f;
    travel = 0;
    if (count <= 3) return;

    handle = flNamedImage(lines, count, 1);
    handleMask = flNamedImage(lines, count, 2);
    trayMask = flNamedImage(lines, count, 3);
    if (handle != nullptr) travel = (rect.right - rect.left) - handle->GetWidth() - 3;
    if (travel <= 0) travel = 1;
    work = flNewImage(rect);
    composite = flNewImage(rect);
    background = flBackgroundCrop(flNamedImage(lines, count, 4), rect);
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
    const bool complete = flHasImage(background) && flHasImage(work) && flHasImage(composite) &&
                          flHasImage(handle) && flHasImage(handleMask);
    if (complete) {
        Compose(background, work, composite, handle, handleMask, HandleX(), 0);
        if (flHasImage(trayMask)) {
            composite->BlitAlphaIntoBitmap(work, trayMask, 0, 0, nullptr, true);
        } else {
            composite->BlitIntoBitmap(work, 0, 0, nullptr);  // the handle is not confined
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
}

void flVSlider::Initialise(char** lines, int count) {
    value = 0.0f;
    travel = 0;
    if (count != 4) return;

    handle = flNamedImage(lines, count, 1);
    handleMask = flNamedImage(lines, count, 2);
    trayMask = flNamedImage(lines, count, 3);
    if (handle != nullptr) travel = kTravel;  // whatever the view's height
    if (travel <= 0) travel = 1;
    work = flNewImage(rect);
    composite = flNewImage(rect);
    background = flBackgroundCrop(flNamedImage(lines, count, 4), rect);
}

int flVSlider::HandleY() const {
    return static_cast<int>(std::trunc((1.0f - ClampToUnit(value)) * static_cast<float>(travel))) +
           kTopMargin;
}

void flVSlider::draw(GUI* gui) {
    const bool complete = flHasImage(background) && flHasImage(work) && flHasImage(composite) &&
                          flHasImage(handle) && flHasImage(handleMask) && flHasImage(trayMask);
    if (complete) {
        Compose(background, work, composite, handle, handleMask, 0, HandleY());
        composite->BlitAlphaIntoBitmap(work, trayMask, 0, 0, nullptr, true);
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
