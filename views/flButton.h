#pragma once
// Toggle switches whose two pictures are composed once from a lit image, an optional mask and
// the panel background. flButton3 is a mute that can drag two partner mutes along while the
// link switch of slot 3 is on.

#include "views/Bitmap.h"
#include "views/View.h"

class flButton : public View {
  public:
    flButton(const ViewDefinition* row, PluginGUI* owner);
    ~flButton() override;

    using View::Initialise;
    // Lines: lit image, mask, background; or lit image, background; or lit image alone.
    void Initialise(char** lines, int count) override;
    void mouse(int x, int y, int button, bool down, GUI* gui) override;
    void notify(int slot) override;
    void draw(GUI* gui) override;

    // While 0 presses are ignored (the display-only indicators); notifications still count.
    uint8_t enabled = 0;
    float value = 0.0f;
    Bitmap* onImage = nullptr;
    Bitmap* offImage = nullptr;

  protected:
    // A press toggles slot 0 (a NaN counts as on and toggles to 0) and reports it.
    void Toggle();
};

class flButton3 : public flButton {
  public:
    flButton3(const ViewDefinition* row, PluginGUI* owner);

    void mouse(int x, int y, int button, bool down, GUI* gui) override;
    void notify(int slot) override;

    uint8_t linked = 0;
};
