#include "tools/skingen/BmpFile.h"

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> EncodeBmp24(const Image& image) {
    const uint32_t w = uint32_t(image.Width());
    const uint32_t h = uint32_t(image.Height());
    const uint32_t rowBytes = (w * 3 + 3) & ~3u;
    const uint32_t headerBytes = 14 + 40;
    const uint32_t pixelBytes = rowBytes * h;

    std::vector<uint8_t> out;
    out.reserve(headerBytes + pixelBytes);
    // File header.
    out.push_back('B');
    out.push_back('M');
    Put32(out, headerBytes + pixelBytes);
    Put32(out, 0);  // two reserved words
    Put32(out, headerBytes);
    // Info header.
    Put32(out, 40);
    Put32(out, w);
    Put32(out, h);  // positive: bottom-up
    Put16(out, 1);  // planes
    Put16(out, 24);
    Put32(out, 0);  // no compression
    Put32(out, pixelBytes);
    Put32(out, 2835);  // 72 dpi
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);

    for (int y = int(h) - 1; y >= 0; --y) {
        for (uint32_t x = 0; x < w; ++x) {
            const Colour c = image.At(int(x), y);
            out.push_back(uint8_t(BlueOf(c)));
            out.push_back(uint8_t(GreenOf(c)));
            out.push_back(uint8_t(RedOf(c)));
        }
        for (uint32_t pad = w * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    return out;
}
