// Clipped copies, masked blends, erasing and plotting on the toolkit's 32-bit bitmaps.

#include <gtest/gtest.h>

#include <memory>

#include "tests/views/ViewsTestSupport.h"
#include "views/Bitmap.h"

namespace {

using testing_views::MakeFilled;

// A source whose pixel (x, y) has the colour x * 16 + y.
std::unique_ptr<Bitmap> Numbered(int w, int h) {
    auto b = std::make_unique<Bitmap>(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b->PlotPoint(x, y, x * 16 + y);
    return b;
}

TEST(BitmapStore, SizesOutsideTheStoresRangeGiveEmptyBitmaps) {
    Bitmap ok(3, 2);
    EXPECT_TRUE(ok.ThereIsBitmapData());
    EXPECT_EQ(ok.GetRowLength(), 3);
    const PRect bounds = ok.bounds;
    EXPECT_EQ(bounds.right, 3);
    EXPECT_EQ(bounds.bottom, 2);
    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-1, 5}, {40000, 1}, {20000, 20000}}) {
        Bitmap b(w, h);
        EXPECT_FALSE(b.ThereIsBitmapData()) << w << "x" << h;
        EXPECT_EQ(b.GetWidth(), 0);
        EXPECT_EQ(b.GetHeight(), 0);
        EXPECT_EQ(b.GetRowLength(), 0);
    }
}

TEST(BitmapStore, EraseIsAByteFillAndPlotPointWritesOnlyInside) {
    Bitmap b(4, 3);
    b.EraseBitmap(0x123456);
    int32_t* bits = b.GetBits();
    for (int i = 0; i < 12; ++i) {
        const uint8_t* p = pixel::Bytes(bits + i);
        for (int k = 0; k < 4; ++k) ASSERT_EQ(p[k], 0x56);
    }
    b.ReleaseBits();
    b.PlotPoint(1, 2, 0xABCDEF);
    EXPECT_EQ(b.GetPixel(1, 2), 0xABCDEF);
    EXPECT_EQ(pixel::Bytes(b.GetBits() + 2 * b.GetRowLength() + 1)[0], 0);  // spare byte 0
    b.ReleaseBits();
    b.PlotPoint(4, 0, 0);
    b.PlotPoint(0, 3, 0);
    b.PlotPoint(-1, 0, 0);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            if (!(x == 1 && y == 2)) {
                EXPECT_EQ(b.GetPixel(x, y), 0x565656);
            }
        }
    }
}

TEST(BitmapBlit, CopiesKeepTheirPlaceWhenClippedOnEitherSide) {
    auto src = Numbered(8, 6);
    // A source rectangle reaching left of the source: the columns that exist keep their place.
    {
        Bitmap dest(20, 6);
        dest.EraseBitmap(0);
        const PRect r{-2, 5, 0, 4};
        src->BlitIntoBitmap(&dest, 10, 0, &r);
        EXPECT_EQ(dest.GetPixel(11, 0), 0);
        for (int c = 0; c < 5; ++c) EXPECT_EQ(dest.GetPixel(12 + c, 1), c * 16 + 1) << c;
        EXPECT_EQ(dest.GetPixel(17, 0), 0);
        EXPECT_EQ(dest.GetPixel(12, 4), 0);  // row 4 is outside the rectangle
    }
    // A destination left of and above dest: the first columns and rows are skipped.
    {
        Bitmap dest(10, 10);
        dest.EraseBitmap(0);
        src->BlitIntoBitmap(&dest, -3, -2, nullptr);
        EXPECT_EQ(dest.GetPixel(0, 0), 3 * 16 + 2);
        EXPECT_EQ(dest.GetPixel(4, 3), 7 * 16 + 5);
        EXPECT_EQ(dest.GetPixel(5, 0), 0);
        EXPECT_EQ(dest.GetPixel(0, 4), 0);
    }
    // Running off the right and bottom of dest.
    {
        Bitmap dest(5, 5);
        dest.EraseBitmap(0);
        src->BlitIntoBitmap(&dest, 3, 4, nullptr);
        EXPECT_EQ(dest.GetPixel(3, 4), 0);
        EXPECT_EQ(dest.GetPixel(4, 4), 1 * 16);
        EXPECT_EQ(dest.GetPixel(2, 4), 0);
    }
}

