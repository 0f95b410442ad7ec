#include "common/runtime/scan.h"

#include <cstdarg>
#include <cstdint>

namespace {

constexpr int64_t IntMax = 2147483647;
constexpr int64_t IntMin = -IntMax - 1;

enum class Read { Value, NoNumber, EndOfText };

Read ReadInt(const char*& t, int& value)
{
    while (IsSpaceChar(*t)) ++t;
    if (!*t) return Read::EndOfText;
    const char* c = t;
    const bool negative = *c == '-';
    if (*c == '-' || *c == '+') ++c;
    if (!IsDigitChar(*c)) return Read::NoNumber;
    int64_t magnitude = 0;
    for (; IsDigitChar(*c); ++c) {
        // Past the range the value stays at its end, however many digits follow.
        if (magnitude <= IntMax + 1) magnitude = magnitude * 10 + (*c - '0');
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    value = static_cast<int>(signedValue > IntMax ? IntMax : signedValue < IntMin ? IntMin : signedValue);
    t = c;
    return Read::Value;
}

}  // namespace

int ScanTextUnchecked(const char* text, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    int stored = 0;
    const char* t = text;
    bool atEnd = false;
    for (const char* f = format; *f; ++f) {
        if (IsSpaceChar(*f)) {
            while (IsSpaceChar(*t)) ++t;
        } else if (f[0] == '%') {
            if (f[1] != 'd') break;
            ++f;
            int value = 0;
            const Read read = ReadInt(t, value);
            if (read != Read::Value) {
                atEnd = read == Read::EndOfText;
                break;
            }
            *va_arg(arguments, int*) = value;
            ++stored;
        } else if (*t == *f && *t) {
            ++t;
        } else {
            atEnd = !*t;
            break;
        }
    }
    va_end(arguments);
    return stored == 0 && atEnd ? -1 : stored;
}
