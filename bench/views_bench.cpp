// Decoding a full-panel skin image, and a full redraw of a panel-sized view tree into the
// window's back buffer.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/Plugin.h"
#include "core/Resource.h"
#include "tests/views/ViewsTestSupport.h"
#include "views/Bitmap.h"
#include "views/GUI.h"
#include "views/PluginGUI.h"
#include "views/StandardViewTypes.h"
#include "views/ViewDefinition.h"
#include "views/WindowPort.h"

namespace {

constexpr int kPanelWidth = 764;
constexpr int kPanelHeight = 392;

// A 24-bit BMP with a smooth pattern, so the decoder has no runs to take advantage of.
std::vector<unsigned char> PatternBmp(int width, int height) {
    std::vector<long> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[static_cast<size_t>(y) * width + x] =
                ((x + y) & 0xFF) << 16 | (y & 0xFF) << 8 | (x & 0xFF);
    return testing_views::MakeBmp24(width, height, pixels);
}

class BenchWindow : public WindowPort {
  public:
    Bitmap* GetBackBuffer() override { return &buffer; }
    void InvalidateRect(const PRect&) override {}
    void GetPointer(int* x, int* y) override { *x = *y = 0; }
    bool AnyButtonDown() override { return false; }
    unsigned GetModifiers() override { return 0; }
    void SetClipboardData(int, const void*, int) override {}
    int GetClipboardDataSize(int) override { return 0; }
    int GetClipboardData(int, void*, int) override { return 0; }
    Bitmap buffer{kPanelWidth, kPanelHeight};
};

void BM_DecodePanelBmp(benchmark::State& state) {
    const std::vector<unsigned char> data = PatternBmp(kPanelWidth, kPanelHeight);
    for (auto _ : state) {
        Bitmap b(data.data(), static_cast<long>(data.size()));
        benchmark::DoNotOptimize(b.GetBits());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.size()));
}
BENCHMARK(BM_DecodePanelBmp)->Unit(benchmark::kMillisecond);

// A root canvas with the whole-panel background, 89 film-strip knobs of 40 x 40 in a grid.
void BM_FullRedrawOf90Views(benchmark::State& state) {
    static bool registered = false;
    if (!registered) {
        RegisterStandardViewTypes();
        registered = true;
    }
    g_resources.ClearAll();
    testing_views::AddResource("Background.bmp", PatternBmp(kPanelWidth, kPanelHeight));
    testing_views::AddResource("Strip.bmp", PatternBmp(40 * 64, 40));

    std::vector<ParameterDefinition> parameters(89);
    for (int i = 0; i < 89; ++i) {
        parameters[i] = {};
        parameters[i].id = i;
        std::snprintf(parameters[i].name, sizeof parameters[i].name, "Knob %d", i);
        parameters[i].max = 1.0f;
        parameters[i].defaultValue = static_cast<float>(i) / 89.0f;
    }
    Plugin plugin(parameters.data(), parameters.size());

    std::vector<ViewDefinition> rows(90);
    rows[0] = {0, {0, kPanelWidth, 0, kPanelHeight}, "Canvas", -1, false, "Background.bmp", {-1}};
    for (int k = 1; k < 90; ++k) {
        const int col = (k - 1) % 18, row = (k - 1) / 18;
        ViewDefinition& r = rows[k];
        r = {};
        r.id = k;
        r.rect = {4 + col * 42, 4 + col * 42 + 40, 4 + row * 78, 4 + row * 78 + 40};
        r.typeName = "Knob";
        r.parentRow = 0;
        r.initText = "Strip.bmp";
        r.relatedParameters[0] = k - 1;
        r.relatedParameters[1] = -1;
    }
    PluginGUI panel(&plugin, rows.data(), 90);
    BenchWindow window;
    GUI surface(&window);
    panel.SetGUI(&surface);
    for (auto _ : state) {
        panel.views[0]->RedrawRecursive();
        panel.draw();
        benchmark::DoNotOptimize(window.buffer.GetBits());
    }
    panel.SetGUI(nullptr);
}
BENCHMARK(BM_FullRedrawOf90Views)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
