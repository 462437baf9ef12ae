// Drives a parameter built from fuzzed bounds, law and unit through typed text and display
// text at every limit, with buffers exactly as large as the limit allows.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/Parameter.h"

namespace {

float ReadFloat(const uint8_t* p) {
    float f;
    std::memcpy(&f, p, sizeof f);
    return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kHeader = 15;
    if (size < kHeader) return 0;

    ParameterDefinition row{};
    row.min = ReadFloat(data);
    row.max = ReadFloat(data + 4);
    row.defaultValue = ReadFloat(data + 8);
    row.unit = data[12] % 20;  // 0..19: every unit and two unknown codes
    row.law = data[13] % 11;   // 0..10: every law and two pass-through codes
    const int limit = data[14];
    std::memcpy(row.name, data + kHeader, size - kHeader < 64 ? size - kHeader : 64);

    Parameter p(&row);

    // The typed text is not NUL-terminated within its bytes; the parser is told its length.
    const size_t textLength = size - kHeader;
    std::vector<char> text(data + kHeader, data + size);
    text.push_back('\0');
    Parameter::_ParseNumberFromString(text.data(), static_cast<int>(textLength));
    p.SetTextualValue(text.data(), static_cast<int>(textLength));

    // Exactly limit + 1 bytes, so AddressSanitizer catches any write past the limit.
    for (int maxlen : {limit, 0, 1, 2, 3, 5, 8}) {
        char* out = static_cast<char*>(std::malloc(static_cast<size_t>(maxlen) + 1));
        p.GetTextualValue(out, maxlen);
        if (strnlen(out, static_cast<size_t>(maxlen) + 1) > static_cast<size_t>(maxlen))
            std::abort();
        float x = p.GetUnNormalisedValue();
        float t = p.value;
        p.GetUnitText(&x, &t, out, maxlen);
        p.GetValueText(x, t, out, maxlen);
        std::free(out);
    }
    p.value = ReadFloat(data + 8);  // a host may store anything
    char small[4];
    p.GetTextualValue(small, 3);
    return 0;
}
