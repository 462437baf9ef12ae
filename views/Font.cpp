#include "views/Font.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr char kSpace = 32;

}  // namespace

Font::Font(Bitmap* sheet, int firstChar, int cellWidth, int cellHeight, int columns, int rows,
           bool kern)
    : sheet(sheet), firstChar(firstChar), cellWidth(std::max(cellWidth, 0)),
      cellHeight(std::max(cellHeight, 0)), gridColumns(std::max(columns, 0)),
      gridRows(std::max(rows, 0)), kern(kern) {
    // Every width has a value, also those of codes outside the grid.
    std::fill(std::begin(widths), std::end(widths), kern ? 0 : this->cellWidth);
    if (kern) DoKern(sheet);
}

Font::~Font() = default;

bool Font::HasChar(char c) const {
    const int code = static_cast<signed char>(c);
    return code >= firstChar && int64_t{code} - firstChar < int64_t{gridColumns} * gridRows;
}

void Font::DoKern(Bitmap* b) {
    int32_t* bits = (b && b->ThereIsBitmapData()) ? b->GetBits() : nullptr;
    const int sheetWidth = bits ? b->GetWidth() : 0;
    const int sheetHeight = bits ? b->GetHeight() : 0;
    const int rowLength = bits ? b->GetRowLength() : 0;
    const int glyphs = static_cast<int>(std::min<int64_t>(int64_t{gridColumns} * gridRows, 256));
    for (int g = 0; g < glyphs; ++g) {
        const int code = firstChar + g;
        if (code < -128 || code > 127) continue;
        const int left = (g % gridColumns) * cellWidth;
        const int top = (g / gridColumns) * cellHeight;
        int width = 0;
        // Only the part of the cell that lies on the sheet is read.
        const int lastRow = std::min(top + cellHeight, sheetHeight);
        for (int col = std::min(cellWidth, sheetWidth - left) - 1; col >= 0 && bits; --col) {
            unsigned sum = 0;
            for (int y = top; y < lastRow; ++y) {
                const uint8_t* p =
                    pixel::Bytes(bits + static_cast<ptrdiff_t>(y) * rowLength + left + col);
                sum += p[0] + p[1] + p[2] + p[3];
            }
            if (sum != 0) {
                width = col + 1;
                break;
            }
        }
        widths[static_cast<unsigned char>(code)] = width;
    }
    widths[static_cast<unsigned char>(kSpace)] = std::max(cellWidth - 2, 0);
    if (bits) b->ReleaseBits();
}

PRect Font::GlyphRect(char c) const {
    const int g = static_cast<signed char>(c) - firstChar;
    const int left = (g % gridColumns) * cellWidth;
    const int top = (g / gridColumns) * cellHeight;
    return {left, left + GlyphWidth(c), top, top + cellHeight};
}

int Font::PlotCharAt(Bitmap* dest, int x, int y, char c) {
    if (!HasChar(c)) return 0;
    const PRect r = GlyphRect(c);
    if (sheet) sheet->BlitIntoBitmap(dest, x, y, &r);
    return GlyphWidth(c) + 1;
}

void Font::PlotString(Bitmap* dest, int x, int y, const char* s) {
    if (!s) return;
    for (; *s; ++s) x += PlotCharAt(dest, x, y, *s);
}

int Font::StringLength(const char* s) {
    int length = 0;
    if (!s) return 0;
    for (; *s; ++s) length += CharLength(*s);
    return length;
}

int Font::CharLength(char c) {
    return HasChar(c) ? GlyphWidth(c) + 1 : 0;
}

int Font::PlotColourCharAt(Bitmap* dest, int x, int y, char c, int fg, int bg, float a) {
    if (!HasChar(c)) return 0;
    const int advance = GlyphWidth(c) + 1;
    if (!sheet || !dest || !sheet->ThereIsBitmapData() || !dest->ThereIsBitmapData()) {
        return advance;
    }
    PRect r = GlyphRect(c);
    r.right = std::min(r.right, sheet->GetWidth());
    r.bottom = std::min(r.bottom, sheet->GetHeight());
    if (x < 0) {
        r.left -= x;
        x = 0;
    }
    if (y < 0) {
        r.top -= y;
        y = 0;
    }
    if (r.left >= r.right || r.top >= r.bottom) return advance;
    if (x + (r.right - r.left) > dest->GetWidth()) r.right = r.left + dest->GetWidth() - x;
    if (y + (r.bottom - r.top) > dest->GetHeight()) r.bottom = r.top + dest->GetHeight() - y;
    if (r.left >= r.right || r.top >= r.bottom) return advance;

    const uint8_t fgBytes[4] = {0, static_cast<uint8_t>(fg >> 16), static_cast<uint8_t>(fg >> 8),
                                static_cast<uint8_t>(fg)};
    const uint8_t bgBytes[4] = {0, static_cast<uint8_t>(bg >> 16), static_cast<uint8_t>(bg >> 8),
                                static_cast<uint8_t>(bg)};
    const float keep = 1.0f - a;
    const float scale = a / 255.0f;
    int32_t* from = sheet->GetBits();
    int32_t* to = dest->GetBits();
    const int fromRow = sheet->GetRowLength();
    const int toRow = dest->GetRowLength();
    for (int row = 0; row < r.bottom - r.top; ++row) {
        const int32_t* s = from + static_cast<ptrdiff_t>(r.top + row) * fromRow + r.left;
        int32_t* d = to + static_cast<ptrdiff_t>(y + row) * toRow + x;
        for (int col = 0; col < r.right - r.left; ++col) {
            const uint8_t* sb = pixel::Bytes(s + col);
            uint8_t* db = pixel::Bytes(d + col);
            for (int k = pixel::kRed; k <= pixel::kBlue; ++k) {
                const float f = fgBytes[k], g = bgBytes[k];
                const float out = db[k] * keep + (g * 256.0f + (f - g) * sb[k]) * scale;
                // Truncated toward zero and limited to a byte (NaN from a NaN opacity gives 0).
                const float limited = out > 0.0f ? std::min(out, 255.0f) : 0.0f;
                db[k] = static_cast<uint8_t>(limited);
            }
            db[pixel::kSpare] = 0;
        }
    }
    sheet->ReleaseBits();
    dest->ReleaseBits();
    return advance;
}

void Font::PlotColourString(Bitmap* dest, int x, int y, const char* s, int fg, int bg, float a) {
    // NaN counts as transparent, like any other opacity below 0.
    if (!s || !(a >= 0.0f)) return;
    a = std::min(a, 1.0f);
    for (; *s; ++s) x += PlotColourCharAt(dest, x, y, *s, fg, bg, a);
}

AlphaFont::AlphaFont(Bitmap* sheet, Bitmap* mask, int firstChar, int cellWidth, int cellHeight,
                     int columns, int rows, bool kern)
    : Font(sheet, firstChar, cellWidth, cellHeight, columns, rows, kern), mask(mask) {
    if (kern) DoKern(mask);
}

AlphaFont::~AlphaFont() = default;

int AlphaFont::PlotCharAt(Bitmap* dest, int x, int y, char c) {
    if (!dest || !mask || !sheet) return 0;
    if (!HasChar(c)) return 0;
    const PRect r = GlyphRect(c);
    sheet->BlitAlphaIntoBitmap(dest, mask, x, y, &r, true);
    return GlyphWidth(c) + 1;
}
