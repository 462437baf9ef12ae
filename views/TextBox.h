#pragma once
// A one-line text field showing its parameter's text: white on black at rest, black on white
// while it is being edited. A press opens or closes editing; keys edit the text; Return or
// Enter commits the edited text to the parameter, Escape drops it.

#include "views/Bitmap.h"
#include "views/Font.h"
#include "views/View.h"

class TextBox : public View {
  public:
    static constexpr int kMaxLength = 255;

    // Key codes the field understands (the first argument of key).
    enum Key : int {
        kKeyBackspace = 8,
        kKeyEnter = 10,
        kKeyReturn = 13,
        kKeyLeft = 14,
        kKeyRight = 15,
        kKeyHome = 16,
        kKeyEnd = 17,
        kKeyEscape = 27,
        kKeyDelete = 127,
    };

    TextBox(const ViewDefinition* row, PluginGUI* owner);
    ~TextBox() override;

    // Exactly one line: the font sheet's name (cells 5 x 7, 20 x 5, kerned).
    void Initialise(char** lines, int count) override;
    // A press toggles editing; releases do nothing.
    void mouse(int x, int y, int button, bool down, GUI* gui) override;
    // At rest, reloads the parameter's text; ignored while editing.
    void notify(int slot) override;
    void key(int ch, int code, GUI* gui) override;
    void draw(GUI* gui) override;
    void SetSelected(bool select) override;

    char text[kMaxLength + 1];
    int cursor;         // 0..length
    int length;         // 0..255
    Font* font;         // owned
    Bitmap* fontImage;  // from the cache
    Bitmap* work;       // owned, view size

  private:
    void Insert(char c);
    void RemoveAt(int position);
};
