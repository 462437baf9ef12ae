#pragma once
// LEDs of the custom family. flExtLed is a clickable on/off LED (external sync). flRateLed is
// one LED of a group that selects a value by clicking (one of the sample rates); its hit area
// leaves out the two top and three bottom rows that overlap its neighbours, and presses are
// ignored while the lock of slot 1 (the device is in use) is on.

#include "views/Bitmap.h"
#include "views/View.h"

class flExtLed : public View {
  public:
    flExtLed(const ViewDefinition* row, PluginGUI* owner);
    ~flExtLed() override;

    using View::Initialise;
    // Lines: lit image, panel background.
    void Initialise(char** lines, int count) override;
    void mouse(int x, int y, int button, bool down, GUI* gui) override;
    void notify(int slot) override;
    void draw(GUI* gui) override;

    float value = 0.0f;
    Bitmap* litImage = nullptr;
    Bitmap* unlitImage = nullptr;
};

class flRateLed : public View {
  public:
    static constexpr int kNoIndex = -1;

    flRateLed(const ViewDefinition* row, PluginGUI* owner);
    ~flRateLed() override;

    using View::Initialise;
    // Lines: lit image, an unused name, panel background, the LED's index digit.
    void Initialise(char** lines, int count) override;
    bool IsInside(int x, int y) override;
    void mouse(int x, int y, int button, bool down, GUI* gui) override;
    void notify(int slot) override;
    void draw(GUI* gui) override;

    // Unnormalised values of slot 0 (the selected value) and slot 1 (the lock).
    float slotValue[2] = {0.0f, 0.0f};
    // The value this LED stands for; kNoIndex when line 4 holds no digit.
    int index = kNoIndex;
    Bitmap* litImage = nullptr;
    Bitmap* unlitImage = nullptr;
};
