#pragma once
// One line of text in a bitmap font, on black or blended through a mask over a crop of a
// background image, justified left, centre or right inside the view. The text comes from the
// init text, from the parameter bound to slot 0 whenever it changes, or from SetText.
//
// Init text, by its number of lines n (the text is always the last line):
//   2: font sheet, text            3: font sheet, justification, text
//   4: font sheet, mask, background image, text
//   5: font sheet, mask, background image, justification, text
// The justification line is "JUSTIFY_LEFT", "JUSTIFY_CENTRE" or "JUSTIFY_RIGHT".

#include "views/Bitmap.h"
#include "views/Font.h"
#include "views/View.h"

class Static : public View {
  public:
    static constexpr int kMaxText = 255;

    enum Justify : int { kJustifyLeft = 0, kJustifyCentre = 1, kJustifyRight = 2 };

    Static(const ViewDefinition* row, PluginGUI* owner);
    ~Static() override;

    void Initialise(char** lines, int count) override;
    // Slot 0: shows the bound parameter's text.
    void notify(int slot) override;
    void draw(GUI* gui) override;

    // Texts longer than 255 characters are cut to their first 255.
    virtual void SetText(const char* p);
    virtual void SetInitialText(const char* p);
    virtual const char* GetInitialText() const;

    void ReadJustify(const char* line);
    void UpdateJustifyOffset();

    char text[kMaxText + 1];
    char initialText[kMaxText + 1];
    Font* font;          // owned: a Font, or an AlphaFont when a mask is named
    Bitmap* canvas;      // owned, view size: the text is composed here
    Bitmap* background;  // owned, view size: the crop under the view
    bool hasBackground;
    int justify;
    int justifyOffset;
};
