#pragma once
// The two bitmap fonts of the artwork, drawn glyph by glyph here: a 5 x 7 face for labels
// and a 3 x 5 face for the tightest spots. Capitals, digits and a little punctuation; glyphs
// are proportional (their width is that of their widest row) and one column apart.

#include <string_view>

#include "tools/skingen/Image.h"

enum class FontSize { Small, Normal };

struct TextStyle {
    FontSize size = FontSize::Normal;
    Colour colour = Rgb(220, 220, 220);
    int scale = 1;          // each font pixel becomes scale x scale image pixels
    bool vertical = false;  // reads bottom to top, turned a quarter left
};

int TextWidth(std::string_view text, const TextStyle& style);  // along the reading direction
int TextHeight(const TextStyle& style);                        // across it

// Draws with the top-left corner of the text's box at (x, y).
void DrawText(Image& image, int x, int y, std::string_view text, const TextStyle& style);
// Centred on (cx, y): the box's horizontal centre at cx, its top at y.
void DrawTextCentred(Image& image, double cx, int y, std::string_view text, const TextStyle& style);
