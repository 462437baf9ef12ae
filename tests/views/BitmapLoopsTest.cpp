// The copy, blend and fill loops of Bitmap and BitmapDrawing against the straightforward
// per-pixel, per-channel loops they replaced, kept here as the reference: random and edge
// inputs must leave every byte of every bitmap the same.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "views/Bitmap.h"
#include "views/BitmapDrawing.h"

namespace {

// --- The reference: the loops as they were first written ---

struct ClippedCopy {
    int left, right, top, bottom;
    int x, y;
    bool IsEmpty() const { return left >= right || top >= bottom; }
};

ClippedCopy Clip(const PRect& src, int srcWidth, int srcHeight, int x, int y, int destWidth,
                 int destHeight) {
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

void ReferenceBlit(Bitmap* self, Bitmap* dest, int x, int y, const PRect* src) {
    if (!dest || !self->ThereIsBitmapData() || !dest->ThereIsBitmapData()) return;
    const ClippedCopy c = Clip(src ? *src : self->bounds, self->width, self->height, x, y,
                               dest->GetWidth(), dest->GetHeight());
    if (c.IsEmpty()) return;
    int32_t* from = self->GetBits();
    int32_t* to = dest->GetBits();
    const int fromRow = self->GetRowLength();
    const int toRow = dest->GetRowLength();
    const size_t rowBytes = static_cast<size_t>(c.right - c.left) * sizeof(int32_t);
    for (int row = 0; row < c.bottom - c.top; ++row) {
        std::memmove(to + static_cast<ptrdiff_t>(c.y + row) * toRow + c.x,
                     from + static_cast<ptrdiff_t>(c.top + row) * fromRow + c.left, rowBytes);
    }
}

void ReferenceBlend(Bitmap* self, Bitmap* dest, Bitmap* mask, int x, int y, const PRect* src,
                    bool blend) {
    if (!dest || !mask || !self->ThereIsBitmapData() || !dest->ThereIsBitmapData() ||
        !mask->ThereIsBitmapData())
        return;
    if (mask->GetWidth() != self->width || mask->GetHeight() != self->height) return;
    const ClippedCopy c = Clip(src ? *src : self->bounds, self->width, self->height, x, y,
                               dest->GetWidth(), dest->GetHeight());
    if (c.IsEmpty()) return;
    int32_t* from = self->GetBits();
    int32_t* to = dest->GetBits();
    int32_t* weights = mask->GetBits();
    const int fromRow = self->GetRowLength();
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
}

void ReferenceFill(Bitmap* target, const PRect& r, long colour) {
    if (!target || !target->ThereIsBitmapData()) return;
    const int64_t left = std::max<int64_t>(r.left, 0),
                  right = std::min<int64_t>(r.right, target->GetWidth());
    const int64_t top = std::max<int64_t>(r.top, 0),
                  bottom = std::min<int64_t>(r.bottom, target->GetHeight());
    if (left >= right || top >= bottom) return;
    int32_t* bits = target->GetBits();
    const int rowLength = target->GetRowLength();
    for (int64_t y = top; y < bottom; ++y) {
        int32_t* row = bits + y * rowLength;
        for (int64_t x = left; x < right; ++x) pixel::Store(row + x, colour);
    }
}

// --- Inputs ---

// Every byte of the store, spare bytes included.
std::vector<uint8_t> Bytes(Bitmap& b) {
    if (!b.ThereIsBitmapData()) return {};
    const auto* p = reinterpret_cast<const uint8_t*>(b.GetBits());
    return {p, p + static_cast<size_t>(b.GetRowLength()) * b.GetHeight() * 4};
}

std::unique_ptr<Bitmap> Clone(Bitmap& b) {
    auto copy = std::make_unique<Bitmap>(b.GetWidth(), b.GetHeight());
    if (copy->ThereIsBitmapData())
        std::memcpy(copy->GetBits(), b.GetBits(),
                    static_cast<size_t>(b.GetRowLength()) * b.GetHeight() * 4);
    return copy;
}

// Random bytes everywhere, spare bytes too, so a loop that ought to leave or clear them shows.
std::unique_ptr<Bitmap> Noise(std::mt19937& rng, int w, int h) {
    auto b = std::make_unique<Bitmap>(w, h);
    if (!b->ThereIsBitmapData()) return b;
    uint8_t* p = reinterpret_cast<uint8_t*>(b->GetBits());
    for (size_t i = 0; i < static_cast<size_t>(w) * h * 4; ++i) p[i] = rng() & 0xFF;
    return b;
}

// A mask as the skins draw them: mostly 0 and 255, with soft edges in between, and now and
// then one that is all one value.
std::unique_ptr<Bitmap> Mask(std::mt19937& rng, int w, int h) {
    auto b = Noise(rng, w, h);
    if (!b->ThereIsBitmapData()) return b;
    const int style = rng() % 4;
    uint8_t* p = reinterpret_cast<uint8_t*>(b->GetBits());
    for (size_t i = 0; i < static_cast<size_t>(w) * h * 4; ++i) {
        if (style == 0) p[i] = 0;
        if (style == 1) p[i] = 255;
        if (style == 2 && rng() % 3 != 0) p[i] = rng() % 2 ? 0 : 255;
    }
    return b;
}

int Between(std::mt19937& rng, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

// A size of 0 (an empty bitmap) now and then, mostly small, sometimes long rows.
int Side(std::mt19937& rng) {
    const int pick = rng() % 20;
    if (pick == 0) return 0;
    if (pick == 1) return Between(rng, 100, 300);
    return Between(rng, 1, 40);
}

// A position that puts a source of the given size across, inside or beside the destination,
// and now and then far outside it.
int Position(std::mt19937& rng, int sourceSide, int destSide) {
    const int pick = rng() % 30;
    if (pick == 0) return INT32_MIN;
    if (pick == 1) return INT32_MAX;
    return Between(rng, -sourceSide - 2, destSide + 2);
}

// A source rectangle: mostly one reaching a little past the source's edges on any side,
// sometimes an inverted or extreme one.
PRect SourceRect(std::mt19937& rng, int w, int h) {
    if (rng() % 10 == 0) {
        const auto edge = [&](int side) { return Position(rng, side + 10, side + 10); };
        return {edge(w), edge(w), edge(h), edge(h)};
    }
    const int left = Between(rng, -5, w - 1), top = Between(rng, -5, h - 1);
    return {left, left + Between(rng, 1, w + 5), top, top + Between(rng, 1, h + 5)};
}

// --- Cases ---

TEST(BitmapLoops, CopiesMatchTheReferenceOnRandomAndClippedInputs) {
    std::mt19937 rng(1234);
    int drawn = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        auto src = Noise(rng, Side(rng), Side(rng));
        auto dest = Noise(rng, Side(rng), Side(rng));
        auto expected = Clone(*dest);
        const PRect r = SourceRect(rng, src->GetWidth(), src->GetHeight());
        const bool whole = rng() % 4 == 0;
        const int x = Position(rng, src->GetWidth(), dest->GetWidth());
        const int y = Position(rng, src->GetHeight(), dest->GetHeight());
        ReferenceBlit(src.get(), expected.get(), x, y, whole ? nullptr : &r);
        if (Bytes(*expected) != Bytes(*dest)) ++drawn;
        src->BlitIntoBitmap(dest.get(), x, y, whole ? nullptr : &r);
        ASSERT_EQ(Bytes(*dest), Bytes(*expected)) << "trial " << trial;
    }
    EXPECT_GT(drawn, 800);  // enough of the trials reach dest at all
}

TEST(BitmapLoops, BlendsMatchTheReferenceOnRandomAndClippedInputs) {
    std::mt19937 rng(5678);
    int drawn = 0;
    for (int trial = 0; trial < 6000; ++trial) {
        const int w = Side(rng), h = Side(rng);
        auto src = Noise(rng, w, h);
        // Now and then a mask of another size, which must leave dest alone.
        const bool misfit = rng() % 25 == 0;
        auto mask = Mask(rng, misfit ? w + 1 : w, h);
        auto dest = Noise(rng, Side(rng), Side(rng));
        auto expected = Clone(*dest);
        const PRect r = SourceRect(rng, w, h);
        const bool whole = rng() % 4 == 0;
        const bool blend = rng() % 3 != 0;
        const int x = Position(rng, src->GetWidth(), dest->GetWidth());
        const int y = Position(rng, src->GetHeight(), dest->GetHeight());
        ReferenceBlend(src.get(), expected.get(), mask.get(), x, y, whole ? nullptr : &r, blend);
        if (Bytes(*expected) != Bytes(*dest)) ++drawn;
        src->BlitAlphaIntoBitmap(dest.get(), mask.get(), x, y, whole ? nullptr : &r, blend);
        ASSERT_EQ(Bytes(*dest), Bytes(*expected)) << "trial " << trial;
    }
    EXPECT_GT(drawn, 1200);  // enough of the trials reach dest at all
}

TEST(BitmapLoops, ABitmapBlendedOrCopiedOntoItselfMatchesTheReference) {
    // Overlapping rows: each source pixel is read after the pixels before it were written.
    std::mt19937 rng(91);
    for (int trial = 0; trial < 2000; ++trial) {
        const int w = Between(rng, 1, 120), h = Between(rng, 1, 12);
        auto image = Noise(rng, w, h);
        auto expected = Clone(*image);
        auto mask = Mask(rng, w, h);
        const int x = Between(rng, -8, 8), y = Between(rng, -2, 2);
        const bool blend = rng() % 2 == 0;
        const int kind = rng() % 3;
        if (kind == 0) {
            ReferenceBlend(expected.get(), expected.get(), mask.get(), x, y, nullptr, blend);
            image->BlitAlphaIntoBitmap(image.get(), mask.get(), x, y, nullptr, blend);
        } else if (kind == 1) {
            // The image is its own mask.
            ReferenceBlend(expected.get(), expected.get(), expected.get(), x, y, nullptr, blend);
            image->BlitAlphaIntoBitmap(image.get(), image.get(), x, y, nullptr, blend);
        } else {
            ReferenceBlit(expected.get(), expected.get(), x, y, nullptr);
            image->BlitIntoBitmap(image.get(), x, y, nullptr);
        }
        ASSERT_EQ(Bytes(*image), Bytes(*expected)) << "trial " << trial << " kind " << kind;
    }
}

TEST(BitmapLoops, EveryChannelBlendOfSourceMaskAndDestMatchesTheReference) {
    // All 256 x 256 x 256 combinations of source, mask and destination byte, in both modes:
    // one source value per pass, the (mask, dest) pairs spread over the three colour channels
    // of a 256 x 86 image.
    constexpr int kWidth = 256, kHeight = 86;
    Bitmap src(kWidth, kHeight), mask(kWidth, kHeight), dest(kWidth, kHeight);
    for (bool blend : {true, false}) {
        for (int s = 0; s < 256; ++s) {
            src.EraseBitmap(s);
            uint8_t* m = reinterpret_cast<uint8_t*>(mask.GetBits());
            uint8_t* d = reinterpret_cast<uint8_t*>(dest.GetBits());
            for (int i = 0; i < kWidth * kHeight * 4; ++i) {
                // Channel k of pixel p holds pair 3p + k - 1; the spare bytes hold anything.
                const int pair = (i / 4) * 3 + (i % 4 - 1);
                m[i] = static_cast<uint8_t>(pair >> 8);
                d[i] = static_cast<uint8_t>(pair);
            }
            auto expected = Clone(dest);
            ReferenceBlend(&src, expected.get(), &mask, 0, 0, nullptr, blend);
            src.BlitAlphaIntoBitmap(&dest, &mask, 0, 0, nullptr, blend);
            ASSERT_EQ(Bytes(dest), Bytes(*expected)) << "source " << s << " blend " << blend;
        }
    }
}

TEST(BitmapLoops, FillsMatchTheReferenceOnRandomAndClippedRectangles) {
    std::mt19937 rng(42);
    for (int trial = 0; trial < 2000; ++trial) {
        auto target = Noise(rng, Side(rng), Side(rng));
        auto expected = Clone(*target);
        const PRect r = SourceRect(rng, target->GetWidth(), target->GetHeight());
        // Bits above the colour's 24 are ignored, negative colours included.
        const long colour = static_cast<long>(rng()) - static_cast<long>(rng());
        ReferenceFill(expected.get(), r, colour);
        FillRectInBitmap(target.get(), r, colour);
        ASSERT_EQ(Bytes(*target), Bytes(*expected)) << "trial " << trial;
    }
}

}  // namespace
