// Bitmap fonts: measured widths, opaque and masked glyphs, coloured text and clipping, and
// sheets that are missing or smaller than their grid.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "tests/views/ViewsTestSupport.h"
#include "views/Font.h"

namespace {

constexpr int kCell = 7;

// A 20 x 5 sheet of 7 x 7 cells, black, with helpers to light columns of a character's cell.
struct Sheet {
    explicit Sheet(int cellWidth = kCell) : cellWidth(cellWidth) {
        image = std::make_unique<Bitmap>(20 * cellWidth, 5 * kCell);
        image->EraseBitmap(0);
    }
    // Lights columns 0..lastColumn of c's cell in its top row with the given grey.
    void Light(char c, int lastColumn, int grey = 255) {
        const int g = c - 32;
        for (int col = 0; col <= lastColumn; ++col)
            image->PlotPoint((g % 20) * cellWidth + col, (g / 20) * kCell, grey * 0x010101);
    }
    int cellWidth;
    std::unique_ptr<Bitmap> image;
};

TEST(FontWidths, KernedWidthsComeFromTheRightmostLitColumn) {
    Sheet sheet;
    sheet.Light('A', 4);
    sheet.Light(' ', 6);  // the space's cell holds pixels, its width is fixed all the same
    Font font(sheet.image.get(), 32, kCell, kCell, 20, 5, true);
    EXPECT_EQ(font.CharLength('A'), 6);
    EXPECT_EQ(font.CharLength(' '), 6);
    EXPECT_EQ(font.CharLength('B'), 1);  // empty glyph advances 1
    EXPECT_EQ(font.CharLength(31), 0);
    EXPECT_EQ(font.CharLength(static_cast<char>(32 + 100)), 0);  // one past the grid
    EXPECT_EQ(font.CharLength(static_cast<char>(200)), 0);
    EXPECT_EQ(font.StringLength(""), 0);
    EXPECT_EQ(font.StringLength("AB A\x01"), 6 + 1 + 6 + 6);

    Font fixed(sheet.image.get(), 32, kCell, kCell, 20, 5, false);
    EXPECT_EQ(fixed.CharLength('A'), 8);
    EXPECT_EQ(fixed.CharLength('~'), 8);
}

TEST(FontWidths, AnAlphaFontMeasuresOnItsMask) {
    Sheet sheet, mask;
    sheet.Light('A', 6);
    mask.Light('A', 2);
    AlphaFont font(sheet.image.get(), mask.image.get(), 32, kCell, kCell, 20, 5, true);
    EXPECT_EQ(font.CharLength('A'), 4);
}

TEST(FontWidths, MissingOrSmallSheetsAreNeverReadOutsideThemselves) {
    Font none(nullptr, 32, kCell, kCell, 20, 5, true);
    EXPECT_EQ(none.CharLength('A'), 1);
    EXPECT_EQ(none.CharLength(' '), 6);
    Bitmap dest(20, 10);
    dest.EraseBitmap(0x33);
    none.PlotString(&dest, 0, 0, "AB");
    EXPECT_EQ(none.PlotColourCharAt(&dest, 0, 0, 'A', 0xFFFFFF, 0, 1.0f), 1);
    EXPECT_EQ(dest.GetPixel(0, 0), 0x333333);

    // A sheet of one row of cells (the grid asks for five): glyphs of later rows measure empty
    // and draw nothing; the first row works.
    Bitmap small(20 * kCell, kCell);
    small.EraseBitmap(0);
    small.PlotPoint(('%' - 32) * kCell + 3, 0, 0xFFFFFF);
    small.PlotPoint(('z' - 32) % 20 * kCell + 5, 0, 0xFFFFFF);
    Font font(&small, 32, kCell, kCell, 20, 5, true);
    EXPECT_EQ(font.CharLength('%'), 5);
    EXPECT_EQ(font.CharLength('z'), 1);
    font.PlotString(&dest, 0, 0, "z");
    EXPECT_EQ(font.PlotColourCharAt(&dest, 0, 0, 'z', 0xFFFFFF, 0, 1.0f), 1);

    AlphaFont noMask(&small, nullptr, 32, kCell, kCell, 20, 5, true);
    EXPECT_EQ(noMask.PlotCharAt(&dest, 0, 0, '%'), 0);

    Font noGrid(&small, 32, kCell, kCell, 0, 5, true);
    EXPECT_EQ(noGrid.CharLength('A'), 0);
    EXPECT_EQ(noGrid.StringLength("ABC"), 0);
}

TEST(FontDrawing, GlyphsAreCutToTheirMeasuredWidthAndAdvanceByIt) {
    Sheet sheet;
    sheet.Light('A', 4, 200);
    sheet.Light('B', 1, 100);
    Font font(sheet.image.get(), 32, kCell, kCell, 20, 5, true);
    Bitmap dest(30, 8);
    dest.EraseBitmap(0xFF);
    font.PlotString(&dest, 2, 1, "AB");
    EXPECT_EQ(dest.GetPixel(2, 1), 0xC8C8C8);
    EXPECT_EQ(dest.GetPixel(6, 1), 0xC8C8C8);
    EXPECT_EQ(dest.GetPixel(7, 1), 0xFFFFFF);  // the separating column is not drawn
    EXPECT_EQ(dest.GetPixel(8, 1), 0x646464);  // B starts at 2 + 6
    EXPECT_EQ(dest.GetPixel(2, 2), 0);         // the cell's other rows are copied too
}

TEST(FontDrawing, AnAlphaFontBlendsThroughItsMask) {
    Sheet sheet, mask;
    sheet.Light('A', 1, 255);
    mask.Light('A', 0, 255);  // the mask is lit in column 0 only: the glyph is 1 wide
    AlphaFont font(sheet.image.get(), mask.image.get(), 32, kCell, kCell, 20, 5, true);
    Bitmap dest(10, 8);
    dest.EraseBitmap(0x80);
    EXPECT_EQ(font.PlotCharAt(&dest, 0, 0, 'A'), 2);
    EXPECT_EQ(dest.GetPixel(0, 0), 0xFEFEFE);                     // (255*255 + 128*0) >> 8
    EXPECT_EQ(dest.GetPixel(0, 1), (128 * 255 >> 8) * 0x010101);  // mask 0 keeps dest
    EXPECT_EQ(font.PlotCharAt(nullptr, 0, 0, 'A'), 0);
}

TEST(FontDrawing, ColouredGlyphsMixBetweenTheColoursWithTheOpacity) {
    Sheet sheet;
    sheet.Light('A', 0, 255);
    sheet.Light('B', 0, 100);
    Font font(sheet.image.get(), 32, kCell, kCell, 20, 5, true);
    Bitmap dest(10, 8);

    dest.EraseBitmap(0);
    font.PlotColourCharAt(&dest, 0, 0, 'B', 0xFFFFFF, 0, 1.0f);
    EXPECT_EQ(dest.GetPixel(0, 0), 0x646464);  // the sheet's byte itself

    dest.EraseBitmap(100);
    font.PlotColourCharAt(&dest, 0, 0, 'A', 0xFFFFFF, 0, 0.5f);
    EXPECT_EQ(dest.GetPixel(0, 0), 177 * 0x010101);  // 50 + 127.5, truncated

    dest.EraseBitmap(0);
    font.PlotColourCharAt(&dest, 0, 0, 'A', 0xFFFFFF, 0xFFFFFF, 1.0f);
    EXPECT_EQ(dest.GetPixel(0, 0), 0xFFFFFF);  // 256 before the limit

    // Each channel separately: red from fg, blue from bg where the sheet is dark.
    dest.EraseBitmap(0);
    font.PlotColourCharAt(&dest, 0, 0, 'A', 0xFF0000, 0x0000FF, 1.0f);
    // Blue where lit: bg's 255 x 256 less 255 x 255, over 255, leaves 1.
    EXPECT_EQ(dest.GetPixel(0, 0), 0xFF0001);
    EXPECT_EQ(dest.GetPixel(0, 1), 0x0000FF);

    dest.EraseBitmap(0x22);
    font.PlotColourString(&dest, 0, 0, "A", 0xFFFFFF, 0, -0.5f);
    EXPECT_EQ(dest.GetPixel(0, 0), 0x222222);
    font.PlotColourString(&dest, 0, 0, "A", 0xFFFFFF, 0, 3.0f);
    EXPECT_EQ(dest.GetPixel(0, 0), 0xFFFFFF);
    dest.EraseBitmap(0x22);
    font.PlotColourCharAt(&dest, 0, 0, 'A', 0xFFFFFF, 0, std::nanf(""));
    EXPECT_EQ(dest.GetPixel(0, 0), 0);  // NaN gives 0, never a wild byte
}

TEST(FontDrawing, ColouredGlyphsAreClippedAtEveryEdge) {
    Sheet sheet;
    sheet.Light('A', 5, 255);
    Font font(sheet.image.get(), 32, kCell, kCell, 20, 5, true);
    Bitmap dest(4, 3);
    dest.EraseBitmap(0);
    // At x = -3 the first three columns are skipped and the rest starts at column 0.
    EXPECT_EQ(font.PlotColourCharAt(&dest, -3, 0, 'A', 0xFFFFFF, 0, 1.0f), 7);
    EXPECT_EQ(dest.GetPixel(0, 0), 0xFFFFFF);
    EXPECT_EQ(dest.GetPixel(2, 0), 0xFFFFFF);
    EXPECT_EQ(dest.GetPixel(3, 0), 0);
    // Wholly outside: nothing drawn, the advance all the same.
    EXPECT_EQ(font.PlotColourCharAt(&dest, 10, 0, 'A', 0xFFFFFF, 0, 1.0f), 7);
    EXPECT_EQ(font.PlotColourCharAt(&dest, 0, -20, 'A', 0xFFFFFF, 0, 1.0f), 7);
    EXPECT_EQ(font.PlotColourCharAt(&dest, 0, 0, '\x7F' + 1, 0xFFFFFF, 0, 1.0f), 0);
}

}  // namespace
