#include "views/flLed.h"

#include "views/GUI.h"
#include "views/PluginGUI.h"
#include "views/flImages.h"

namespace {

void DrawIfPresent(Bitmap* picture, const PRect& r, GUI* gui) {
    if (flHasImage(picture)) gui->DrawBitmap(picture, &r, nullptr);
}

}  // namespace

// --- flExtLed ---

flExtLed::flExtLed(const ViewDefinition* row, PluginGUI* owner) : View(row, owner) {}

flExtLed::~flExtLed() {
    delete unlitImage;
}

void flExtLed::Initialise(char** lines, int count) {
    litImage = flNamedImage(lines, count, 1);
    unlitImage = flBackgroundCrop(flNamedImage(lines, count, 2), rect);
}

void flExtLed::mouse(int, int, int, bool down, GUI*) {
    if (!down) return;
    value = value != 0.0f ? 0.0f : 1.0f;  // a NaN counts as on
    owner->ControlHasChangedNormalisedValue(id, 0, value);
    redraw();
}

void flExtLed::notify(int slot) {
    if (slot != 0) return;
    const float v = owner->GetControlNormalisedValue(id, 0);
    if (v == value) return;
    value = v;
    redraw();
}

void flExtLed::draw(GUI* gui) {
    DrawIfPresent(value == 0.0f ? unlitImage : litImage, rect, gui);
    needsRedraw = false;
}

// --- flRateLed ---

flRateLed::flRateLed(const ViewDefinition* row, PluginGUI* owner) : View(row, owner) {}

flRateLed::~flRateLed() {
    delete unlitImage;
}

void flRateLed::Initialise(char** lines, int count) {
    slotValue[1] = 0.0f;
    litImage = flNamedImage(lines, count, 1);
    unlitImage = flBackgroundCrop(flNamedImage(lines, count, 3), rect);
    const char digit = flInitLine(lines, count, 4)[0];
    index = digit >= '0' && digit <= '9' ? digit - '0' : kNoIndex;
}

bool flRateLed::IsInside(int x, int y) {
    return rect.left <= x && x <= rect.right && rect.top + 2 <= y && y <= rect.bottom - 3;
}

void flRateLed::mouse(int, int, int, bool down, GUI*) {
    if (!down || slotValue[1] != 0.0f || index == kNoIndex) return;
    slotValue[0] = static_cast<float>(index);
    owner->ControlHasChangedUnnormalisedValue(id, 0, static_cast<float>(index));
    redraw();
}

void flRateLed::notify(int slot) {
    if (slot != 0 && slot != 1) return;
    const float v = owner->GetControlUnnormalisedValue(id, slot);
    if (v == slotValue[slot]) return;
    slotValue[slot] = v;
    redraw();
}

void flRateLed::draw(GUI* gui) {
    const bool lit = index != kNoIndex && slotValue[0] == static_cast<float>(index);
    DrawIfPresent(lit ? litImage : unlitImage, rect, gui);
    needsRedraw = false;
}
