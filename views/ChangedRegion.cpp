#include "views/ChangedRegion.h"

#include <algorithm>
#include <cstdint>

namespace {

bool Touch(const PRect& a, const PRect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

PRect Box(const PRect& a, const PRect& b) {
    return {std::min(a.left, b.left), std::max(a.right, b.right), std::min(a.top, b.top),
            std::max(a.bottom, b.bottom)};
}

int64_t Area(const PRect& r) {
    return int64_t{r.right - r.left} * (r.bottom - r.top);
}

}  // namespace

ChangedRegion::ChangedRegion() {
    rectangles.reserve(kMaxRectangles + 1);
}

void ChangedRegion::Add(const PRect& r) {
    if (r.left >= r.right || r.top >= r.bottom) return;
    for (const PRect& known : rectangles)
        if (known.left <= r.left && r.right <= known.right && known.top <= r.top &&
            r.bottom <= known.bottom)
            return;
    rectangles.push_back(r);
    MergeTouching(rectangles.size() - 1);
    if (rectangles.size() > kMaxRectangles) MergeCheapestPair();
}

void ChangedRegion::MergeTouching(size_t i) {
    // A merge grows rectangle i, which may then reach rectangles it missed before.
    bool merged = true;
    while (merged) {
        merged = false;
        for (size_t j = 0; j < rectangles.size(); ++j) {
            if (j == i || !Touch(rectangles[i], rectangles[j])) continue;
            rectangles[i] = Box(rectangles[i], rectangles[j]);
            rectangles.erase(rectangles.begin() + static_cast<std::ptrdiff_t>(j));
            if (j < i) --i;
            merged = true;
            break;
        }
    }
}

void ChangedRegion::MergeCheapestPair() {
    size_t bestA = 0, bestB = 1;
    int64_t bestCost = INT64_MAX;
    for (size_t a = 0; a < rectangles.size(); ++a)
        for (size_t b = a + 1; b < rectangles.size(); ++b) {
            const int64_t cost =
                Area(Box(rectangles[a], rectangles[b])) - Area(rectangles[a]) - Area(rectangles[b]);
            if (cost < bestCost) {
                bestCost = cost;
                bestA = a;
                bestB = b;
            }
        }
    rectangles[bestA] = Box(rectangles[bestA], rectangles[bestB]);
    rectangles.erase(rectangles.begin() + static_cast<std::ptrdiff_t>(bestB));
    MergeTouching(bestA);
}
