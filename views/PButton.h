#pragma once
// A toggle button of the stock set: a press flips its own value and redraws; a value other
// than 0 shows the face crossed out, 0 shows it framed. The bound parameter replaces the value
// on every notification.

#include "views/Bitmap.h"
#include "views/View.h"

class PButton : public View {
  public:
    PButton(const ViewDefinition* row, PluginGUI* owner);
    ~PButton() override;

    // Exactly one line: the button face's name.
    void Initialise(char** lines, int count) override;
    void mouse(int x, int y, int button, bool down, GUI* gui) override;
    void notify(int slot) override;
    void draw(GUI* gui) override;

    float value;
    Bitmap* image;  // from the cache, may be NULL
};
