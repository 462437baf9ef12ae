#pragma once
// Bringing a stored normalised value into the range a picture can show: parameters may hold
// anything (a host or a control may store a value unclamped), and NaN counts as 0.

inline float ClampToUnit(float v) {
    if (!(v > 0.0f)) return 0.0f;  // also NaN
    return v < 1.0f ? v : 1.0f;
}
