#pragma once

// printf-style formatting that always uses "." as the decimal point, whatever locale the
// process runs under (the toolkit sets the locale from the environment).
//
// Writes at most maxlen characters and a NUL into buf (which holds maxlen + 1 bytes; nothing is
// written when maxlen is negative) and returns the full length of the text, as snprintf does.
int FormatInCLocale(char* buf, int maxlen, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
