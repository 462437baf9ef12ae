// Drives a text box with arbitrary key codes, clicks and modifier changes, and draws it after
// every step: the text must stay within its buffer whatever arrives.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/Plugin.h"
#include "views/GUI.h"
#include "views/PluginGUI.h"
#include "views/StandardViewTypes.h"
#include "views/TextBox.h"
#include "views/ViewDefinition.h"
#include "views/WindowPort.h"

namespace {

class FuzzWindow : public WindowPort {
  public:
    Bitmap* GetBackBuffer() override { return &buffer; }
    void InvalidateRect(const PRect&) override {}
    void GetPointer(int* x, int* y) override {
        *x = 20;
        *y = 5;
    }
    bool AnyButtonDown() override { return false; }
    unsigned GetModifiers() override { return modifiers; }
    void SetClipboardData(int, const void*, int) override {}
    int GetClipboardDataSize(int) override { return 0; }
    int GetClipboardData(int, void*, int) override { return 0; }

    Bitmap buffer{120, 20};
    unsigned modifiers = 0;
};

struct Fixture {
    Fixture() {
        RegisterStandardViewTypes();
        std::memset(parameters, 0, sizeof parameters);
        parameters[0] = {0, "Text", 0.0f, 1.0f, 0.5f, 0, 0};
        rows[0] = {0, {0, 120, 0, 20}, "View", -1, false, "", {-1}};
        rows[1] = {1, {0, 100, 0, 7}, "TextBox", 0, false, "NoSheet.bmp", {0, -1}};
    }
    ParameterDefinition parameters[1];
    ViewDefinition rows[2];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture fixture;
    Plugin plugin(fixture.parameters, 1);
    PluginGUI panel(&plugin, fixture.rows, 2);
    FuzzWindow window;
    GUI surface(&window);
    panel.SetGUI(&surface);
    auto* box = static_cast<TextBox*>(panel.views[1]);
    // A font over a blank sheet of the right size, so drawing measures and plots glyphs.
    Bitmap sheet(100, 35);
    box->font = new Font(&sheet, 32, 5, 7, 20, 5, true);
    box->work = new Bitmap(100, 7);
    panel.mouse(20, 5, 0, 1);
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = data[i];
        if (b == 0xF0) {
            panel.mouse(20, 5, 0, 1);  // toggles editing
        } else if (b == 0xF1) {
            window.modifiers ^= kModifierCtrl;
        } else if (b == 0xF2) {
            plugin.HostHasChangedParameter(0, static_cast<float>(i % 7) / 6.0f);
        } else {
            panel.key(static_cast<int8_t>(b), 0);
        }
        panel.draw();
        if (box->length < 0 || box->length > TextBox::kMaxLength || box->cursor < 0 ||
            box->cursor > box->length ||
            std::strlen(box->text) != static_cast<size_t>(box->length)) {
            __builtin_trap();
        }
    }
    panel.SetGUI(nullptr);
    return 0;
}
