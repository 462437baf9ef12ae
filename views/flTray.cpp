#include "views/flTray.h"

#include <cmath>

#include "views/GUI.h"
#include "views/PluginGUI.h"
#include "views/flImages.h"

// --- flTray5 ---

flTray5::flTray5(const ViewDefinition* row, PluginGUI* owner) : View(row, owner) {}

flTray5::~flTray5() {
    delete composite;
    delete background;
}

void flTray5::Initialise(char** lines, int count) {
    cover = flNamedImage(lines, count, 1);
    mask = flNamedImage(lines, count, 2);
    background = flBackgroundCrop(flNamedImage(lines, count, 3), rect);
    composite = flNewImage(rect);
}

void flTray5::notify(int slot) {
    if (slot == 0) value = owner->GetControlNormalisedValue(id, 0);
    redraw();
}

View* flTray5::FindOwner(int x, int y) {
    return value == 0.0f ? View::FindOwner(x, y) : nullptr;
}

void flTray5::draw(GUI* gui) {
    if (value == 0.0f || !flHasImage(composite)) {
        View::draw(gui);
        return;
    }
    if (flHasImage(background)) background->BlitIntoBitmap(composite, 0, 0, nullptr);
    // The children draw at their places relative to the tray.
    gui->RedirectOutputToBitmap(composite, -rect.left, -rect.top);
    View::draw(gui);
    gui->RedirectOutputFromBitmap(composite, -rect.left, -rect.top);
    if (cover != nullptr && mask != nullptr) {
        cover->BlitAlphaIntoBitmap(composite, mask, 0, 0, nullptr, true);
    }
    gui->DrawBitmap(composite, &rect, nullptr);
}

// --- flTray6 ---

flTray6::flTray6(const ViewDefinition* row, PluginGUI* owner) : View(row, owner) {}

void flTray6::Initialise(char**, int) {}

void flTray6::notify(int slot) {
    if (slot == 0) {
        const float x = owner->GetControlUnnormalisedValue(id, 0);
        // Truncation toward zero; a value no index can stand for selects no child.
        const bool representable = std::isfinite(x) && std::fabs(x) < 1.0e9f;
        selected = representable ? static_cast<int>(x) - 1 : -1;
    }
    redraw();
}

void flTray6::draw(GUI* gui) {
    const int count = GetChildCount();
    for (int i = 0; i < count; ++i) {
        View* child = GetChild(static_cast<unsigned long>(i));
        if (i != selected && child != nullptr && !child->IsHidden()) child->draw(gui);
    }
    View* last = selected >= 0 ? GetChild(static_cast<unsigned long>(selected)) : nullptr;
    if (last != nullptr && !last->IsHidden()) last->draw(gui);
    needsRedraw = false;
}
