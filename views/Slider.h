#pragma once
// A line-drawn vertical slider: an optional background image, a vertical line through the
// middle and a horizontal line at the value's height (0 at the top, 1 at the bottom).

#include "views/Bitmap.h"
#include "views/View.h"

class Slider : public View {
  public:
    Slider(const ViewDefinition* row, PluginGUI* owner);
    ~Slider() override;

    // Exactly one line: the background image's name.
    void Initialise(char** lines, int count) override;
    // A press starts a drag.
    void mouse(int x, int y, int button, bool down, GUI* gui) override;
    void notify(int slot) override;
    void DoDrag(GUI* gui) override;
    void draw(GUI* gui) override;

    float value;
    Bitmap* image;  // from the cache, may be NULL
};
