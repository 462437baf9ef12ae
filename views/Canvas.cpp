#include "views/Canvas.h"

#include "views/GUI.h"
#include "views/PluginGUI.h"

Canvas::Canvas(const ViewDefinition* row, PluginGUI* owner) : View(row, owner), image(nullptr) {}

Canvas::~Canvas() = default;

void Canvas::Initialise(char** lines, int count) {
    image = nullptr;
    if (count >= 1) image = PluginGUI::GetBitmap(lines[0]);
}

void Canvas::draw(GUI* gui) {
    if (!IsHidden() && image && gui) gui->DrawBitmap(image, &rect, nullptr);
    View::draw(gui);
}
