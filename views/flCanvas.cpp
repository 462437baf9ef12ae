#include "views/flCanvas.h"

#include "views/GUI.h"
#include "views/flImages.h"

flCanvas::flCanvas(const ViewDefinition* row, PluginGUI* owner) : View(row, owner) {}

void flCanvas::Initialise(char** lines, int count) {
    image = count > 0 ? flNamedImage(lines, count, 1) : nullptr;
}

void flCanvas::draw(GUI* gui) {
    if (flHasImage(image)) gui->DrawBitmap(image, &rect, nullptr);
    View::draw(gui);
}
