#include "views/BmpDecoder.h"

#include "views/Bitmap.h"

namespace {

constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kUncompressed = 0;

uint16_t ReadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ReadU32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

bool IsSupportedBitCount(int bits) {
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 24;
}

}  // namespace

bool ParseBmp(const void* data, long len, BmpLayout* layout) {
    if (data == nullptr || layout == nullptr || len < 0) return false;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    const size_t size = static_cast<size_t>(len);
    if (size < kFileHeaderSize + 4 || bytes[0] != 'B' || bytes[1] != 'M') return false;

    const uint32_t headerSize = ReadU32(bytes + 14);
    int64_t width = 0;
    int64_t height = 0;
    int bits = 0;
    uint32_t coloursUsed = 0;
    int entrySize = 0;
    if (headerSize == kCoreHeaderSize) {
        if (size < kFileHeaderSize + kCoreHeaderSize) return false;
        width = static_cast<int16_t>(ReadU16(bytes + 18));
        height = static_cast<int16_t>(ReadU16(bytes + 20));
        bits = ReadU16(bytes + 24);
        entrySize = 3;
    } else if (headerSize == kInfoHeaderSize) {
        if (size < kFileHeaderSize + kInfoHeaderSize) return false;
        width = static_cast<int32_t>(ReadU32(bytes + 18));
        height = static_cast<int32_t>(ReadU32(bytes + 22));
        bits = ReadU16(bytes + 28);
        if (ReadU32(bytes + 30) != kUncompressed) return false;
        coloursUsed = ReadU32(bytes + 46);
        entrySize = 4;
    } else {
        return false;
    }

    if (!IsSupportedBitCount(bits)) return false;
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > Bitmap::kMaxSide || height > Bitmap::kMaxSide ||
        width * height > Bitmap::kMaxPixels) {
        return false;
    }

    // The palette follows the header. Its length is the declared number of colours when that
    // is a sensible count, else the full 2^bits entries.
    const size_t paletteStart = kFileHeaderSize + headerSize;
    int entries = 0;
    if (bits <= 8) {
        const uint32_t full = 1u << bits;
        entries = static_cast<int>((coloursUsed > 0 && coloursUsed <= full) ? coloursUsed : full);
    }
    const size_t paletteEnd = paletteStart + static_cast<size_t>(entries) * entrySize;
    if (paletteEnd > size) return false;

    // Pixel rows start at the offset the file header gives; a writer that left it 0 or pointing
    // into the palette gets the rows directly after the palette.
    size_t rowsStart = ReadU32(bytes + 10);
    if (rowsStart < paletteEnd) rowsStart = paletteEnd;

    const size_t rowBits = static_cast<size_t>(width) * static_cast<size_t>(bits);
    const size_t rowBytes = ((rowBits + 7) / 8 + 3) / 4 * 4;
    const size_t imageBytes = rowBytes * static_cast<size_t>(height);
    if (rowsStart > size || imageBytes > size - rowsStart) return false;

    layout->width = static_cast<int>(width);
    layout->height = static_cast<int>(height);
    layout->topDown = topDown;
    layout->bitCount = bits;
    layout->palette = bytes + paletteStart;
    layout->paletteEntries = entries;
    layout->paletteEntrySize = entrySize;
    layout->rows = bytes + rowsStart;
    layout->rowBytes = rowBytes;
    return true;
}

void DecodeBmpPixels(const BmpLayout& layout, int32_t* pixels, int rowLength) {
    for (int stored = 0; stored < layout.height; ++stored) {
        const uint8_t* src = layout.rows + static_cast<size_t>(stored) * layout.rowBytes;
        const int y = layout.topDown ? stored : layout.height - 1 - stored;
        int32_t* dest = pixels + static_cast<ptrdiff_t>(y) * rowLength;
        if (layout.bitCount == 24) {
            for (int x = 0; x < layout.width; ++x, src += 3) {
                uint8_t* out = pixel::Bytes(dest + x);
                out[pixel::kSpare] = 0;
                out[pixel::kRed] = src[2];
                out[pixel::kGreen] = src[1];
                out[pixel::kBlue] = src[0];
            }
            continue;
        }
        const int bits = layout.bitCount;
        const int perByte = 8 / bits;
        const unsigned indexMask = (1u << bits) - 1;
        for (int x = 0; x < layout.width; ++x) {
            // Leftmost pixel in the most significant bits.
            const int shift = bits * (perByte - 1 - x % perByte);
            const unsigned index = (src[x / perByte] >> shift) & indexMask;
            uint8_t* out = pixel::Bytes(dest + x);
            out[pixel::kSpare] = 0;
            if (index < static_cast<unsigned>(layout.paletteEntries)) {
                const uint8_t* entry = layout.palette + index * layout.paletteEntrySize;
                out[pixel::kRed] = entry[2];
                out[pixel::kGreen] = entry[1];
                out[pixel::kBlue] = entry[0];
            } else {
                // An index past a short palette has no colour: black.
                out[pixel::kRed] = out[pixel::kGreen] = out[pixel::kBlue] = 0;
            }
        }
    }
}
