#include "views/Knob.h"

#include <cmath>

#include "views/ControlValue.h"
#include "views/GUI.h"
#include "views/PluginGUI.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

}  // namespace

Knob::Knob(const ViewDefinition* row, PluginGUI* owner)
    : View(row, owner), frameCount(0), frameWidth(0), value(0.0f), centreX(0), centreY(0),
      strip(nullptr) {}

Knob::~Knob() = default;

void Knob::Initialise(char** lines, int count) {
    strip = nullptr;
    frameCount = 0;
    frameWidth = rect.right - rect.left;
    centreX = (rect.left + rect.right) / 2;
    centreY = (rect.top + rect.bottom) / 2;
    if (count != 1) return;
    strip = PluginGUI::GetBitmap(lines[0]);
    // A knob without width has no frames to pick from.
    if (strip && frameWidth > 0) frameCount = strip->GetWidth() / frameWidth;
}

void Knob::mouse(int, int, int, bool down, GUI*) {
    if (down) dragging = true;
}

void Knob::notify(int slot) {
    if (slot != 0 || !owner) return;
    value = owner->GetControlNormalisedValue(id, 0);
    redraw();
}

void Knob::DoDrag(GUI* gui) {
    if (!gui) return;
    int x = 0, y = 0;
    gui->GetMousePos(&x, &y);
    const double angle =
        std::atan2(static_cast<double>(centreX - x), static_cast<double>(y - centreY));
    value = static_cast<float>(angle / kTwoPi);
    if (value < 0.0f) value += 1.0f;
    if (owner) owner->ControlHasChangedNormalisedValue(id, 0, value);
    draw(gui);
}

int Knob::FrameForValue() const {
    if (frameCount <= 0) return 0;
    int k = static_cast<int>(static_cast<float>(frameCount) * ClampToUnit(value));
    if (k >= frameCount) k = frameCount - 1;
    return k;
}

void Knob::draw(GUI* gui) {
    if (IsHidden()) {
        needsRedraw = false;
        return;
    }
    if (!strip || !gui || frameCount <= 0) return;
    const PPoint source{FrameForValue() * frameWidth, 0};
    gui->DrawBitmap(strip, &rect, &source);
    needsRedraw = false;
}