TEST(BitmapBlit, CopiesThatMissEitherBitmapOrInvolveAnEmptyOneChangeNothing) {
    auto src = Numbered(4, 4);
    Bitmap dest(4, 4);
    dest.EraseBitmap(0x11);
    const PRect outside{10, 14, 0, 4};
    src->BlitIntoBitmap(&dest, 0, 0, &outside);
    src->BlitIntoBitmap(&dest, 4, 0, nullptr);
    src->BlitIntoBitmap(&dest, 0, -4, nullptr);
    src->BlitIntoBitmap(&dest, INT32_MIN, INT32_MAX, nullptr);
    const PRect huge{INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX};
    Bitmap empty(0, 0);
    src->BlitIntoBitmap(&empty, 0, 0, nullptr);
    empty.BlitIntoBitmap(&dest, 0, 0, &huge);
    src->BlitIntoBitmap(nullptr, 0, 0, nullptr);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(dest.GetPixel(x, y), 0x111111);
    // Source pixels keep their places: pixel (0, 0) of a rectangle starting at -2^31 belongs
    // 2^31 columns to the right, far outside dest.
    src->BlitIntoBitmap(&dest, 0, 0, &huge);
    EXPECT_EQ(dest.GetPixel(0, 0), 0x111111);
}

TEST(BitmapBlend, ChannelsAreWeightedByTheMaskAndDividedBy256) {
    auto blendOne = [](int s, int d, int m, bool blend) {
        std::unique_ptr<Bitmap> src(MakeFilled(1, 1, s * 0x010101));
        std::unique_ptr<Bitmap> dest(MakeFilled(1, 1, d * 0x010101));
        std::unique_ptr<Bitmap> mask(MakeFilled(1, 1, m * 0x010101));
        src->BlitAlphaIntoBitmap(dest.get(), mask.get(), 0, 0, nullptr, blend);
        return dest->GetPixel(0, 0) & 0xFF;
    };
    EXPECT_EQ(blendOne(255, 0, 255, true), 254);
    EXPECT_EQ(blendOne(0, 255, 0, true), 254);
    EXPECT_EQ(blendOne(255, 255, 255, false), 255);  // limited from 508
    EXPECT_EQ(blendOne(200, 100, 128, true), (200 * 128 + 100 * 127) >> 8);

    // Channels are weighted separately by the mask's own channel.
    std::unique_ptr<Bitmap> src(MakeFilled(1, 1, 0xFFFFFF));
    std::unique_ptr<Bitmap> dest(MakeFilled(1, 1, 0x000000));
    std::unique_ptr<Bitmap> mask(MakeFilled(1, 1, 0xFF0080));
    src->BlitAlphaIntoBitmap(dest.get(), mask.get(), 0, 0, nullptr, true);
    EXPECT_EQ(dest->GetPixel(0, 0), 0xFE007F);
}

TEST(BitmapBlend, TheMaskFollowsTheSourceAndMustHaveItsSize) {
    auto src = Numbered(4, 2);
    std::unique_ptr<Bitmap> mask(MakeFilled(4, 2, 0));
    mask->PlotPoint(2, 1, 0xFFFFFF);
    std::unique_ptr<Bitmap> dest(MakeFilled(4, 4, 0));
    const PRect r{2, 4, 1, 2};
    src->BlitAlphaIntoBitmap(dest.get(), mask.get(), 0, 3, &r, true);
    EXPECT_EQ(dest->GetPixel(0, 3), ((2 * 16 + 1) * 255) >> 8);
    EXPECT_EQ(dest->GetPixel(1, 3), 0);

    std::unique_ptr<Bitmap> narrow(MakeFilled(3, 2, 0xFFFFFF));
    std::unique_ptr<Bitmap> untouched(MakeFilled(4, 2, 0x222222));
    src->BlitAlphaIntoBitmap(untouched.get(), narrow.get(), 0, 0, nullptr, true);
    src->BlitAlphaIntoBitmap(untouched.get(), nullptr, 0, 0, nullptr, true);
    EXPECT_EQ(untouched->GetPixel(3, 1), 0x222222);
}

}  // namespace
