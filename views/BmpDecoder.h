#pragma once
// Reading BMP data: uncompressed 1, 2, 4, 8 and 24-bit images with a 40-byte info header or a
// 12-byte core header (three-byte palette entries), bottom-up or top-down. Every length is
// checked against the data given; anything else is refused.

#include <cstddef>
#include <cstdint>

// The layout of one readable BMP, pointing into the caller's data.
struct BmpLayout {
    int width = 0;
    int height = 0;        // always positive
    bool topDown = false;  // the first stored row is the top row
    int bitCount = 0;      // 1, 2, 4, 8 or 24
    const uint8_t* palette = nullptr;
    int paletteEntries = 0;         // entries present in the data
    int paletteEntrySize = 0;       // 4 (blue, green, red, reserved) or 3 (core header)
    const uint8_t* rows = nullptr;  // the first stored row
    size_t rowBytes = 0;            // stored row length, a multiple of 4
};

// Fills layout and returns true when data holds a whole image we can read; false otherwise
// (wrong signature, other header sizes, compression, bit counts, zero or oversized images,
// data shorter than header, palette and rows).
bool ParseBmp(const void* data, long len, BmpLayout* layout);

// Writes the image's pixels (spare byte 0, red, green, blue) into a store of at least
// width x height pixels whose rows are rowLength pixels apart, row 0 at the top.
void DecodeBmpPixels(const BmpLayout& layout, int32_t* pixels, int rowLength);
