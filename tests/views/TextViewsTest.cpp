// The two views that show text: the static text view (justification, background crops, its
// parameter's text) and the text box (selection by click, editing keys, commit and cancel).

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/views/ViewsTestSupport.h"
#include "views/Static.h"
#include "views/TextBox.h"

namespace {

using testing_views::AddResource;
using testing_views::ClearResources;
using testing_views::EventLog;
using testing_views::MakeBmp24;
using testing_views::RecordingHost;
using testing_views::Row;
using testing_views::TestPanel;

// A font sheet of 20 x 5 cells; every printable character's glyph is lit in columns
// 0..width-1 of its cell's top row (A, B, C and the digits 5 wide, the rest 2).
std::vector<unsigned char> FontSheet(int cellWidth, long colour = 0xFFFFFF) {
    const int w = 20 * cellWidth, h = 5 * 7;
    std::vector<long> pixels(static_cast<size_t>(w) * h, 0);
    for (int c = 33; c < 127; ++c) {
        const int g = c - 32;
        const int width = (c >= 'A' && c <= 'C') || (c >= '0' && c <= '9') ? 5 : 2;
        for (int col = 0; col < width && col < cellWidth; ++col) {
            pixels[static_cast<size_t>((g / 20) * 7) * w + (g % 20) * cellWidth + col] = colour;
        }
    }
    return MakeBmp24(w, h, pixels);
}

class TextViews : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ClearResources();
        AddResource("Font7.bmp", FontSheet(7));
        AddResource("Mask7.bmp", FontSheet(7, 0x808080));
        AddResource("Font5.bmp", FontSheet(5));
        AddResource("Back.bmp", MakeBmp24(200, 100, std::vector<long>(200 * 100, 0x204060)));
    }
    static void TearDownTestSuite() { ClearResources(); }

    // A panel with one Static (row 1, 100 wide) bound to parameter 0.
    static std::vector<ViewDefinition> StaticRows(const char* init) {
        return {Row(0, {0, 200, 0, 100}, "View", -1, ""),
                Row(1, {10, 110, 20, 30}, "Static", 0, init, {0})};
    }
};

TEST_F(TextViews, StaticTextIsJustifiedByItsMeasuredLength) {
    const std::pair<const char*, int> cases[] = {
        {"Font7.bmp\nJUSTIFY_CENTRE\nABC", 41},  {"Font7.bmp\nJUSTIFY_RIGHT\nABC", 82},
        {"Font7.bmp\nJUSTIFY_LEFT\nABC", 0},     {"Font7.bmp\nABC", 0},
        {"Font7.bmp\nJUSTIFY_CENTREX\nABC", 41}, {"Font7.bmp\njustify_centre\nABC", 0},
    };
    for (auto [init, offset] : cases) {
        TestPanel t(StaticRows(init));
        Static* s = t.ViewAt<Static>(1);
        s->SetText("ABC");
        EXPECT_EQ(s->justifyOffset, offset) << init;
        t.panel->draw();
        EXPECT_EQ(t.window.buffer->GetPixel(10 + offset, 20), 0xFFFFFF) << init;
        if (offset > 0) {
            EXPECT_EQ(t.window.buffer->GetPixel(10 + offset - 1, 20), 0) << init;
        }
    }
    // A text wider than the view starts left of it and is cut.
    TestPanel t(StaticRows("Font7.bmp\nJUSTIFY_CENTRE\nx"));
    Static* s = t.ViewAt<Static>(1);
    s->SetText(std::string(20, 'A').c_str());  // 120 long
    EXPECT_EQ(s->justifyOffset, -10);
    t.panel->draw();
}

