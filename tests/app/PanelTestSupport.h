#pragma once
// Shared by the skin and panel tests: the generated archive, a window without a screen whose
// pointer and button the test sets, and pixel comparisons of drawn regions.

#include <unistd.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Resource.h"
#include "views/Bitmap.h"
#include "views/WindowPort.h"

namespace paneltest {

// ProjectResources.res as the build generates it: <build>/app/, two levels above this test
// executable's folder <build>/tests/app/.
inline std::string GeneratedArchivePath() {
    char exe[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path(exe, n > 0 ? size_t(n) : 0);
    for (int up = 0; up < 3 && !path.empty(); ++up) path.erase(path.find_last_of('/'));
    return path + "/app/ProjectResources.res";
}

// Loads the generated archive into g_resources; false when it is missing or empty.
inline bool LoadGeneratedArchive() {
    g_resources.LoadFile(GeneratedArchivePath().c_str());
    return !g_resources.elements.empty();
}

class TestWindow : public WindowPort {
  public:
    TestWindow(int width, int height) : buffer(std::make_unique<Bitmap>(width, height)) {
        buffer->EraseBitmap(0);
    }

    Bitmap* GetBackBuffer() override { return buffer.get(); }
    void InvalidateRect(const PRect&) override {}
    void GetPointer(int* x, int* y) override {
        *x = pointerX;
        *y = pointerY;
    }
    bool AnyButtonDown() override { return buttonDown; }
    unsigned GetModifiers() override { return 0; }
    void SetClipboardData(int, const void*, int) override {}
    int GetClipboardDataSize(int) override { return 0; }
    int GetClipboardData(int, void*, int) override { return 0; }

    std::unique_ptr<Bitmap> buffer;
    int pointerX = -100;
    int pointerY = -100;
    bool buttonDown = false;
};

// The colours (0xRRGGBB) of a rectangle of a bitmap, row by row.
inline std::vector<uint32_t> Pixels(Bitmap* b, const PRect& r) {
    std::vector<uint32_t> out;
    const auto* bits = reinterpret_cast<const uint8_t*>(b->GetBits());
    const int row = b->GetRowLength();
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const uint8_t* p = bits + (size_t(y) * row + x) * 4;
            out.push_back(uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]);
        }
    b->ReleaseBits();
    return out;
}

// How many pixels of two equally sized regions differ.
inline int Differences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    int n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
    return n;
}

// Writes an archive of the given elements in the format Resource::LoadFile reads.
inline bool WriteArchive(const std::string& path, const std::vector<ResourceElement*>& items) {
    std::vector<uint8_t> out;
    auto put = [&out](uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
    };
    put(uint32_t(items.size()));
    const size_t directory = out.size();
    out.resize(out.size() + 8 * items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const uint32_t nameAt = uint32_t(out.size());
        for (const char* c = items[i]->name; *c; ++c) out.push_back(uint8_t(*c));
        out.push_back(0);
        const uint32_t dataAt = uint32_t(out.size());
        put(uint32_t(items[i]->length));
        put(0);
        out.insert(out.end(), items[i]->data, items[i]->data + items[i]->length);
        for (int s = 0; s < 4; ++s) {
            out[directory + 8 * i + s] = uint8_t(nameAt >> (24 - 8 * s));
            out[directory + 8 * i + 4 + s] = uint8_t(dataAt >> (24 - 8 * s));
        }
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace paneltest
