#pragma once
// Rotary knobs drawn from film strips and blend masks.
//
// flKnob shows its value as one of 29 frames over a 270-degree sweep and is turned by
// dragging (right or up turns it up; Shift gives the fine rate). flKnob4 adds a lock: while
// the switch of slot 1 is on, the knob sits at a preset and ignores presses, and switching it
// off puts the earlier value back. flKnob5 is ganged with the two knobs of slots 1 and 2
// through the link switch of slot 3.

#include "views/Bitmap.h"
#include "views/ComposedKey.h"
#include "views/View.h"

class flKnob : public View {
  public:
    static constexpr int kFrameCount = 29;
    static constexpr int kPointerPitch = 20;  // pointer frames lie 20 pixels apart...
    static constexpr int kPointerWidth = 19;  // ...and 19 of them are used
    static constexpr int kTrackPitch = 27;
    static constexpr int kPointerOffset = 4;  // where the pointer frame sits in the knob

    flKnob(const ViewDefinition* row, PluginGUI* owner);
    ~flKnob() override;

    using View::Initialise;
    // Lines: pointer strip, pointer mask, track strip, track mask, panel background.
    void Initialise(char** lines, int count) override;
    void mouse(int x, int y, int button, bool down, GUI* gui) override;
    void notify(int slot) override;
    void DoDrag(GUI* gui) override;
    void draw(GUI* gui) override;

    // The frame (0..28) that shows a value; values outside 0..1 show an end frame.
    static int FrameForValue(float value);

    float value = 0.0f;
    int32_t lastX = 0;
    int32_t lastY = 0;
    Bitmap* pointerStrip = nullptr;
    Bitmap* pointerMask = nullptr;
    Bitmap* work = nullptr;
    Bitmap* background = nullptr;
    Bitmap* scratch = nullptr;
    Bitmap* trackStrip = nullptr;
    Bitmap* trackMask = nullptr;
    // The frame that the picture in work shows.
    ComposedKey<int> workFrame;

  protected:
    // The lines of the knob's five-line form, shared with flKnob4.
    void InitialiseImages(char** lines, int count);
};

class flKnob4 : public flKnob {
  public:
    flKnob4(const ViewDefinition* row, PluginGUI* owner);

    using View::Initialise;
    // The knob's five lines, then the preset value the lock imposes.
    void Initialise(char** lines, int count) override;
    void mouse(int x, int y, int button, bool down, GUI* gui) override;
    void notify(int slot) override;

    bool locked = false;
    float savedValue = 0.0f;
    float presetValue = 0.0f;
};

class flKnob5 : public flKnob {
  public:
    flKnob5(const ViewDefinition* row, PluginGUI* owner);

    void notify(int slot) override;
    void DoDrag(GUI* gui) override;

    bool linked = false;
};
