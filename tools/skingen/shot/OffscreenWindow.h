#pragma once
// A window without a screen: the back buffer is all there is. The pointer rests outside
// every control and no button or modifier is ever held.

#include <memory>

#include "views/Bitmap.h"
#include "views/WindowPort.h"

class OffscreenWindow : public WindowPort {
  public:
    OffscreenWindow(int width, int height) : buffer_(std::make_unique<Bitmap>(width, height)) {
        buffer_->EraseBitmap(0);
    }

    Bitmap* GetBackBuffer() override { return buffer_.get(); }
    void InvalidateRect(const PRect&) override {}
    void GetPointer(int* x, int* y) override {
        *x = -1000;
        *y = -1000;
    }
    bool AnyButtonDown() override { return false; }
    unsigned GetModifiers() override { return 0; }
    void SetClipboardData(int, const void*, int) override {}
    int GetClipboardDataSize(int) override { return 0; }
    int GetClipboardData(int, void*, int) override { return 0; }

  private:
    std::unique_ptr<Bitmap> buffer_;
};
