#pragma once
// Momentary buttons that toggle their parameter when released over themselves. flPushButton
// shows a pressed picture while held; flLogoButton is an invisible area over the logo in the
// panel background.

#include "views/Bitmap.h"
#include "views/View.h"

class flPushButton : public View {
  public:
    flPushButton(const ViewDefinition* row, PluginGUI* owner);
    ~flPushButton() override;

    using View::Initialise;
    // Lines: lit image, mask, background; or the pressed picture itself, background.
    void Initialise(char** lines, int count) override;
    void mouse(int x, int y, int button, bool down, GUI* gui) override;
    void notify(int slot) override;
    void EndDrag(GUI* gui) override;
    void draw(GUI* gui) override;

    float value = 0.0f;
    uint8_t pressed = 0;
    uint8_t ownsPressedImage = 0;
    Bitmap* normalImage = nullptr;
    // A named image (not owned) or one composed here (owned), or none.
    Bitmap* pressedImage = nullptr;
};

class flLogoButton : public View {
  public:
    flLogoButton(const ViewDefinition* row, PluginGUI* owner);

    using View::Initialise;
    void Initialise(char** lines, int count) override;
    void mouse(int x, int y, int button, bool down, GUI* gui) override;
    void notify(int slot) override;
    void EndDrag(GUI* gui) override;
    void draw(GUI* gui) override;

    float value = 0.0f;
};
