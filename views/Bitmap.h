#pragma once
// The toolkit's one image type: a 32-bit off-screen pixel store with its own BMP decoder, a
// clipped copy into another bitmap and a masked blend into another bitmap.
//
// Pixel format: four bytes per pixel in memory order spare, red, green, blue (0xXXRRGGBB read
// as a big-endian word). Colours passed as integers are 0x00RRGGBB on every host byte order.
// Row 0 is the top row; pixel (x, y) lies y * GetRowLength() + x pixels after GetBits().
//
// A bitmap is either empty (no store; width and height 0; every blit from or into it does
// nothing) or holds a store of a fixed size for the rest of its life.

#include <cstdint>
#include <memory>

#include "views/ViewDefinition.h"

class Bitmap {
  public:
    // Largest side a store may have, and the largest number of pixels in one store.
    static constexpr int kMaxSide = 32767;
    static constexpr int64_t kMaxPixels = int64_t{1} << 26;

    // A store of w x h black pixels (every byte 0); empty when either
    // side is 0, negative or too large.
    Bitmap(int w, int h);
    // Decodes BMP data of len bytes; empty when the data is not a BMP we can read.
    Bitmap(const void* data, long len);
    virtual ~Bitmap();

    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // The address of pixel (0, 0), NULL for an empty bitmap. Each GetBits is followed by one
    // ReleaseBits when the access is over (the pixels never move in between).
    virtual int32_t* GetBits();
    virtual void ReleaseBits();
    // Pixels from the start of one row to the start of the next; 0 without a store.
    virtual int GetRowLength() const;
    virtual bool ThereIsBitmapData() const;
    // Makes a store of w x h pixels and sets bounds; only when no store exists yet. Leaves the
    // bitmap empty (width and height 0) when the size is not acceptable.
    virtual void CreateBitmapOfSize(int w, int h);
    // Decodes BMP data (see BmpDecoder.h) into a new store; nothing when a store exists.
    virtual void LoadBitmap(const void* data, long len);
    // Opaque copy of src (bounds when NULL) of this bitmap to (x, y) of dest, clipped to both.
    virtual void BlitIntoBitmap(Bitmap* dest, int x, int y, const PRect* src = nullptr);
    // Per-channel blend of src (bounds when NULL) over dest at (x, y), weighted by the mask's
    // pixel at the same source position; the mask must have this bitmap's size.
    virtual void BlitAlphaIntoBitmap(Bitmap* dest, Bitmap* mask, int x, int y, const PRect* src,
                                     bool blend);
    virtual int GetWidth() const;
    virtual int GetHeight() const;
    // Sets every byte of the store to the low 8 bits of c (0 black, 0xFFFFFF white).
    virtual void EraseBitmap(long c);
    // Stores colour c at (x, y) when it lies inside the bitmap.
    virtual void PlotPoint(int x, int y, long c);

    // The colour 0x00RRGGBB at (x, y), 0 outside or without a store (for tests and tools).
    long GetPixel(int x, int y) const;

    int32_t width;
    int32_t height;
    // {0, width, 0, height} once a store exists, all 0 before; the default blit source.
    PRect bounds;

  private:
    struct FreeStore {
        void operator()(int32_t* store) const;
    };
    // From calloc: memory fresh from the system is zero already, so a store is not written
    // until it is drawn into, and a store that is never drawn into (a hidden panel's) costs
    // neither the time to clear it nor resident memory.
    std::unique_ptr<int32_t[], FreeStore> pixels;
};

// Channel bytes of one pixel in memory order.
namespace pixel {
constexpr int kSpare = 0;
constexpr int kRed = 1;
constexpr int kGreen = 2;
constexpr int kBlue = 3;

inline uint8_t* Bytes(int32_t* p) {
    return reinterpret_cast<uint8_t*>(p);
}
inline const uint8_t* Bytes(const int32_t* p) {
    return reinterpret_cast<const uint8_t*>(p);
}

// Writes colour 0x00RRGGBB with a spare byte of 0.
inline void Store(int32_t* p, long colour) {
    uint8_t* b = Bytes(p);
    b[kSpare] = 0;
    b[kRed] = static_cast<uint8_t>(colour >> 16);
    b[kGreen] = static_cast<uint8_t>(colour >> 8);
    b[kBlue] = static_cast<uint8_t>(colour);
}

inline long Load(const int32_t* p) {
    const uint8_t* b = Bytes(p);
    return (long{b[kRed]} << 16) | (long{b[kGreen]} << 8) | long{b[kBlue]};
}
}  // namespace pixel
