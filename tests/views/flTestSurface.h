#pragma once
// A headless panel for the custom controls' tests: the scripted window, images made by the
// test and put into the shared bitmap cache under their names, a plug-in over a small
// parameter table, and a panel built from rows the test adds.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "core/Plugin.h"
#include "tests/views/ScriptedWindow.h"
#include "tests/views/ViewsTestSupport.h"
#include "views/PluginGUI.h"
#include "views/ViewRegistry.h"
#include "views/flButton.h"
#include "views/flCanvas.h"
#include "views/flFader.h"
#include "views/flKnob.h"
#include "views/flLed.h"
#include "views/flPPM.h"
#include "views/flPushButton.h"
#include "views/flTray.h"

namespace fltest {

// One channel of a masked blend at full weight.
constexpr int FullBlend(int s) {
    return (s * 255) >> 8;
}
inline int Red(long c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
// The test panel's background: red is x and green is y, so a crop shows where it came from.
constexpr long Background(int x, int y) {
    return (long{x} << 16) | (long{y} << 8);
}

inline void AddImage(const char* name, int w, int h, const std::function<long(int, int)>& colour) {
    std::vector<long> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixels.push_back(colour(x, y));
    const auto bmp = testing_views::MakeBmp24(w, h, pixels);
    auto* b = new PluginGUI::NamedBitmap(bmp.data(), static_cast<long>(bmp.size()));
    b->name = name;
    PluginGUI::bitmaps.push_back(b);  // as if the archive held it; the last panel frees it
}
inline void AddSolid(const char* name, int w, int h, long c) {
    AddImage(name, w, h, [c](int, int) { return c; });
}
// An image of random colours, different for each seed.
inline void AddNoise(const char* name, int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    AddImage(name, w, h, [&rng](int, int) { return static_cast<long>(rng() & 0xFFFFFF); });
}
// A mask as skins draw them, different for each seed: opaque, clear and soft pixels.
inline void AddSoftMask(const char* name, int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    AddImage(name, w, h, [&rng](int, int) {
        const long levels[] = {0, 0xFFFFFF, static_cast<long>(rng() & 0xFFFFFF)};
        return levels[rng() % 3];
    });
}

// The pixels of r in the image, row by row.
inline std::vector<long> Pixels(const Bitmap& image, const PRect& r) {
    std::vector<long> pixels;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) pixels.push_back(image.GetPixel(x, y));
    return pixels;
}

inline ParameterDefinition Param(float def, float max = 1.0f, int32_t law = kLawLinear) {
    return {0, "P", law == kLawDiscrete ? 1.0f : 0.0f, max, def, kUnitNone, law};
}
inline ParameterDefinition Switch() {
    return {0, "S", 0.0f, 1.0f, 0.0f, kUnitSwitch, kLawDiscrete};
}

struct ChangeLog : Plugin::ParameterObserver {
    void NotifyParameterChanged(int index) override { changes.push_back(index); }
    std::vector<int> changes;
};

class flPanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_views::EnsureStandardTypesRegistered();  // "View" for plain containers
        static bool registered = false;
        if (!registered) {
            registered = true;
#define FL_REGISTER(T) AddViewType(#T, RegistrationHelper<T>::Create)
            FL_REGISTER(flKnob), FL_REGISTER(flKnob4), FL_REGISTER(flKnob5), FL_REGISTER(flHSlider);
            FL_REGISTER(flVSlider), FL_REGISTER(flVSlider2), FL_REGISTER(flButton),
                FL_REGISTER(flButton3);
            FL_REGISTER(flPushButton), FL_REGISTER(flTray5), FL_REGISTER(flTray6),
                FL_REGISTER(flCanvas);
            FL_REGISTER(flExtLed), FL_REGISTER(flRateLed), FL_REGISTER(flPPM),
                FL_REGISTER(flLogoButton);
#undef FL_REGISTER
        }
        AddImage("Back.bmp", 200, 160, Background);
    }
    void TearDown() override {
        panel.reset();
    }  // the last panel empties the cache

    // Adds a row (under the root unless a parent is given); returns its id.
    ViewID Add(const char* type, PRect r, const char* init, std::vector<int> slots, int parent = 0,
               bool hidden = false) {
        const auto id = static_cast<ViewID>(rows.size());
        rows.push_back(testing_views::Row(id, r, type, parent, init, std::move(slots), hidden));
        return id;
    }
    void Build() {
        plugin = std::make_unique<Plugin>(params.data(), params.size());
        panel =
            std::make_unique<PluginGUI>(plugin.get(), rows.data(), static_cast<int>(rows.size()));
        plugin->observers.push_back(&log);
        panel->CreateGUI(&window);
        panel->draw();
        log.changes.clear();
    }
    template <class T>
    T* At(ViewID id) {
        return dynamic_cast<T*>(panel->GetView(id));
    }

    float Value(int i) {
        return plugin->params[i]->value;
    }
    float UserValue(int i) {
        return plugin->params[i]->GetUnNormalisedValue();
    }
    // Changes from elsewhere in the program reach the controls as notifications.
    void Set(int i, float v) {
        plugin->HostHasChangedParameter(i, v);
    }
    void SetUser(int i, float v) {
        plugin->HostHasChangedParameterUnnormalised(i, v);
    }

    void Press(int x, int y) {
        window.Press(x, y);
        panel->mouse(x, y, 0, 1);
    }
    // Lets go where the pointer is, then the idle pass that finds the button up.
    void Release() {
        window.Release();
        panel->mouse(window.pointerX, window.pointerY, 0, 0);
        panel->idle();
    }
    // One drag step with the pointer at (x, y).
    void MoveTo(int x, int y) {
        window.MoveTo(x, y);
        panel->idle();
    }
    void Click(int x, int y) {
        Press(x, y);
        Release();
    }
    void AltClick(int x, int y) {
        window.modifiers = kModifierAlt;
        Click(x, y);
        window.modifiers = 0;
    }
    long Shown(int x, int y) {
        panel->draw();
        return window.buffer->GetPixel(x, y);
    }
    // What the panel shows of the view's rectangle.
    std::vector<long> ShownPicture(ViewID id) {
        panel->draw();
        return Pixels(*window.buffer, panel->GetView(id)->rect);
    }
    // What a new control of the view's row shows when it is initialised with init, given its
    // state by set and drawn once: the picture with no earlier draw behind it.
    template <class T>
    std::vector<long> FreshPicture(ViewID id, const char* init,
                                   const std::function<void(T*)>& set) {
        T fresh(&rows[id], panel.get());
        fresh.Initialise(init);
        set(&fresh);
        ScriptedWindow elsewhere{200, 160};
        GUI surface(&elsewhere);
        surface.StartRedraw();
        fresh.draw(&surface);
        surface.EndRedraw();
        return Pixels(*elsewhere.buffer, fresh.rect);
    }

    std::vector<ParameterDefinition> params;
    // Row 0: a canvas without a picture over the whole window.
    std::vector<ViewDefinition> rows{testing_views::Row(0, {0, 200, 0, 160}, "flCanvas", -1, "")};
    std::unique_ptr<Plugin> plugin;
    std::unique_ptr<PluginGUI> panel;
    ScriptedWindow window{200, 160};
    ChangeLog log;
};

}  // namespace fltest
