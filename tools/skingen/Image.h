#pragma once
// A plain RGB raster that the generator paints the skin images into, with the few shapes
// studio-gear artwork needs: flat and graded fills, rounded plates, anti-aliased discs,
// rings and thick lines. Coordinates are pixel-continuous: pixel (x, y) covers the square
// [x, x + 1) x [y, y + 1), so a shape centred on 10.5 is centred on pixel 10.

#include <cstdint>
#include <vector>

// 0x00RRGGBB.
using Colour = uint32_t;

constexpr Colour Rgb(int r, int g, int b) {
    return (Colour(r & 255) << 16) | (Colour(g & 255) << 8) | Colour(b & 255);
}
inline int RedOf(Colour c) {
    return int((c >> 16) & 255);
}
inline int GreenOf(Colour c) {
    return int((c >> 8) & 255);
}
inline int BlueOf(Colour c) {
    return int(c & 255);
}

// a + (b - a) * t, per channel, t in 0..1.
Colour Mix(Colour a, Colour b, double t);
// Brighter (amount > 0) or darker (amount < 0) by a fraction of the way to white or black.
Colour Shade(Colour c, double amount);

class Image {
  public:
    Image() = default;
    Image(int width, int height, Colour fill = 0);

    int Width() const { return width_; }
    int Height() const { return height_; }

    Colour At(int x, int y) const;
    void Set(int x, int y, Colour c);
    // Mixes c over the pixel with the given coverage (0..1); outside the image nothing.
    void Blend(int x, int y, Colour c, double coverage);

    void Fill(Colour c);
    void FillRect(int left, int top, int right, int bottom, Colour c);  // half-open
    // Top-to-bottom gradient over the rectangle.
    void FillRectVertical(int left, int top, int right, int bottom, Colour topColour,
                          Colour bottomColour);
    // A rectangle with rounded corners of the given radius, anti-aliased at the corners.
    void FillRoundRect(double left, double top, double right, double bottom, double radius,
                       Colour c, double opacity = 1.0);
    void FrameRect(int left, int top, int right, int bottom, Colour c);  // one-pixel outline

    void FillDisc(double cx, double cy, double radius, Colour c, double opacity = 1.0);
    // A ring between two radii, limited to the angles from `fromDeg` to `toDeg` measured
    // clockwise from straight up (the way a knob's scale is read).
    void FillArc(double cx, double cy, double inner, double outer, double fromDeg, double toDeg,
                 Colour c, double opacity = 1.0);
    // A line of the given width with round ends.
    void Line(double x0, double y0, double x1, double y1, double width, Colour c,
              double opacity = 1.0);

    // Copies a region of another image to (x, y), clipped.
    void Paste(const Image& src, int x, int y);
    void PasteRegion(const Image& src, int srcLeft, int srcTop, int w, int h, int x, int y);
    Image Crop(int left, int top, int right, int bottom) const;

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Colour> pixels_;
};
