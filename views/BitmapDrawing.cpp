#include "views/BitmapDrawing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// The rectangle limited to the bitmap, as 64-bit bounds so extreme inputs cannot overflow.
struct Span {
    int64_t left, right, top, bottom;
};

Span ClipToBitmap(const Bitmap& b, const PRect& r) {
    return {std::max<int64_t>(r.left, 0), std::min<int64_t>(r.right, b.GetWidth()),
            std::max<int64_t>(r.top, 0), std::min<int64_t>(r.bottom, b.GetHeight())};
}

// Liang-Barsky: cuts the line to the area -1..width, -1..height; false when nothing is left.
bool CutToArea(int* x1, int* y1, int* x2, int* y2, int width, int height) {
    const double ox = *x1, oy = *y1;
    const double dx = static_cast<double>(*x2) - *x1, dy = static_cast<double>(*y2) - *y1;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ox + 1, width - ox, oy + 1, height - oy};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) return false;
    }
    *x2 = static_cast<int>(std::lround(ox + t1 * dx));
    *y2 = static_cast<int>(std::lround(oy + t1 * dy));
    *x1 = static_cast<int>(std::lround(ox + t0 * dx));
    *y1 = static_cast<int>(std::lround(oy + t0 * dy));
    return true;
}

}  // namespace

void FillRectInBitmap(Bitmap* target, const PRect& r, long colour) {
    if (!target || !target->ThereIsBitmapData()) return;
    const Span s = ClipToBitmap(*target, r);
    if (s.left >= s.right || s.top >= s.bottom) return;
    // One pixel is laid out once; the rows are filled with copies of it.
    int32_t filled;
    pixel::Store(&filled, colour);
    int32_t* bits = target->GetBits();
    const int rowLength = target->GetRowLength();
    for (int64_t y = s.top; y < s.bottom; ++y) {
        int32_t* row = bits + y * rowLength;
        std::fill(row + s.left, row + s.right, filled);
    }
    target->ReleaseBits();
}

void FrameRectInBitmap(Bitmap* target, const PRect& r, long colour) {
    if (r.left >= r.right || r.top >= r.bottom) return;
    const int32_t lastX = r.right - 1;
    const int32_t lastY = r.bottom - 1;
    FillRectInBitmap(target, {r.left, r.right, r.top, r.top + 1}, colour);
    FillRectInBitmap(target, {r.left, r.right, lastY, r.bottom}, colour);
    FillRectInBitmap(target, {r.left, r.left + 1, r.top, r.bottom}, colour);
    FillRectInBitmap(target, {lastX, r.right, r.top, r.bottom}, colour);
}

void DrawLineInBitmap(Bitmap* target, int x1, int y1, int x2, int y2, long colour) {
    if (!target || !target->ThereIsBitmapData()) return;
    const int width = target->GetWidth();
    const int height = target->GetHeight();
    // A line wholly on one side of the bitmap touches none of its pixels.
    if ((x1 < 0 && x2 < 0) || (y1 < 0 && y2 < 0) || (x1 >= width && x2 >= width) ||
        (y1 >= height && y2 >= height)) {
        return;
    }
    // A very long line is first cut to the bitmap, so drawing costs at most its visible length.
    const int64_t limit = 2 * (int64_t{width} + height);
    if (std::llabs(int64_t{x2} - x1) > limit || std::llabs(int64_t{y2} - y1) > limit) {
        if (!CutToArea(&x1, &y1, &x2, &y2, width, height)) return;
    }
    int32_t* bits = target->GetBits();
    const int rowLength = target->GetRowLength();
    // Bresenham over 64-bit error terms, plotting only the pixels inside the bitmap.
    int64_t x = x1, y = y1;
    const int64_t dx = std::llabs(int64_t{x2} - x1), dy = -std::llabs(int64_t{y2} - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int64_t err = dx + dy;
    while (true) {
        if (x >= 0 && y >= 0 && x < width && y < height) {
            pixel::Store(bits + y * rowLength + x, colour);
        }
        if (x == x2 && y == y2) break;
        const int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    target->ReleaseBits();
}
