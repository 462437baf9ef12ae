#pragma once
// A window for headless tests: its pointer, buttons and modifiers are whatever the test sets,
// it records every invalidated rectangle and keeps an in-memory clipboard.

#include <map>
#include <memory>
#include <vector>

#include "views/Bitmap.h"
#include "views/WindowPort.h"

class ScriptedWindow : public WindowPort {
  public:
    ScriptedWindow(int width, int height) : buffer(std::make_unique<Bitmap>(width, height)) {
        buffer->EraseBitmap(0);
    }

    Bitmap* GetBackBuffer() override {
        return buffer->ThereIsBitmapData() ? buffer.get() : nullptr;
    }
    void InvalidateRect(const PRect& changed) override { invalidated.push_back(changed); }
    void GetPointer(int* x, int* y) override {
        *x = pointerX;
        *y = pointerY;
    }
    bool AnyButtonDown() override { return buttonDown; }
    unsigned GetModifiers() override { return modifiers; }
    void SetClipboardData(int flavour, const void* data, int size) override {
        clipboard.clear();
        const auto* bytes = static_cast<const unsigned char*>(data);
        clipboard[flavour].assign(bytes, bytes + size);
    }
    int GetClipboardDataSize(int flavour) override {
        auto it = clipboard.find(flavour);
        return it == clipboard.end() ? 0 : static_cast<int>(it->second.size());
    }
    int GetClipboardData(int flavour, void* buf, int capacity) override {
        auto it = clipboard.find(flavour);
        if (it == clipboard.end()) return 0;
        const int n = std::min(capacity, static_cast<int>(it->second.size()));
        std::copy(it->second.begin(), it->second.begin() + n, static_cast<unsigned char*>(buf));
        return n;
    }

    // Script helpers.
    void MoveTo(int x, int y) {
        pointerX = x;
        pointerY = y;
    }
    void Press(int x, int y) {
        MoveTo(x, y);
        buttonDown = true;
    }
    void Release() { buttonDown = false; }

    std::unique_ptr<Bitmap> buffer;
    int pointerX = 0;
    int pointerY = 0;
    bool buttonDown = false;
    unsigned modifiers = 0;
    std::vector<PRect> invalidated;
    std::map<int, std::vector<unsigned char>> clipboard;
};
