// A full redraw of each device panel, built from the generated skin archive as the
// application builds it, next to a memcpy of as many bytes as the panel's back buffer holds.
//
//   panel_redraw_bench [--benchmark_repetitions=N] [other Google Benchmark flags]
//
// After the usual table it prints one line per panel, from the least time of each pair:
//
//   ratio <panel> <width>x<height> redraw_us=<t> memcpy_us=<t> ratio=<redraw/memcpy>
//
// The archive is <build>/app/ProjectResources.res; MIROVAN_SKIN_ARCHIVE names another.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/DevicePanels.h"
#include "app/ProjectPlug.h"
#include "core/Resource.h"
#include "device/MeterData.h"
#include "device/MirovanPlugin.h"
#include "views/Bitmap.h"
#include "views/GUI.h"
#include "views/WindowPort.h"

namespace {

// A window without a screen; the pointer rests outside every control.
class OffscreenWindow : public WindowPort {
  public:
    OffscreenWindow(int width, int height) : buffer(width, height) {}
    Bitmap* GetBackBuffer() override { return &buffer; }
    void InvalidateRect(const PRect&) override {}
    void GetPointer(int* x, int* y) override { *x = *y = -1000; }
    bool AnyButtonDown() override { return false; }
    unsigned GetModifiers() override { return 0; }
    void SetClipboardData(int, const void*, int) override {}
    int GetClipboardDataSize(int) override { return 0; }
    int GetClipboardData(int, void*, int) override { return 0; }
    Bitmap buffer;
};

struct PanelKind {
    const char* name;
    std::function<std::unique_ptr<MirovanGUI>(MirovanPlugin*)> make;
};

const PanelKind kPanels[] = {
    {"normal", [](MirovanPlugin* p) { return std::make_unique<MirovanNormalGUI>(p); }},
    {"96k", [](MirovanPlugin* p) { return std::make_unique<Mirovan96kGUI>(p); }},
    {"shrink", [](MirovanPlugin* p) { return std::make_unique<MirovanShrinkGUI>(p); }},
    {"ac3", [](MirovanPlugin* p) { return std::make_unique<MirovanAC3GUI>(p); }},
};

// Meter levels of a running device, so the meters draw lit bars of different heights.
MeterData SampleLevels() {
    MeterData m;
    const float inputs[6] = {0.30f, 0.22f, 0.55f, 0.48f, 0.08f, 0.12f};
    const float outputs[8] = {0.62f, 0.58f, 0.35f, 0.31f, 0.18f, 0.21f, 0.05f, 0.07f};
    for (int i = 0; i < 6; ++i) m.level[i] = inputs[i];
    for (int i = 0; i < 8; ++i) m.level[10 + i] = outputs[i];
    return m;
}

MirovanPlugin& Plugin() {
    static MirovanPlugin plugin;
    return plugin;
}

void BM_PanelRedraw(benchmark::State& state, const PanelKind* kind) {
    std::unique_ptr<MirovanGUI> panel = kind->make(&Plugin());
    int w = 0, h = 0;
    panel->GetSize(w, h);
    OffscreenWindow window(w, h);
    GUI surface(&window);
    panel->SetGUI(&surface);
    const MeterData levels = SampleLevels();
    panel->UpdateMeters(&levels);
    for (auto _ : state) {
        panel->draw();
        benchmark::DoNotOptimize(window.buffer.GetBits());
        benchmark::ClobberMemory();
    }
    panel->SetGUI(nullptr);
    state.SetBytesProcessed(state.iterations() * int64_t{w} * h * 4);
}

void BM_Memcpy(benchmark::State& state, const PanelKind* kind) {
    std::unique_ptr<MirovanGUI> panel = kind->make(&Plugin());
    int w = 0, h = 0;
    panel->GetSize(w, h);
    const size_t bytes = size_t(w) * h * 4;
    std::vector<char> from(bytes, 1), to(bytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bytes));
}

// The console table, then the ratio of each panel's least redraw time to its least memcpy.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    // Colours only on a terminal, so a script reads plain text.
    RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            // Names are "<kind>/<panel>".
            const std::string name = run.run_name.function_name;
            const size_t slash = name.find('/');
            if (slash == std::string::npos) continue;
            const double us =
                run.GetAdjustedRealTime() * (1e6 / benchmark::GetTimeUnitMultiplier(run.time_unit));
            auto& best = least[name.substr(slash + 1)][name.substr(0, slash)];
            best = best == 0.0 ? us : std::min(best, us);
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const PanelKind& kind : kPanels) {
            auto found = least.find(kind.name);
            if (found == least.end()) continue;
            const double redraw = found->second["redraw"], copy = found->second["memcpy"];
            if (redraw == 0.0 || copy == 0.0) continue;
            std::unique_ptr<MirovanGUI> panel = kind.make(&Plugin());
            int w = 0, h = 0;
            panel->GetSize(w, h);
            std::printf("ratio %s %dx%d redraw_us=%.2f memcpy_us=%.2f ratio=%.2f\n", kind.name, w,
                        h, redraw, copy, redraw / copy);
        }
        std::fflush(stdout);
    }

  private:
    std::map<std::string, std::map<std::string, double>> least;
};

std::string ArchivePath() {
    const char* chosen = std::getenv("MIROVAN_SKIN_ARCHIVE");
    return chosen && *chosen ? chosen : MIROVAN_GENERATED_ARCHIVE;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const std::string archive = ArchivePath();
    g_resources.LoadFile(archive.c_str());
    if (g_resources.elements.empty()) {
        std::fprintf(stderr, "panel_redraw_bench: %s holds no images\n", archive.c_str());
        return 1;
    }
    RegisterViewTypes();
    for (const PanelKind& kind : kPanels) {
        benchmark::RegisterBenchmark((std::string("redraw/") + kind.name).c_str(), BM_PanelRedraw,
                                     &kind)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string("memcpy/") + kind.name).c_str(), BM_Memcpy, &kind)
            ->Unit(benchmark::kMicrosecond);
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