TEST_F(TextViews, StaticTextFollowsItsParameterAndItsInitTextsShape) {
    TestPanel t(StaticRows("Font7.bmp\nJUSTIFY_LEFT\nhello"));
    Static* s = t.ViewAt<Static>(1);
    char expected[256];
    t.plugin.params[0]->GetTextualValue(expected, 255);
    EXPECT_STREQ(s->text, expected);  // SetGUI refreshed it from the parameter
    EXPECT_STREQ(s->GetInitialText(), "hello");
    t.plugin.HostHasChangedParameter(0, 1.0f);
    t.plugin.params[0]->GetTextualValue(expected, 255);
    EXPECT_STREQ(s->text, expected);
    s->notify(1);  // another slot changes nothing
    EXPECT_STREQ(s->text, expected);

    // Texts longer than the buffer are cut to 255 characters.
    const std::string longText(400, 'B');
    s->SetText(longText.c_str());
    EXPECT_EQ(std::string(s->text), longText.substr(0, 255));
    s->SetInitialText(longText.c_str());
    EXPECT_EQ(std::string(s->GetInitialText()).size(), 255u);
    // Only init-text lines end at a newline; a text set later is copied whole.
    s->SetText("AB\nC");
    EXPECT_STREQ(s->text, "AB\nC");

    // A trailing newline makes the text line the justification line: the text is empty.
    TestPanel trailing(StaticRows("Font7.bmp\nABC\n"));
    EXPECT_STREQ(trailing.ViewAt<Static>(1)->GetInitialText(), "");
    // One line, or six, give no font: nothing is drawn and the view stays marked.
    for (const char* init : {"Font7.bmp", "a\nb\nc\nd\ne\nf", ""}) {
        TestPanel none(StaticRows(init));
        EXPECT_EQ(none.ViewAt<Static>(1)->font, nullptr) << init;
        none.panel->draw();
        EXPECT_EQ(none.window.buffer->GetPixel(10, 20), 0) << init;
        EXPECT_TRUE(none.ViewAt<Static>(1)->needsRedraw) << init;
        EXPECT_EQ(none.ViewAt<Static>(1)->justifyOffset, 0) << init;
    }
}

TEST_F(TextViews, StaticTextBlendsOverItsBackgroundCropAndSurvivesMissingImages) {
    TestPanel t(StaticRows("Font7.bmp\nMask7.bmp\nBack.bmp\nJUSTIFY_LEFT\nA"));
    Static* s = t.ViewAt<Static>(1);
    ASSERT_TRUE(s->hasBackground);
    s->SetText("A");
    t.panel->draw();
    // Where the mask is grey the glyph blends half over the crop; elsewhere the crop shows.
    const long lit = t.window.buffer->GetPixel(10, 20);
    EXPECT_EQ(lit, (((255 * 128 + 0x20 * 127) >> 8) << 16) |
                       (((255 * 128 + 0x40 * 127) >> 8) << 8) | ((255 * 128 + 0x60 * 127) >> 8));
    // A mask of 0 keeps the crop at 255/256 of itself.
    EXPECT_EQ(t.window.buffer->GetPixel(10, 25), 0x1F3F5F);

    TestPanel missing(StaticRows("Nope.bmp\nNope.bmp\nNope.bmp\nABC"));
    missing.ViewAt<Static>(1)->SetText("ABC");
    missing.panel->draw();
    EXPECT_EQ(missing.window.buffer->GetPixel(10, 20), 0);  // a black crop, never stale memory
}

// A panel with a text box (row 1) bound to parameter 0 and a second one (row 2).
std::vector<ViewDefinition> TextBoxRows() {
    return {Row(0, {0, 200, 0, 100}, "View", -1, ""),
            Row(1, {10, 110, 10, 17}, "TextBox", 0, "Font5.bmp", {0}),
            Row(2, {10, 110, 30, 37}, "TextBox", 0, "Font5.bmp", {1})};
}

class TextBoxEditing : public TextViews {
  protected:
    void SetUp() override {
        t = std::make_unique<TestPanel>(TextBoxRows());
        box = t->ViewAt<TextBox>(1);
    }
    void Type(const std::string& keys) {
        for (char c : keys) t->panel->key(static_cast<unsigned char>(c), 0);
    }
    void Open() {
        if (!box->IsSelected()) t->Click(20, 12);
        ASSERT_TRUE(box->IsSelected());
    }
    void SetText(const char* text) {
        std::snprintf(box->text, sizeof box->text, "%s", text);
        box->length = static_cast<int>(std::strlen(text));
        box->cursor = 0;
    }
    std::unique_ptr<TestPanel> t;
    TextBox* box = nullptr;
};

