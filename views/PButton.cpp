#include "views/PButton.h"

#include "views/GUI.h"
#include "views/PluginGUI.h"

PButton::PButton(const ViewDefinition* row, PluginGUI* owner)
    : View(row, owner), value(0.0f), image(nullptr) {}

PButton::~PButton() = default;

void PButton::Initialise(char** lines, int count) {
    image = nullptr;
    if (count == 1) image = PluginGUI::GetBitmap(lines[0]);
}

void PButton::mouse(int, int, int, bool down, GUI*) {
    if (!down) return;
    value = (value != 0.0f) ? 0.0f : 1.0f;
    redraw();
}

void PButton::notify(int slot) {
    if (slot != 0 || !owner) return;
    value = owner->GetControlNormalisedValue(id, 0);
    redraw();
}

void PButton::draw(GUI* gui) {
    needsRedraw = false;
    if (IsHidden() || !gui) return;
    if (image) gui->DrawBitmap(image, &rect, nullptr);
    if (value != 0.0f) {
        gui->HatchedRectangle(&rect);
    } else {
        gui->PlotRectangle(&rect);
    }
}
