// Reading numbers out of the settings' texts, the same in every build.
#pragma once

#include "common/runtime/format_check.h"

// Whether ScanText carries out every conversion of the format: "%d" only.
constexpr bool ScanFormatSupported(const char* format)
{
    for (const char* f = format; *f != '\0'; ++f)
        if (*f == '%' && *++f != 'd') return false;
    return true;
}

// sscanf for the one conversion the settings use, %d (leading blanks
// skipped, an optional sign, decimal digits; a value beyond the int range
// reads as the nearest end of it). A blank in the format skips any blanks,
// another character must match itself; another '%' ends the reading as a
// mismatch. Returns the number of values stored, or -1 when the text ends
// before the first one.
#define ScanText(text, ...) \
    (KELVI_CHECK_FORMAT(ScanFormatSupported, __VA_ARGS__), ScanTextUnchecked(text, __VA_ARGS__))
int ScanTextUnchecked(const char* text, const char* format, ...) __attribute__((format(scanf, 2, 3)));

// The C library's isspace and isdigit of the "C" locale, for any byte.
constexpr bool IsSpaceChar(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

constexpr bool IsDigitChar(char c)
{
    return c >= '0' && c <= '9';
}
