#include "views/Static.h"

#include <cstring>

#include "views/GUI.h"
#include "views/PluginGUI.h"

namespace {

// Copies a text up to its NUL, or an init-text line up to its "\n", into a buffer of
// limit + 1 bytes.
void CopyText(char* to, const char* from, int limit, bool endAtNewline) {
    int n = 0;
    while (from && n < limit && from[n] != '\0' && !(endAtNewline && from[n] == '\n')) {
        to[n] = from[n];
        ++n;
    }
    to[n] = '\0';
}

bool StartsWith(const char* line, const char* word) {
    return std::strncmp(line, word, std::strlen(word)) == 0;
}

}  // namespace

Static::Static(const ViewDefinition* row, PluginGUI* owner)
    : View(row, owner), text{}, initialText{}, font(nullptr), canvas(nullptr), background(nullptr),
      hasBackground(false), justify(kJustifyLeft), justifyOffset(0) {}

Static::~Static() {
    delete font;
    delete canvas;
    delete background;
}

void Static::Initialise(char** lines, int count) {
    delete font;
    delete canvas;
    delete background;
    font = nullptr;
    canvas = nullptr;
    background = nullptr;
    justify = kJustifyLeft;
    justifyOffset = 0;
    hasBackground = false;
    // A single line names a font sheet but no text: nothing to show.
    if (count < 2 || count > 5) return;

    Bitmap* sheet = PluginGUI::GetBitmap(lines[0]);
    canvas = new Bitmap(GetWidth(), GetHeight());
    background = new Bitmap(GetWidth(), GetHeight());
    hasBackground = count > 3;
    if (hasBackground) {
        Bitmap* mask = PluginGUI::GetBitmap(lines[1]);
        font = new AlphaFont(sheet, mask, 32, 7, 7, 20, 5, true);
        if (Bitmap* whole = PluginGUI::GetBitmap(lines[2])) {
            whole->BlitIntoBitmap(background, 0, 0, &rect);
        }
        if (count == 5) ReadJustify(lines[3]);
    } else {
        font = new Font(sheet, 32, 7, 7, 20, 5, true);
        if (count == 3) ReadJustify(lines[1]);
    }
    CopyText(text, lines[count - 1], kMaxText, true);
    std::memcpy(initialText, text, sizeof text);
    UpdateJustifyOffset();
}

void Static::notify(int slot) {
    if (slot != 0 || !owner) return;
    // The limit leaves room for the NUL in the 256-byte buffer.
    owner->GetControlText(id, 0, text, kMaxText);
    text[kMaxText] = '\0';
    UpdateJustifyOffset();
    redraw();
}

void Static::SetText(const char* p) {
    CopyText(text, p, kMaxText, false);
    UpdateJustifyOffset();
    redraw();
}

void Static::SetInitialText(const char* p) {
    CopyText(initialText, p, kMaxText, false);
}

const char* Static::GetInitialText() const {
    return initialText;
}

void Static::ReadJustify(const char* line) {
    if (!line) return;
    if (StartsWith(line, "JUSTIFY_LEFT")) {
        justify = kJustifyLeft;
    } else if (StartsWith(line, "JUSTIFY_RIGHT")) {
        justify = kJustifyRight;
    } else if (StartsWith(line, "JUSTIFY_CENTRE")) {
        justify = kJustifyCentre;
    }
}

void Static::UpdateJustifyOffset() {
    if (!font) {
        justifyOffset = 0;
        return;
    }
    const int len = font->StringLength(text);
    const int w = GetWidth();
    switch (justify) {
        case kJustifyCentre: justifyOffset = (w - len) / 2; break;
        case kJustifyRight: justifyOffset = w - len; break;
        default: justifyOffset = 0; break;
    }
}

void Static::draw(GUI* gui) {
    if (IsHidden()) {
        needsRedraw = false;
        return;
    }
    // A view without a font never drew, so it stays marked, like the other controls that
    // lack their images.
    if (!font || !canvas || !gui) return;
    if (hasBackground) {
        background->BlitIntoBitmap(canvas, 0, 0, nullptr);
    } else {
        canvas->EraseBitmap(0);
    }
    font->PlotString(canvas, justifyOffset, 0, text);
    gui->DrawBitmap(canvas, &rect, nullptr);
    needsRedraw = false;
}
