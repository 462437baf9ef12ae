#pragma once
// Faders drawn as a handle image blended over the piece of the panel background they cover,
// confined to the tray by a view-sized mask. The handle's centre follows the pointer: the
// value depends only on where the pointer is, not on where the press was.
//
// flHSlider is horizontal and may move in steps of a whole number of pixels. flVSlider is
// vertical with a fixed travel of 95 pixels. flVSlider2 pairs a flVSlider with the partner of
// slot 1 through the stereo-link switch of slot 2.

#include "views/Bitmap.h"
#include "views/ComposedKey.h"
#include "views/View.h"

class flHSlider : public View {
  public:
    flHSlider(const ViewDefinition* row, PluginGUI* owner);
    ~flHSlider() override;

    using View::Initialise;
    // Lines: handle, handle mask, tray mask, panel background, and optionally the step.
    void Initialise(char** lines, int count) override;
    void mouse(int x, int y, int button, bool down, GUI* gui) override;
    void notify(int slot) override;
    void DoDrag(GUI* gui) override;
    void draw(GUI* gui) override;

    // The handle's left edge in the view for the current value.
    int HandleX() const;

    float value = 0.0f;
    int32_t travel = 0;
    int32_t step = 1;
    Bitmap* handle = nullptr;
    Bitmap* background = nullptr;
    Bitmap* work = nullptr;
    Bitmap* handleMask = nullptr;
    Bitmap* trayMask = nullptr;
    Bitmap* composite = nullptr;
    // The tray without the handle, what the fader shows wherever the handle is not.
    Bitmap* bareTray = nullptr;
    // The handle's left edge that the picture in work shows.
    ComposedKey<int> workHandleX;
};

class flVSlider : public View {
  public:
    static constexpr int kTravel = 95;
    static constexpr int kTopMargin = 2;  // the handle's top at value 1

    flVSlider(const ViewDefinition* row, PluginGUI* owner);
    ~flVSlider() override;

    using View::Initialise;
    // Lines: handle, handle mask, tray mask, panel background.
    void Initialise(char** lines, int count) override;
    void mouse(int x, int y, int button, bool down, GUI* gui) override;
    void notify(int slot) override;
    void DoDrag(GUI* gui) override;
    void draw(GUI* gui) override;

    // The handle's top edge in the view for the current value.
    int HandleY() const;

    float value = 0.0f;
    int32_t travel = 0;
    Bitmap* handle = nullptr;
    Bitmap* background = nullptr;
    Bitmap* work = nullptr;
    Bitmap* handleMask = nullptr;
    Bitmap* trayMask = nullptr;
    Bitmap* composite = nullptr;
    // The tray without the handle, what the fader shows wherever the handle is not.
    Bitmap* bareTray = nullptr;
    // The handle's top edge that the picture in work shows.
    ComposedKey<int> workHandleY;

  protected:
    // Follows the pointer and reports the value on slot 0; false when the fader cannot drag.
    bool FollowPointer(GUI* gui);
};

class flVSlider2 : public flVSlider {
  public:
    flVSlider2(const ViewDefinition* row, PluginGUI* owner);

    void altclick(int x, int y, GUI* gui) override;
    void notify(int slot) override;
    void DoDrag(GUI* gui) override;

    bool linked = false;
};
