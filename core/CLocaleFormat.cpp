#include "core/CLocaleFormat.h"

#include <locale.h>

#include <cstdarg>
#include <cstdio>

namespace {

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

}  // namespace

int FormatInCLocale(char* buf, int maxlen, const char* format, ...) {
    // uselocale changes only the calling thread's locale, so no other thread sees the switch.
    const locale_t c = CLocale();
    const locale_t previous = c ? uselocale(c) : static_cast<locale_t>(0);

    va_list args;
    va_start(args, format);
    int length;
    if (buf == nullptr || maxlen < 0) {
        length = std::vsnprintf(nullptr, 0, format, args);
    } else {
        length = std::vsnprintf(buf, static_cast<size_t>(maxlen) + 1, format, args);
    }
    va_end(args);

    if (c) uselocale(previous);
    return length < 0 ? 0 : length;
}
