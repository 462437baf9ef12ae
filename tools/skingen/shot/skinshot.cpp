// skinshot ARCHIVE OUTDIR [--lit | --quiet]
// Builds each of the five panels over the device plug-in at its default parameter values,
// through the real view code and the given resource archive, draws it into an off-screen
// back buffer and writes OUTDIR/<panel>.bmp. The device panels' meters are first given one
// fixed set of levels, as a running device would, so the pictures show them lit.
// With --lit every switch is on and the meters clip: the lit pictures, for checking.
// With --quiet the meters stay at rest: what the program shows with no device, to compare
// its screen with pixel for pixel.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/DevicePanels.h"
#include "app/ProjectPlug.h"
#include "core/Resource.h"
#include "device/MeterData.h"
#include "device/MirovanPlugin.h"
#include "tools/skingen/BmpFile.h"
#include "tools/skingen/shot/OffscreenWindow.h"

namespace {

Image ToImage(Bitmap* b) {
    Image out(b->GetWidth(), b->GetHeight());
    const auto* bits = reinterpret_cast<const uint8_t*>(b->GetBits());
    const int row = b->GetRowLength();
    // Pixels are a spare byte, then red, green, blue.
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x) {
            const uint8_t* p = bits + (size_t(y) * row + x) * 4;
            out.Set(x, y, Rgb(p[1], p[2], p[3]));
        }
    b->ReleaseBits();
    return out;
}

bool g_lit = false;
bool g_quiet = false;

MeterData SampleLevels() {
    MeterData m;
    if (g_lit) {
        for (float& l : m.level) l = 1.5f;
        return m;
    }
    const float inputs[6] = {0.30f, 0.22f, 0.55f, 0.48f, 0.08f, 0.12f};
    const float outputs[8] = {0.62f, 0.58f, 0.35f, 0.31f, 0.18f, 0.21f, 0.05f, 0.07f};
    for (int i = 0; i < 6; ++i) m.level[i] = inputs[i];
    for (int i = 0; i < 8; ++i) m.level[10 + i] = outputs[i];
    return m;
}

bool Render(PluginGUI* panel, const std::string& path) {
    int w = 0, h = 0;
    panel->GetSize(w, h);
    OffscreenWindow window(w, h);
    GUI surface(&window);
    panel->SetGUI(&surface);
    if (auto* device = dynamic_cast<MirovanGUI*>(panel)) {
        const MeterData levels = g_quiet ? MeterData() : SampleLevels();
        device->UpdateMeters(&levels);
    }
    panel->draw();
    panel->SetGUI(nullptr);

    const std::vector<uint8_t> bmp = EncodeBmp24(ToImage(window.GetBackBuffer()));
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bmp.data(), 1, bmp.size(), f) == bmp.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

// Every on/off setting that a panel shows lit, switched on.
void SwitchEverythingOn(MirovanPlugin& plugin) {
    const int switches[] = {2,  3,  4,  5,  41, 42, 43, 44, 45, 46,
                            47, 48, 49, 58, 59, 60, 61, 62, 63, 71};
    for (int p : switches) plugin.params[p]->value = 1.0f;
}

int main(int argc, char** argv) {
    g_lit = argc == 4 && std::string(argv[3]) == "--lit";
    g_quiet = argc == 4 && std::string(argv[3]) == "--quiet";
    if (argc != 3 && !g_lit && !g_quiet) {
        std::fprintf(stderr, "usage: skinshot ARCHIVE OUTDIR [--lit | --quiet]\n");
        return 1;
    }
    g_resources.LoadFile(argv[1]);
    if (g_resources.elements.empty()) {
        std::fprintf(stderr, "skinshot: %s holds no images\n", argv[1]);
        return 1;
    }
    RegisterViewTypes();
    MirovanPlugin plugin;
    if (g_lit) SwitchEverythingOn(plugin);
    const std::string dir = argv[2];

    struct Shot {
        const char* file;
        std::unique_ptr<PluginGUI> panel;
    };
    Shot shots[] = {
        {"normal", std::make_unique<MirovanNormalGUI>(&plugin)},
        {"shrink", std::make_unique<MirovanShrinkGUI>(&plugin)},
        {"96k", std::make_unique<Mirovan96kGUI>(&plugin)},
        {"ac3", std::make_unique<MirovanAC3GUI>(&plugin)},
        {"connection-lost", std::make_unique<ConnectionLostGUI>(&plugin)},
    };
    for (Shot& s : shots) {
        const std::string path = dir + "/" + s.file + ".bmp";
        if (!Render(s.panel.get(), path)) {
            std::fprintf(stderr, "skinshot: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
