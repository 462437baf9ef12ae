#pragma once
// A framed image: a copy of one named image drawn over the view's rectangle, then its children.

#include "views/Bitmap.h"
#include "views/View.h"

class BitmapControl : public View {
  public:
    BitmapControl(const ViewDefinition* row, PluginGUI* owner);
    ~BitmapControl() override;

    // Exactly one line: the image's name.
    void Initialise(char** lines, int count) override;
    void draw(GUI* gui) override;

    Bitmap* image;  // from the cache
    Bitmap* copy;   // owned, the size of image
};
