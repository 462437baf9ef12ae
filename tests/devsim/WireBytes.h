#pragma once
// Building and reading the device's wire format in tests.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "devsim/DeviceModel.h"

namespace devsim_test {

inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

inline uint32_t Get32(const uint8_t* b) {
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
}

struct Pair {
    uint32_t id;
    uint32_t value;
};

inline std::vector<uint8_t> Pairs(std::initializer_list<Pair> pairs) {
    std::vector<uint8_t> out;
    for (const Pair& p : pairs) {
        Put32(out, p.id);
        Put32(out, p.value);
    }
    return out;
}

// A vendor-dependent frame: ctype 0x00 CONTROL or 0x01 STATUS.
inline std::vector<uint8_t> AVCFrame(uint8_t ctype, std::initializer_list<Pair> pairs) {
    std::vector<uint8_t> out{ctype,
                             0xFF,
                             0x00,
                             uint8_t(devsim::kCompanyID >> 16),
                             uint8_t(devsim::kCompanyID >> 8),
                             uint8_t(devsim::kCompanyID),
                             0x03,
                             uint8_t(pairs.size())};
    std::vector<uint8_t> body = Pairs(pairs);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace devsim_test
