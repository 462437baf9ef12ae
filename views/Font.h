#pragma once
// Text drawn from a font sheet: a bitmap holding a fixed grid of equally sized glyph cells in
// character-code order, starting at firstChar. With kerning each glyph's width is measured from
// the sheet once, at construction; glyphs are separated by one empty column.
//
// Characters are signed 8-bit values, so codes 128 to 255 never belong to a font whose first
// character is 0 or more. Fonts draw only into bitmaps.

#include "views/Bitmap.h"

class Font {
  public:
    // The sheet is not owned; it must outlive the font.
    Font(Bitmap* sheet, int firstChar, int cellWidth, int cellHeight, int columns, int rows,
         bool kern);
    virtual ~Font();

    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Measures the widths of every glyph of the grid on b; the space is cellWidth - 2 wide.
    virtual void DoKern(Bitmap* b);
    // Draws c with its cell's top-left corner at (x, y); returns the advance (width + 1), or 0
    // when c does not belong to the font.
    virtual int PlotCharAt(Bitmap* dest, int x, int y, char c);
    virtual void PlotString(Bitmap* dest, int x, int y, const char* s);
    virtual int StringLength(const char* s);
    virtual int CharLength(char c);
    // Colour between bg (where the sheet is dark) and fg (where it is bright), mixed into dest
    // with opacity a (clamped to at most 1). Returns the advance like PlotCharAt.
    virtual int PlotColourCharAt(Bitmap* dest, int x, int y, char c, int fg, int bg, float a);
    // Nothing when a < 0.
    virtual void PlotColourString(Bitmap* dest, int x, int y, const char* s, int fg, int bg,
                                  float a);

    // True when c has a cell in the grid.
    bool HasChar(char c) const;
    // Measured (or fixed) width of c's glyph in pixels, without the separating column.
    int GlyphWidth(char c) const { return widths[static_cast<unsigned char>(c)]; }

    Bitmap* sheet;
    int firstChar;
    int cellWidth;
    int cellHeight;
    int gridColumns;
    int gridRows;
    bool kern;
    // Indexed by the character code as an unsigned byte.
    int widths[256];

  protected:
    // The sheet rectangle of c's glyph (measured width, full cell height).
    PRect GlyphRect(char c) const;
};

// A font drawn through an alpha mask of the sheet, so glyphs blend over what is below them.
class AlphaFont : public Font {
  public:
    // With kerning, the widths are measured on the mask (which replaces the sheet's widths).
    AlphaFont(Bitmap* sheet, Bitmap* mask, int firstChar, int cellWidth, int cellHeight,
              int columns, int rows, bool kern);
    ~AlphaFont() override;

    // 0 and nothing drawn when dest, mask or sheet is missing.
    int PlotCharAt(Bitmap* dest, int x, int y, char c) override;

    Bitmap* mask;
};
