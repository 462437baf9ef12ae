#pragma once
// The panel's background picture; in the skins the parent of the panel's controls.

#include "views/Bitmap.h"
#include "views/View.h"

class flCanvas : public View {
  public:
    flCanvas(const ViewDefinition* row, PluginGUI* owner);

    using View::Initialise;
    // Line 1: the panel's background image; an empty text draws only the children.
    void Initialise(char** lines, int count) override;
    void draw(GUI* gui) override;

    Bitmap* image = nullptr;
};
