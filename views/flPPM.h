#pragma once
// The peak level meter: a thin vertical bar rising from the bottom of its rectangle, fed one
// signal level per timer tick. It shows the level on a square-root scale with a floor, falls
// back by a fixed factor per level (peak hold with decay) and, while a full-scale level is
// recent, shows the clip image in place of the lit bar. It is bound to no parameter.

#include <utility>

#include "views/Bitmap.h"
#include "views/ComposedKey.h"
#include "views/View.h"

class flPPM : public View {
  public:
    static constexpr float kDecay = 0.9f;  // per SetLevel call
    static constexpr int kClipHoldTicks = 5;

    flPPM(const ViewDefinition* row, PluginGUI* owner);
    ~flPPM() override;

    using View::Initialise;
    // Lines: lit meter image, panel background, and optionally the clip image.
    void Initialise(char** lines, int count) override;
    // Counts down the clip hold, then draws at once when the bar moved (while on screen).
    void tick(GUI* gui) override;
    void draw(GUI* gui) override;
    // One new signal level (1.0 is full scale; larger values occur). Draws nothing.
    virtual void SetLevel(float level);

    float level = 0.0f;
    int topRow = 0;
    int clipHold = 0;
    Bitmap* meterImage = nullptr;
    Bitmap* background = nullptr;
    Bitmap* composite = nullptr;
    Bitmap* clipImage = nullptr;
    uint8_t changed = 1;
    // The top row of the lit bar that the picture in composite shows, and whether it was lit
    // from the clip image.
    ComposedKey<std::pair<int, bool>> compositeBar;
};
