#include "views/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "views/BmpDecoder.h"

namespace {

// The part of a copy that survives clipping: rows T..B-1 and columns L..R-1 of the source go
// to (x, y) of the destination.
struct ClippedCopy {
    int left, right, top, bottom;
    int x, y;
    bool IsEmpty() const { return left >= right || top >= bottom; }
};

// Clips the source rectangle to the source's size and the destination to its size, keeping
// every surviving pixel at the place it would have had without clipping.
ClippedCopy Clip(const PRect& src, int srcWidth, int srcHeight, int x, int y, int destWidth,
                 int destHeight) {
    // 64-bit arithmetic: rectangles and positions come from callers and may be extreme.
    int64_t l = src.left, r = src.right, t = src.top, b = src.bottom;
    int64_t dx = x, dy = y;
    if (t < 0) {
        dy -= t;
        t = 0;
    }
    if (l < 0) {
        dx -= l;
        l = 0;
    }
    r = std::min<int64_t>(r, srcWidth);
    b = std::min<int64_t>(b, srcHeight);
    if (dx < 0) {
        l -= dx;
        dx = 0;
    }
    if (dy < 0) {
        t -= dy;
        dy = 0;
    }
    ClippedCopy c{0, 0, 0, 0, 0, 0};
    if (l >= r || t >= b || dx >= destWidth || dy >= destHeight) return c;
    if (dx + (r - l) > destWidth) r = l + destWidth - dx;
    if (dy + (b - t) > destHeight) b = t + destHeight - dy;
    if (l >= r || t >= b) return c;
    c = {static_cast<int>(l), static_cast<int>(r),  static_cast<int>(t),
         static_cast<int>(b), static_cast<int>(dx), static_cast<int>(dy)};
    return c;
}

}  // namespace

Bitmap::Bitmap(int w, int h) : width(w), height(h), bounds{0, 0, 0, 0} {
    CreateBitmapOfSize(w, h);
}

Bitmap::Bitmap(const void* data, long len) : width(0), height(0), bounds{0, 0, 0, 0} {
    LoadBitmap(data, len);
}

Bitmap::~Bitmap() = default;

int32_t* Bitmap::GetBits() {
    return pixels.get();
}

void Bitmap::ReleaseBits() {}

int Bitmap::GetRowLength() const {
    return pixels ? bounds.right : 0;
}

bool Bitmap::ThereIsBitmapData() const {
    return pixels != nullptr;
}

void Bitmap::CreateBitmapOfSize(int w, int h) {
    if (pixels) return;
    const bool acceptable =
        w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && int64_t{w} * h <= kMaxPixels;
    if (acceptable) pixels.reset(new (std::nothrow) int32_t[static_cast<size_t>(w) * h]());
    if (!pixels) {
        width = height = 0;
        bounds = {0, 0, 0, 0};
        return;
    }
    bounds = {0, w, 0, h};
}

void Bitmap::LoadBitmap(const void* data, long len) {
    if (pixels) return;
    BmpLayout layout;
    if (!ParseBmp(data, len, &layout)) return;
    width = layout.width;
    height = layout.height;
    CreateBitmapOfSize(width, height);
    int32_t* bits = GetBits();
    if (!bits) return;
    DecodeBmpPixels(layout, bits, GetRowLength());
    ReleaseBits();
}

void Bitmap::BlitIntoBitmap(Bitmap* dest, int x, int y, const PRect* src) {
    if (!dest || !pixels || !dest->ThereIsBitmapData()) return;
    const ClippedCopy c =
        Clip(src ? *src : bounds, width, height, x, y, dest->GetWidth(), dest->GetHeight());
    if (c.IsEmpty()) return;
    int32_t* from = GetBits();
    int32_t* to = dest->GetBits();
    const int fromRow = GetRowLength();
    const int toRow = dest->GetRowLength();
    const size_t rowBytes = static_cast<size_t>(c.right - c.left) * sizeof(int32_t);
    for (int row = 0; row < c.bottom - c.top; ++row) {
        // memmove: a bitmap may be copied onto itself.
        std::memmove(to + static_cast<ptrdiff_t>(c.y + row) * toRow + c.x,
                     from + static_cast<ptrdiff_t>(c.top + row) * fromRow + c.left, rowBytes);
    }
    ReleaseBits();
    dest->ReleaseBits();
}

void Bitmap::BlitAlphaIntoBitmap(Bitmap* dest, Bitmap* mask, int x, int y, const PRect* src,
                                 bool blend) {
    if (!dest || !mask || !pixels || !dest->ThereIsBitmapData() || !mask->ThereIsBitmapData())
        return;
    if (mask->GetWidth() != width || mask->GetHeight() != height) return;
    const ClippedCopy c =
        Clip(src ? *src : bounds, width, height, x, y, dest->GetWidth(), dest->GetHeight());
    if (c.IsEmpty()) return;
    int32_t* from = GetBits();
    int32_t* to = dest->GetBits();
    int32_t* weights = mask->GetBits();
    const int fromRow = GetRowLength();
    const int toRow = dest->GetRowLength();
    const int maskRow = mask->GetRowLength();
    for (int row = 0; row < c.bottom - c.top; ++row) {
        const int32_t* s = from + static_cast<ptrdiff_t>(c.top + row) * fromRow + c.left;
        const int32_t* m = weights + static_cast<ptrdiff_t>(c.top + row) * maskRow + c.left;
        int32_t* d = to + static_cast<ptrdiff_t>(c.y + row) * toRow + c.x;
        for (int col = 0; col < c.right - c.left; ++col) {
            const uint8_t* sb = pixel::Bytes(s + col);
            const uint8_t* mb = pixel::Bytes(m + col);
            uint8_t* db = pixel::Bytes(d + col);
            for (int k = pixel::kRed; k <= pixel::kBlue; ++k) {
                const unsigned keep = blend ? 255u - mb[k] : 255u;
                const unsigned out = (unsigned{sb[k]} * mb[k] + unsigned{db[k]} * keep) >> 8;
                db[k] = static_cast<uint8_t>(std::min(out, 255u));
            }
            db[pixel::kSpare] = 0;
        }
    }
    ReleaseBits();
    dest->ReleaseBits();
    mask->ReleaseBits();
}

int Bitmap::GetWidth() const {
    return width;
}

int Bitmap::GetHeight() const {
    return height;
}

void Bitmap::EraseBitmap(long c) {
    int32_t* bits = GetBits();
    if (!bits) return;
    std::memset(bits, static_cast<uint8_t>(c),
                static_cast<size_t>(height) * GetRowLength() * sizeof(int32_t));
    ReleaseBits();
}

void Bitmap::PlotPoint(int x, int y, long c) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    int32_t* bits = GetBits();
    if (!bits) return;
    pixel::Store(bits + static_cast<ptrdiff_t>(y) * GetRowLength() + x, c);
    ReleaseBits();
}

long Bitmap::GetPixel(int x, int y) const {
    if (!pixels || x < 0 || y < 0 || x >= width || y >= height) return 0;
    return pixel::Load(pixels.get() + static_cast<ptrdiff_t>(y) * GetRowLength() + x);
}
