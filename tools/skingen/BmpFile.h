#pragma once
// Writes an image as an uncompressed 24-bit BMP with the 40-byte info header: rows stored
// bottom-up, blue-green-red, each padded to a multiple of four bytes.

#include <cstdint>
#include <vector>

#include "tools/skingen/Image.h"

std::vector<uint8_t> EncodeBmp24(const Image& image);
