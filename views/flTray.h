#pragma once
// Containers of the custom family.
//
// flTray5 covers its children with a masked cover picture while its slot-0 switch is on, and
// then takes no mouse input for them (the link switch covering the mono button). flTray6
// draws the child chosen by its slot-0 parameter last, on top of its overlapping siblings
// (the holder of the sample-rate LEDs, which shows the LED of the current rate whole).

#include "views/Bitmap.h"
#include "views/View.h"

class flTray5 : public View {
  public:
    flTray5(const ViewDefinition* row, PluginGUI* owner);
    ~flTray5() override;

    using View::Initialise;
    // Lines: cover image, its mask, panel background.
    void Initialise(char** lines, int count) override;
    void notify(int slot) override;
    // While covered not even the tray owns a point, so a press there does nothing.
    View* FindOwner(int x, int y) override;
    void draw(GUI* gui) override;

    float value = 0.0f;
    Bitmap* cover = nullptr;
    Bitmap* mask = nullptr;
    Bitmap* composite = nullptr;
    Bitmap* background = nullptr;
};

class flTray6 : public View {
  public:
    flTray6(const ViewDefinition* row, PluginGUI* owner);

    using View::Initialise;
    void Initialise(char** lines, int count) override;
    void notify(int slot) override;
    void draw(GUI* gui) override;

    // Index of the child drawn last; -1 for none.
    int selected = -1;
};
