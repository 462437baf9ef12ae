#include "tools/skingen/Image.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

double Clamp01(double v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

// Coverage of a pixel by a shape whose signed distance at the pixel centre is d (negative
// inside): a one-pixel soft edge.
double EdgeCoverage(double d) {
    return Clamp01(0.5 - d);
}

}  // namespace

Colour Mix(Colour a, Colour b, double t) {
    t = Clamp01(t);
    auto ch = [t](int x, int y) { return int(std::lround(x + (y - x) * t)); };
    return Rgb(ch(RedOf(a), RedOf(b)), ch(GreenOf(a), GreenOf(b)), ch(BlueOf(a), BlueOf(b)));
}

Colour Shade(Colour c, double amount) {
    return amount >= 0 ? Mix(c, Rgb(255, 255, 255), amount) : Mix(c, 0, -amount);
}

Image::Image(int width, int height, Colour fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(size_t(width_) * size_t(height_), fill) {}

Colour Image::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return pixels_[size_t(y) * width_ + x];
}

void Image::Set(int x, int y, Colour c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[size_t(y) * width_ + x] = c;
}

void Image::Blend(int x, int y, Colour c, double coverage) {
    if (coverage <= 0 || x < 0 || y < 0 || x >= width_ || y >= height_) return;
    Colour& p = pixels_[size_t(y) * width_ + x];
    p = coverage >= 1 ? c : Mix(p, c, coverage);
}

void Image::Fill(Colour c) {
    std::fill(pixels_.begin(), pixels_.end(), c);
}

void Image::FillRect(int left, int top, int right, int bottom, Colour c) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_);
    bottom = std::min(bottom, height_);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) pixels_[size_t(y) * width_ + x] = c;
}

void Image::FillRectVertical(int left, int top, int right, int bottom, Colour topColour,
                             Colour bottomColour) {
    const int span = std::max(bottom - top - 1, 1);
    for (int y = top; y < bottom; ++y)
        FillRect(left, y, right, y + 1, Mix(topColour, bottomColour, double(y - top) / span));
}

void Image::FillRoundRect(double left, double top, double right, double bottom, double radius,
                          Colour c, double opacity) {
    const int x0 = std::max(int(std::floor(left)), 0);
    const int y0 = std::max(int(std::floor(top)), 0);
    const int x1 = std::min(int(std::ceil(right)), width_);
    const int y1 = std::min(int(std::ceil(bottom)), height_);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            // Distance to the rectangle shrunk by the radius, minus the radius.
            const double qx = std::max({left + radius - px, 0.0, px - (right - radius)});
            const double qy = std::max({top + radius - py, 0.0, py - (bottom - radius)});
            double d = std::sqrt(qx * qx + qy * qy) - radius;
            // Straight edges: the distance to the nearest side.
            if (qx == 0 && qy == 0)
                d = -std::min({px - left, right - px, py - top, bottom - py});
            else if (qx == 0)
                d = std::max(d, std::max(left - px, px - right));
            else if (qy == 0)
                d = std::max(d, std::max(top - py, py - bottom));
            Blend(x, y, c, EdgeCoverage(d) * opacity);
        }
    }
}

void Image::FrameRect(int left, int top, int right, int bottom, Colour c) {
    FillRect(left, top, right, top + 1, c);
    FillRect(left, bottom - 1, right, bottom, c);
    FillRect(left, top, left + 1, bottom, c);
    FillRect(right - 1, top, right, bottom, c);
}

void Image::FillDisc(double cx, double cy, double radius, Colour c, double opacity) {
    FillArc(cx, cy, -1.0, radius, -360.0, 360.0, c, opacity);
}

void Image::FillArc(double cx, double cy, double inner, double outer, double fromDeg, double toDeg,
                    Colour c, double opacity) {
    const int x0 = std::max(int(std::floor(cx - outer - 1)), 0);
    const int y0 = std::max(int(std::floor(cy - outer - 1)), 0);
    const int x1 = std::min(int(std::ceil(cx + outer + 1)), width_);
    const int y1 = std::min(int(std::ceil(cy + outer + 1)), height_);
    const bool full = toDeg - fromDeg >= 360.0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            const double r = std::sqrt(dx * dx + dy * dy);
            double cover = EdgeCoverage(r - outer);
            if (inner >= 0) cover = std::min(cover, EdgeCoverage(inner - r));
            if (!full && cover > 0) {
                // Clockwise from straight up: atan2 of (x, -y).
                const double a = std::atan2(dx, -dy) * 180.0 / kPi;
                // Soft angular edge, one pixel wide at this radius.
                const double pixelDeg = r > 0.5 ? 180.0 / (kPi * r) : 360.0;
                const double inside = std::min(a - fromDeg, toDeg - a) / pixelDeg;
                cover = std::min(cover, Clamp01(inside + 0.5));
            }
            Blend(x, y, c, cover * opacity);
        }
    }
}

void Image::Line(double x0, double y0, double x1, double y1, double width, Colour c,
                 double opacity) {
    const double half = width / 2;
    const int bx0 = std::max(int(std::floor(std::min(x0, x1) - half - 1)), 0);
    const int by0 = std::max(int(std::floor(std::min(y0, y1) - half - 1)), 0);
    const int bx1 = std::min(int(std::ceil(std::max(x0, x1) + half + 1)), width_);
    const int by1 = std::min(int(std::ceil(std::max(y0, y1) + half + 1)), height_);
    const double vx = x1 - x0, vy = y1 - y0;
    const double len2 = vx * vx + vy * vy;
    for (int y = by0; y < by1; ++y) {
        for (int x = bx0; x < bx1; ++x) {
            const double px = x + 0.5 - x0, py = y + 0.5 - y0;
            const double t = len2 > 0 ? Clamp01((px * vx + py * vy) / len2) : 0.0;
            const double ex = px - t * vx, ey = py - t * vy;
            Blend(x, y, c, EdgeCoverage(std::sqrt(ex * ex + ey * ey) - half) * opacity);
        }
    }
}

void Image::Paste(const Image& src, int x, int y) {
    PasteRegion(src, 0, 0, src.width_, src.height_, x, y);
}

void Image::PasteRegion(const Image& src, int srcLeft, int srcTop, int w, int h, int x, int y) {
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const int sx = srcLeft + i, sy = srcTop + j;
            if (sx < 0 || sy < 0 || sx >= src.width_ || sy >= src.height_) continue;
            Set(x + i, y + j, src.At(sx, sy));
        }
}

Image Image::Crop(int left, int top, int right, int bottom) const {
    Image out(right - left, bottom - top);
    out.PasteRegion(*this, left, top, right - left, bottom - top, 0, 0);
    return out;
}
