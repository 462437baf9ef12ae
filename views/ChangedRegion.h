#pragma once
// The parts of a window's back buffer that one redraw changed, as a short list of
// rectangles that are kept apart: two meters at opposite ends of a panel stay two small
// rectangles instead of one box spanning the panel, so the window repaints only what changed.
//
// Rectangles that overlap or touch are merged, so a view redrawn in pieces still becomes one
// rectangle. The list holds at most kMaxRectangles; past that the two rectangles whose common
// box adds the fewest pixels are merged. Once grown, the list allocates nothing more.

#include <cstddef>
#include <vector>

#include "views/ViewDefinition.h"

class ChangedRegion {
  public:
    static constexpr size_t kMaxRectangles = 16;

    ChangedRegion();

    // Adds a half-open rectangle; an empty one is ignored.
    void Add(const PRect& r);
    void Clear() { rectangles.clear(); }
    bool IsEmpty() const { return rectangles.empty(); }
    // No two of them overlap or touch.
    const std::vector<PRect>& Rectangles() const { return rectangles; }

  private:
    // Merges rectangle i into every other one it overlaps or touches, until none does.
    void MergeTouching(size_t i);
    void MergeCheapestPair();

    std::vector<PRect> rectangles;
};
