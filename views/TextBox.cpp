#include "views/TextBox.h"

#include <cstdio>
#include <cstring>

#include "views/GUI.h"
#include "views/PluginGUI.h"

namespace {

constexpr long kWhite = 0xFFFFFF;
constexpr long kBlack = 0x000000;

}  // namespace

TextBox::TextBox(const ViewDefinition* row, PluginGUI* owner)
    : View(row, owner), text{}, cursor(0), length(0), font(nullptr), fontImage(nullptr),
      work(nullptr) {}

TextBox::~TextBox() {
    delete font;
    delete work;
}

void TextBox::Initialise(char** lines, int count) {
    delete font;
    delete work;
    font = nullptr;
    work = nullptr;
    fontImage = nullptr;
    cursor = 0;
    if (count != 1) return;
    fontImage = PluginGUI::GetBitmap(lines[0]);
    if (!fontImage) return;
    font = new Font(fontImage, 32, 5, 7, 20, 5, true);
    work = new Bitmap(GetWidth(), GetHeight());
    std::snprintf(text, sizeof text, "Val=%f", 0.0);
    length = static_cast<int>(std::strlen(text));
}

void TextBox::mouse(int, int, int, bool down, GUI*) {
    // A click is a press and a release; toggling on both would leave the field as it was, so
    // only the press opens or closes editing.
    if (!down) return;
    SetSelected(!IsSelected());
    redraw();
}

void TextBox::notify(int slot) {
    if (slot != 0 || IsSelected() || !owner) return;
    owner->GetControlText(id, 0, text, kMaxLength);
    text[kMaxLength] = '\0';
    length = static_cast<int>(std::strlen(text));
    if (cursor > length) cursor = length;
    redraw();
}

void TextBox::Insert(char c) {
    if (length >= kMaxLength) return;
    std::memmove(text + cursor + 1, text + cursor, static_cast<size_t>(length - cursor) + 1);
    text[cursor] = c;
    ++cursor;
    ++length;
}

void TextBox::RemoveAt(int position) {
    if (position < 0 || position >= length) return;
    std::memmove(text + position, text + position + 1, static_cast<size_t>(length - position));
    --length;
}

void TextBox::key(int ch, int, GUI* gui) {
    const bool jump = gui && (gui->CtrlIsDown() || gui->AltIsDown());
    switch (ch) {
        case kKeyBackspace:
            if (cursor > 0) {
                --cursor;
                RemoveAt(cursor);
            }
            break;
        case kKeyEnter:
        case kKeyReturn:
            // The edited text goes to the parameter; ending the edit first lets the
            // notification that follows reload the text as the parameter now shows it.
            SetSelected(false);
            if (owner) owner->ControlHasChangedText(id, 0, text);
            break;
        case kKeyLeft: cursor = jump ? 0 : (cursor > 0 ? cursor - 1 : 0); break;
        case kKeyRight: cursor = jump ? length : (cursor < length ? cursor + 1 : length); break;
        case kKeyHome: cursor = 0; break;
        case kKeyEnd: cursor = length; break;
        case kKeyEscape:
            selected = false;
            notify(0);
            SetSelected(false);
            break;
        case kKeyDelete:
            // Forward erase removes the character after the cursor, also at the start.
            if (cursor < length) RemoveAt(cursor);
            break;
        default:
            if (ch >= 32 && ch <= 126) Insert(static_cast<char>(ch));
            break;
    }
    redraw();
}

void TextBox::draw(GUI* gui) {
    if (IsHidden()) {
        needsRedraw = false;
        return;
    }
    if (!font || !work || !gui) return;
    const bool editing = IsSelected();
    work->EraseBitmap(editing ? kWhite : kBlack);
    char head[kMaxLength + 1];
    std::memcpy(head, text, static_cast<size_t>(cursor));
    head[cursor] = '\0';
    // The cursor stands in the empty column after the last glyph before it.
    int w = font->StringLength(head) - 1;
    if (w < 0) w = 0;
    font->PlotColourString(work, 0, 0, text, editing ? kBlack : kWhite, editing ? kWhite : kBlack,
                           1.0f);
    gui->DrawBitmap(work, &rect, nullptr);
    gui->LineFromTo(rect.left + w, rect.top, rect.left + w, rect.bottom);
    needsRedraw = false;
}

void TextBox::SetSelected(bool select) {
    View::SetSelected(select);
}