TEST_F(TextBoxEditing, AClickOpensTheFieldAndTheNextClickClosesIt) {
    // Until a notification brings its parameter's text the field shows a placeholder.
    EXPECT_NE(std::string(box->text), "Val=0.000000");  // refreshed when the surface came
    {
        TestPanel unbound({Row(0, {0, 200, 0, 100}, "View", -1, ""),
                           Row(1, {10, 110, 10, 17}, "TextBox", 0, "Font5.bmp")});
        EXPECT_STREQ(unbound.ViewAt<TextBox>(1)->text, "Val=0.000000");
        EXPECT_EQ(unbound.ViewAt<TextBox>(1)->length, 12);
    }
    EXPECT_FALSE(box->IsSelected());
    t->Click(20, 12);
    EXPECT_TRUE(box->IsSelected());
    t->panel->draw();
    EXPECT_EQ(t->window.buffer->GetPixel(108, 16), 0xFFFFFF);  // black on white while edited
    t->Click(20, 32);  // selecting the other box deselects this one
    EXPECT_FALSE(box->IsSelected());
    EXPECT_TRUE(t->ViewAt<TextBox>(2)->IsSelected());
    t->Click(20, 32);
    EXPECT_FALSE(t->ViewAt<TextBox>(2)->IsSelected());
    t->panel->draw();
    EXPECT_EQ(t->window.buffer->GetPixel(108, 16), 0);  // white on black at rest
}

TEST_F(TextBoxEditing, KeysInsertMoveAndEraseAroundTheCursor) {
    Open();
    SetText("abc");
    Type("12");
    EXPECT_STREQ(box->text, "12abc");
    EXPECT_EQ(box->cursor, 2);
    t->panel->key(TextBox::kKeyHome, 0);
    t->panel->key(TextBox::kKeyBackspace, 0);  // at 0: nothing
    EXPECT_STREQ(box->text, "12abc");
    t->panel->key(TextBox::kKeyDelete, 0);  // forward at 0 removes the first character
    EXPECT_STREQ(box->text, "2abc");
    t->panel->key(TextBox::kKeyEnd, 0);
    t->panel->key(TextBox::kKeyDelete, 0);  // at the end: nothing
    EXPECT_EQ(box->length, 4);
    t->panel->key(TextBox::kKeyBackspace, 0);
    EXPECT_STREQ(box->text, "2ab");
    t->panel->key(TextBox::kKeyLeft, 0);
    EXPECT_EQ(box->cursor, 2);
    t->window.modifiers = kModifierCtrl;
    t->panel->key(TextBox::kKeyLeft, 0);
    EXPECT_EQ(box->cursor, 0);
    t->panel->key(TextBox::kKeyRight, 0);
    EXPECT_EQ(box->cursor, 3);
    t->window.modifiers = 0;
    t->panel->key(TextBox::kKeyRight, 0);
    EXPECT_EQ(box->cursor, 3);
    t->panel->key(TextBox::kKeyLeft, 0);
    t->panel->key(TextBox::kKeyLeft, 0);
    t->panel->key(TextBox::kKeyLeft, 0);
    t->panel->key(TextBox::kKeyLeft, 0);
    EXPECT_EQ(box->cursor, 0);
    t->panel->key(200, 0);  // not printable: nothing
    t->panel->key(-5, 0);
    EXPECT_STREQ(box->text, "2ab");
    EXPECT_TRUE(box->needsRedraw);
}

TEST_F(TextBoxEditing, AFullFieldIgnoresFurtherCharacters) {
    Open();
    Type(std::string(300, 'x'));
    EXPECT_EQ(box->length, TextBox::kMaxLength);
    EXPECT_EQ(std::strlen(box->text), static_cast<size_t>(TextBox::kMaxLength));
    t->panel->draw();
}

TEST_F(TextBoxEditing, ReturnCommitsTheTextEscapeDropsItAndEditsIgnoreNotifications) {
    EventLog log;
    RecordingHost host(&log);
    t->plugin.SetPluginInterface(&host);
    Open();
    SetText("");
    Type("0.5");
    t->plugin.HostHasChangedParameter(0, 1.0f);  // ignored while edited
    EXPECT_STREQ(box->text, "0.5");
    t->panel->key(TextBox::kKeyReturn, 0);
    EXPECT_FALSE(box->IsSelected());
    EXPECT_FLOAT_EQ(t->plugin.params[0]->value, 0.5f);
    EXPECT_EQ(log.events, (std::vector<std::string>{"host 0"}));
    char shown[256];
    t->plugin.params[0]->GetTextualValue(shown, 255);
    EXPECT_STREQ(box->text, shown);  // reloaded as the parameter shows it

    Open();
    Type("999");
    t->panel->key(TextBox::kKeyEscape, 0);
    EXPECT_FALSE(box->IsSelected());
    EXPECT_STREQ(box->text, shown);
    EXPECT_FLOAT_EQ(t->plugin.params[0]->value, 0.5f);
    t->plugin.SetPluginInterface(nullptr);
}

}  // namespace
