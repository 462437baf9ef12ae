#pragma once
// A plain horizontal fader: a handle image slid along a line across the middle of a white
// track. The handle's left edge travels from the view's left over (width - handle width).

#include "views/Bitmap.h"
#include "views/View.h"

class HSlider : public View {
  public:
    HSlider(const ViewDefinition* row, PluginGUI* owner);
    ~HSlider() override;

    // Exactly one line: the resource holding the handle's BMP data (decoded privately).
    void Initialise(char** lines, int count) override;
    // A press starts a drag.
    void mouse(int x, int y, int button, bool down, GUI* gui) override;
    void notify(int slot) override;
    // The handle follows the pointer: its centre goes under the pointer's x.
    void DoDrag(GUI* gui) override;
    void draw(GUI* gui) override;

    float value;
    int travel;  // at least 1
    bool trackDrawn;
    Bitmap* handle;  // owned
    Bitmap* track;   // owned, view size
    Bitmap* work;    // owned, view size
};
