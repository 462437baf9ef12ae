#include "views/Slider.h"

#include "views/ControlValue.h"
#include "views/GUI.h"
#include "views/PluginGUI.h"

Slider::Slider(const ViewDefinition* row, PluginGUI* owner)
    : View(row, owner), value(0.0f), image(nullptr) {}

Slider::~Slider() = default;

void Slider::Initialise(char** lines, int count) {
    image = nullptr;
    if (count == 1) image = PluginGUI::GetBitmap(lines[0]);
}

void Slider::mouse(int, int, int, bool down, GUI*) {
    if (down) dragging = true;
}

void Slider::notify(int slot) {
    if (slot != 0 || !owner) return;
    value = owner->GetControlNormalisedValue(id, 0);
    redraw();
}

void Slider::DoDrag(GUI* gui) {
    if (!gui) return;
    int x = 0, y = 0;
    gui->GetMousePos(&x, &y);
    const int span = rect.bottom - rect.top;
    // A slider without height has one position only.
    value =
        span > 0 ? ClampToUnit(static_cast<float>(y - rect.top) / static_cast<float>(span)) : 0.0f;
    if (owner) owner->ControlHasChangedNormalisedValue(id, 0, value);
    draw(gui);
}

void Slider::draw(GUI* gui) {
    needsRedraw = false;
    if (IsHidden() || !gui) return;
    if (image) gui->DrawBitmap(image, &rect, nullptr);
    const float v = ClampToUnit(value);
    const int mid = (rect.left + rect.right) / 2;
    const int y = static_cast<int>(rect.top * (1.0 - v) + static_cast<double>(v * rect.bottom));
    gui->LineFromTo(mid, rect.top, mid, rect.bottom);
    gui->LineFromTo(rect.left, y, rect.right, y);
}
