#include "views/BitmapControl.h"

#include "views/GUI.h"
#include "views/PluginGUI.h"

BitmapControl::BitmapControl(const ViewDefinition* row, PluginGUI* owner)
    : View(row, owner), image(nullptr), copy(nullptr) {}

BitmapControl::~BitmapControl() {
    delete copy;
}

void BitmapControl::Initialise(char** lines, int count) {
    image = nullptr;
    delete copy;
    copy = nullptr;
    if (count != 1) return;
    image = PluginGUI::GetBitmap(lines[0]);
    if (!image || !image->ThereIsBitmapData()) {
        image = nullptr;
        return;
    }
    copy = new Bitmap(image->GetWidth(), image->GetHeight());
}

void BitmapControl::draw(GUI* gui) {
    if (IsHidden()) {
        needsRedraw = false;
        return;
    }
    if (image && copy && gui) {
        image->BlitIntoBitmap(copy, 0, 0, nullptr);
        gui->DrawBitmap(copy, &rect, nullptr);
    }
    View::draw(gui);
}
