// Feeds arbitrary bytes to the BMP decoder, then draws with whatever it decoded: copies and
// blends in and out of it, and a font over it as a sheet.

#include <cstddef>
#include <cstdint>

#include "views/Bitmap.h"
#include "views/Font.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bitmap image(data, static_cast<long>(size));
    if (!image.ThereIsBitmapData()) return 0;
    Bitmap small(7, 5);
    const PRect odd{-3, image.GetWidth() + 3, -2, image.GetHeight() + 2};
    image.BlitIntoBitmap(&small, -1, -1, &odd);
    small.BlitIntoBitmap(&image, image.GetWidth() - 3, image.GetHeight() - 2, nullptr);
    image.BlitAlphaIntoBitmap(&small, &image, 2, 1, nullptr, true);
    Font font(&image, 32, 3, 3, 4, 4, true);
    font.PlotColourString(&small, -1, 0, "AB%&", 0xFFFFFF, 0x102030, 0.75f);
    font.PlotString(&small, 0, 0, "!\"#");
    return 0;
}
