#pragma once
// The plain formats shared by the skin tables and every view: rectangles, points, view ids
// and one row of a skin table.

#include <cstdint>

// Left, right, top, bottom. Blits and drawing treat it as half-open (right and bottom
// excluded); the view hit test counts both edges as inside.
struct PRect {
    int32_t left;
    int32_t right;
    int32_t top;
    int32_t bottom;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
};

struct PPoint {
    int32_t x;
    int32_t y;
};

// A view's row index in its skin table.
using ViewID = uint32_t;

// Lists of related parameters end at the first -1.
constexpr int kMaxRelatedParameters = 256;
constexpr int32_t kEndOfParameters = -1;

// One row of a built-in skin table. Row k has id k, a parent precedes its children, and
// row 0 is the root whose rectangle is the panel's extent.
struct ViewDefinition {
    ViewID id;
    PRect rect;
    const char* typeName;
    int32_t parentRow;     // -1 for the root
    bool hidden;           // the view starts hidden
    const char* initText;  // lines separated by "\n"; "" when the view needs none
    int32_t relatedParameters[kMaxRelatedParameters];  // ended by -1
};
