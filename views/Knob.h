#pragma once
// A film-strip knob turned by angle: frames of the view's width side by side in one image;
// the pointer's angle around the knob's centre sets the value (0 straight below, growing
// clockwise on the screen).

#include "views/Bitmap.h"
#include "views/View.h"

class Knob : public View {
  public:
    Knob(const ViewDefinition* row, PluginGUI* owner);
    ~Knob() override;

    // Exactly one line: the film strip's name.
    void Initialise(char** lines, int count) override;
    // A press starts a drag.
    void mouse(int x, int y, int button, bool down, GUI* gui) override;
    void notify(int slot) override;
    void DoDrag(GUI* gui) override;
    void draw(GUI* gui) override;

    // The frame the value shows, 0..frameCount - 1.
    int FrameForValue() const;

    int frameCount;
    int frameWidth;
    float value;
    int centreX;
    int centreY;
    Bitmap* strip;  // from the cache
};
