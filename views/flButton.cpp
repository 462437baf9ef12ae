#include "views/flButton.h"

#include "views/GUI.h"
#include "views/PluginGUI.h"
#include "views/flImages.h"

flButton::flButton(const ViewDefinition* row, PluginGUI* owner) : View(row, owner) {}

flButton::~flButton() {
    delete offImage;
    delete onImage;
}

void flButton::Initialise(char** lines, int count) {
    enabled = 1;
    onImage = flNewImage(rect);
    offImage = flNewImage(rect);

    Bitmap* lit = flNamedImage(lines, count, 1);
    Bitmap* mask = count >= 3 ? flNamedImage(lines, count, 2) : nullptr;
    Bitmap* whole = nullptr;
    if (count == 2) whole = flNamedImage(lines, count, 2);
    if (count >= 3) whole = flNamedImage(lines, count, 3);

    // Both pictures start as the panel under the button; the lit one gets the lit image.
    flCopyBackground(whole, rect, onImage);
    if (flHasImage(onImage)) onImage->BlitIntoBitmap(offImage, 0, 0, nullptr);
    if (lit == nullptr) return;
    if (mask != nullptr) {
        lit->BlitAlphaIntoBitmap(onImage, mask, 0, 0, nullptr, true);
    } else {
        lit->BlitIntoBitmap(onImage, 0, 0, nullptr);
    }
}

void flButton::Toggle() {
    value = value != 0.0f ? 0.0f : 1.0f;
    owner->ControlHasChangedNormalisedValue(id, 0, value);
}

void flButton::mouse(int, int, int, bool down, GUI*) {
    if (!down || !enabled) return;
    Toggle();
    redraw();
}

void flButton::notify(int slot) {
    if (slot != 0) return;
    value = owner->GetControlNormalisedValue(id, 0);
    redraw();
}

void flButton::draw(GUI* gui) {
    Bitmap* picture = value == 0.0f ? offImage : onImage;
    if (flHasImage(picture)) gui->DrawBitmap(picture, &rect, nullptr);
    needsRedraw = false;
}

// --- flButton3: the linked mute ---

flButton3::flButton3(const ViewDefinition* row, PluginGUI* owner) : flButton(row, owner) {}

void flButton3::mouse(int x, int y, int button, bool down, GUI* gui) {
    flButton::mouse(x, y, button, down, gui);
    // Press or release alike: the partners follow this button while linked.
    if (!linked) return;
    owner->ControlHasChangedNormalisedValue(id, 1, value);
    owner->ControlHasChangedNormalisedValue(id, 2, value);
}

void flButton3::notify(int slot) {
    if (slot < 0 || slot > 3) return;
    if (slot == 3) {
        linked = owner->GetControlNormalisedValue(id, 3) != 0.0f;
        if (linked) {
            // The linked mutes all end on when any of them was on.
            const float sum = owner->GetControlNormalisedValue(id, 0) +
                              owner->GetControlNormalisedValue(id, 1) +
                              owner->GetControlNormalisedValue(id, 2);
            owner->ControlHasChangedNormalisedValue(id, 0, sum > 0.0f ? 1.0f : 0.0f);
        }
    } else if (linked || slot == 0) {
        value = owner->GetControlNormalisedValue(id, slot);
    }
    redraw();
}
