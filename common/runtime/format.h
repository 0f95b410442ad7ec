// Formatting into fixed-size buffers, the same in every build: the shipped
// programs carry no C library, and the unit tests check this very code.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "common/runtime/format_check.h"

// One conversion, as read after its '%': "%" alone, or the flags '-' and
// '0', a width, a precision after '.' (each written in digits up to INT_MAX,
// or '*'), 'l', and one of d u s c. 'l' goes with d and u only, '0' too, and
// a precision with d, u and s. Anything else, and a format that ends within
// a conversion, is not supported.
struct FormatConversion {
    bool supported;
    bool leftAlign, zeroPad;
    bool widthArgument;  // '*'
    int width;
    bool precisionArgument;  // ".*"
    int precision;           // -1: none
    bool isLong;
    char type;
    int length;  // characters after the '%'
};

constexpr int LargestFormatCount = 2147483647;

// Digits or '*' at conversion[i]; false when the digits pass LargestFormatCount.
constexpr bool ReadFormatCount(const char* conversion, int& i, bool& argument, int& value)
{
    if (conversion[i] == '*') {
        argument = true;
        ++i;
        return true;
    }
    value = 0;
    for (; conversion[i] >= '0' && conversion[i] <= '9'; ++i) {
        const int digit = conversion[i] - '0';
        if (value > (LargestFormatCount - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return true;
}

// The conversion that begins after a '%'; reads nothing past the format's end.
constexpr FormatConversion ReadFormatConversion(const char* conversion)
{
    FormatConversion c = {};
    c.precision = -1;
    if (conversion[0] == '%') {
        c.supported = true;
        c.type = '%';
        c.length = 1;
        return c;
    }
    int i = 0;
    for (;; ++i) {
        if (conversion[i] == '-') c.leftAlign = true;
        else if (conversion[i] == '0') c.zeroPad = true;
        else break;
    }
    if (!ReadFormatCount(conversion, i, c.widthArgument, c.width)) return c;
    const bool hasPrecision = conversion[i] == '.';
    if (hasPrecision && !ReadFormatCount(conversion, ++i, c.precisionArgument, c.precision)) return c;
    c.isLong = conversion[i] == 'l';
    if (c.isLong) ++i;
    c.type = conversion[i];
    c.length = i + 1;
    const bool numberOnly = c.isLong || c.zeroPad;
    c.supported = c.type == 'd' || c.type == 'u' || (c.type == 's' && !numberOnly) ||
                  (c.type == 'c' && !numberOnly && !hasPrecision);
    return c;
}

// Whether FormatText carries out every conversion of the format.
constexpr bool FormatSupported(const char* format)
{
    for (const char* f = format; *f != '\0'; ++f) {
        if (*f != '%') continue;
        const FormatConversion c = ReadFormatConversion(f + 1);
        if (!c.supported) return false;
        f += c.length;
    }
    return true;
}

// snprintf for the conversions above, whose precision for d and u is the
// least number of digits. Writes at most size bytes including the
// terminator and returns the length the whole text has (so a result >= size
// means it was cut); -1, with an empty string, for a conversion it does not
// support or a text longer than INT_MAX. A negative '*' width aligns left, a
// negative '*' precision is none.
#define FormatText(out, size, ...) \
    (KELVI_CHECK_FORMAT(FormatSupported, __VA_ARGS__), FormatTextUnchecked(out, size, __VA_ARGS__))
int FormatTextUnchecked(char* out, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int FormatTextV(char* out, size_t size, const char* format, va_list arguments)
    __attribute__((format(printf, 3, 0)));
