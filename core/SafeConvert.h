#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>

// Conversions whose plain C++ forms are undefined for NaN or out-of-range values.

// Truncates toward zero; NaN gives 0 and values beyond the int32 range saturate.
inline int32_t TruncateToInt32(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// Rounds a double to float; finite values beyond the float range become infinities, as the
// hardware conversion gives.
inline float NarrowToFloat(double v) {
    if (v > static_cast<double>(FLT_MAX)) return HUGE_VALF;
    if (v < -static_cast<double>(FLT_MAX)) return -HUGE_VALF;
    return static_cast<float>(v);
}
