#include "views/Bitmap.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>

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

// Per byte of a pixel: 0xFF for the colour bytes, 0 for the spare byte, which a blend clears.
constexpr std::array<uint8_t, 4> kColourBytes = [] {
    std::array<uint8_t, 4> bytes{0xFF, 0xFF, 0xFF, 0xFF};
    bytes[pixel::kSpare] = 0;
    return bytes;
}();

// The blend of one colour byte, src over dest, weighted by the mask's byte:
// (src * mask + dest * (255 - mask)) / 256. The sum is at most 255 * 255, so 16 bits hold it
// and the result is at most 254.
struct Blend {
    static uint8_t Mix(uint8_t s, uint8_t m, uint8_t d) {
        return static_cast<uint8_t>(static_cast<uint16_t>(s * m + d * (255 - m)) >> 8);
    }
};

// The source added over dest: min((src * mask + dest * 255) / 256, 255), worked out in 16 bits
// as dest + (src * mask - dest) / 256, where the quotient rounds down to (src * mask) / 256,
// less one when the low byte of src * mask is below dest.
struct Add {
    static uint8_t Mix(uint8_t s, uint8_t m, uint8_t d) {
        const uint16_t product = static_cast<uint16_t>(s * m);
        const uint16_t borrow = (product & 0xFF) < d ? 1 : 0;
        const uint16_t sum = static_cast<uint16_t>(d + (product >> 8) - borrow);
        return static_cast<uint8_t>(std::min<uint16_t>(sum, 255));
    }
};

// Pixels mixed at a time.
constexpr int kRunPixels = 8;
constexpr int kRunBytes = kRunPixels * 4;
constexpr std::array<uint8_t, kRunBytes> kRunColourBytes = [] {
    std::array<uint8_t, kRunBytes> bytes{};
    for (int i = 0; i < kRunBytes; ++i) bytes[i] = kColourBytes[i % 4];
    return bytes;
}();

bool Overlap(const uint8_t* a, const uint8_t* b, size_t bytes) {
    const std::less<const uint8_t*> before;
    return before(a, b + bytes) && before(b, a + bytes);
}

// A run of kRunPixels pixels mixed by a loop of fixed length that treats every byte alike
// and writes a copy aliasing none of the inputs: the compiler turns it into vector code.
using Run = std::array<uint8_t, kRunBytes>;

template <class Op>
Run MixRun(const uint8_t* s, const uint8_t* m, const uint8_t* d) {
    Run out;
    for (int i = 0; i < kRunBytes; ++i) out[i] = Op::Mix(s[i], m[i], d[i]) & kRunColourBytes[i];
    return out;
}

// Mixes count pixels of src into dest, weighted by the mask, and clears the spare bytes.
// Each pixel's result depends on its own source, mask and dest bytes only.
template <class Op>
void MixRow(const uint8_t* s, const uint8_t* m, uint8_t* d, int count) {
    const size_t bytes = static_cast<size_t>(count) * 4;
    if (Overlap(s, d, bytes) || Overlap(m, d, bytes)) {
        // A bitmap drawn onto itself: each pixel is read after the ones before it were
        // written, which a run, reading all its pixels first, would not do.
        for (size_t i = 0; i < bytes; ++i) d[i] = Op::Mix(s[i], m[i], d[i]) & kColourBytes[i % 4];
    } else if (bytes < kRunBytes) {
        // A short row: padded to a run, only its own bytes written back.
        uint8_t sr[kRunBytes] = {}, mr[kRunBytes] = {}, dr[kRunBytes] = {};
        std::memcpy(sr, s, bytes);
        std::memcpy(mr, m, bytes);
        std::memcpy(dr, d, bytes);
        std::memcpy(d, MixRun<Op>(sr, mr, dr).data(), bytes);
    } else {
        // Whole runs from the left; the last run ends at the row's end and may overlap the
        // one before it. It is mixed first, from the dest bytes as they were, so the bytes it
        // shares with that run come out the same from both.
        const size_t lastAt = bytes - kRunBytes;
        const Run last = MixRun<Op>(s + lastAt, m + lastAt, d + lastAt);
        for (size_t i = 0; i < lastAt; i += kRunBytes) {
            std::memcpy(d + i, MixRun<Op>(s + i, m + i, d + i).data(), kRunBytes);
        }
        std::memcpy(d + lastAt, last.data(), kRunBytes);
    }
}

template <class Op>
void MixRows(const ClippedCopy& c, const int32_t* from, int fromRow, const int32_t* weights,
             int maskRow, int32_t* to, int toRow) {
    for (int row = 0; row < c.bottom - c.top; ++row) {
        const int32_t* s = from + static_cast<ptrdiff_t>(c.top + row) * fromRow + c.left;
        const int32_t* m = weights + static_cast<ptrdiff_t>(c.top + row) * maskRow + c.left;
        int32_t* d = to + static_cast<ptrdiff_t>(c.y + row) * toRow + c.x;
        MixRow<Op>(pixel::Bytes(s), pixel::Bytes(m), pixel::Bytes(d), c.right - c.left);
    }
}

}  // namespace

Bitmap::Bitmap(int w, int h) : width(w), height(h), bounds{0, 0, 0, 0} {
    CreateBitmapOfSize(w, h);
}

Bitmap::Bitmap(const void* data, long len) : width(0), height(0), bounds{0, 0, 0, 0} {
    LoadBitmap(data, len);
}

Bitmap::~Bitmap() = default;

void Bitmap::FreeStore::operator()(int32_t* store) const {
    std::free(store);
}

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
    if (acceptable)
        pixels.reset(
            static_cast<int32_t*>(std::calloc(static_cast<size_t>(w) * h, sizeof(int32_t))));
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
    if (blend) {
        MixRows<Blend>(c, from, fromRow, weights, maskRow, to, toRow);
    } else {
        MixRows<Add>(c, from, fromRow, weights, maskRow, to, toRow);
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
