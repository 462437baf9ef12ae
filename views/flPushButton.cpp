#include "views/flPushButton.h"

#include "views/GUI.h"
#include "views/PluginGUI.h"
#include "views/flImages.h"

namespace {

// The release counts when the pointer is on the view's rectangle, both edges included.
bool ReleasedOver(View* view, GUI* gui) {
    int x = 0, y = 0;
    gui->GetMousePos(&x, &y);
    const PRect& r = view->rect;
    return r.left <= x && x <= r.right && r.top <= y && y <= r.bottom;
}

// A NaN counts as on and toggles to 0.
float Toggled(float value) {
    return value != 0.0f ? 0.0f : 1.0f;
}

}  // namespace

// --- flPushButton ---

flPushButton::flPushButton(const ViewDefinition* row, PluginGUI* owner) : View(row, owner) {}

flPushButton::~flPushButton() {
    delete normalImage;
    if (ownsPressedImage) delete pressedImage;
}

void flPushButton::Initialise(char** lines, int count) {
    pressed = 0;
    ownsPressedImage = 0;
    normalImage = flNewImage(rect);
    if (count == 2) {
        pressedImage = flNamedImage(lines, count, 1);  // shown unchanged
        flCopyBackground(flNamedImage(lines, count, 2), rect, normalImage);
    } else if (count == 3) {
        pressedImage = flNewImage(rect);
        ownsPressedImage = 1;
        Bitmap* whole = flNamedImage(lines, count, 3);
        flCopyBackground(whole, rect, normalImage);
        flCopyBackground(whole, rect, pressedImage);
        Bitmap* lit = flNamedImage(lines, count, 1);
        Bitmap* mask = flNamedImage(lines, count, 2);
        if (lit != nullptr && mask != nullptr) {
            lit->BlitAlphaIntoBitmap(pressedImage, mask, 0, 0, nullptr, true);
        }
    }
}

void flPushButton::mouse(int, int, int, bool down, GUI*) {
    if (!down) return;
    pressed = 1;
    dragging = true;
    redraw();
}

void flPushButton::EndDrag(GUI* gui) {
    if (ReleasedOver(this, gui)) {
        value = Toggled(value);
        owner->ControlHasChangedNormalisedValue(id, 0, value);
    }
    pressed = 0;
    dragging = false;
    redraw();
}

void flPushButton::notify(int slot) {
    if (slot != 0) return;
    value = owner->GetControlNormalisedValue(id, 0);
    redraw();  // the picture shows the press only, not the value
}

void flPushButton::draw(GUI* gui) {
    Bitmap* picture = pressed && flHasImage(pressedImage) ? pressedImage : normalImage;
    if (flHasImage(picture)) gui->DrawBitmap(picture, &rect, nullptr);
    needsRedraw = false;
}

// --- flLogoButton ---

flLogoButton::flLogoButton(const ViewDefinition* row, PluginGUI* owner) : View(row, owner) {}

void flLogoButton::Initialise(char**, int) {}

void flLogoButton::mouse(int, int, int, bool down, GUI*) {
    if (down) dragging = true;
}

void flLogoButton::EndDrag(GUI* gui) {
    if (ReleasedOver(this, gui)) {
        value = Toggled(value);
        owner->ControlHasChangedNormalisedValue(id, 0, value);
    }
    dragging = false;
}

void flLogoButton::notify(int slot) {
    if (slot == 0) value = owner->GetControlNormalisedValue(id, 0);
}

void flLogoButton::draw(GUI*) {
    // Whatever lies under the area (the logo in the panel background) shows.
    needsRedraw = false;
}
