#pragma once
// A container with an optional background image: the image (when named) over the view's
// rectangle, then its children. The root of every panel is a Canvas with no image.

#include "views/Bitmap.h"
#include "views/View.h"

class Canvas : public View {
  public:
    Canvas(const ViewDefinition* row, PluginGUI* owner);
    ~Canvas() override;

    // Line 0, when present: the background image's name; further lines are ignored.
    void Initialise(char** lines, int count) override;
    void draw(GUI* gui) override;

    Bitmap* image;  // from the cache, may be NULL
};
