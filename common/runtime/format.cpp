#include "common/runtime/format.h"

namespace {

// Appends to the buffer as far as it reaches and counts every character, so
// that the caller learns the whole length even of a text that did not fit.
struct Output {
    char* out;
    size_t size;
    size_t length;
};

void Put(Output& o, char c)
{
    if (o.length + 1 < o.size) o.out[o.length] = c;
    ++o.length;
}

void PutRepeated(Output& o, char c, int count)
{
    for (; count > 0; --count) Put(o, c);
}

struct Conversion {
    bool leftAlign;
    bool zeroPad;
    int width;
    int precision;  // -1: none
};

// Pads the body (sign, then digits or text) out to the width.
void PutField(Output& o, const Conversion& conv, const char* sign, const char* body, int bodyLength)
{
    int signLength = 0;
    while (sign[signLength]) ++signLength;
    const int padding = conv.width - signLength - bodyLength;
    if (!conv.leftAlign && !conv.zeroPad) PutRepeated(o, ' ', padding);
    for (const char* s = sign; *s; ++s) Put(o, *s);
    if (!conv.leftAlign && conv.zeroPad) PutRepeated(o, '0', padding);
    for (int i = 0; i < bodyLength; ++i) Put(o, body[i]);
    if (conv.leftAlign) PutRepeated(o, ' ', padding);
}

void PutNumber(Output& o, const Conversion& conv, bool negative, unsigned long long magnitude)
{
    char digits[24];
    int count = 0;
    do {
        digits[sizeof digits - 1 - count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    PutField(o, conv, negative ? "-" : "", digits + sizeof digits - count, count);
}

void PutText(Output& o, const Conversion& conv, const char* text)
{
    if (!text) text = "(null)";
    int length = 0;
    while (text[length] && (conv.precision < 0 || length < conv.precision)) ++length;
    // '0' pads numbers only.
    const Conversion padded = {conv.leftAlign, false, conv.width, conv.precision};
    PutField(o, padded, "", text, length);
}

int ReadCount(const char*& f, va_list& arguments)
{
    if (*f == '*') {
        ++f;
        return va_arg(arguments, int);
    }
    int count = 0;
    for (; *f >= '0' && *f <= '9'; ++f) count = count * 10 + (*f - '0');
    return count;
}

}  // namespace

int FormatTextV(char* out, size_t size, const char* format, va_list arguments)
{
    Output o = {out, size, 0};
    va_list a;
    va_copy(a, arguments);
    bool understood = true;
    for (const char* f = format; *f && understood; ++f) {
        if (*f != '%') {
            Put(o, *f);
            continue;
        }
        ++f;
        Conversion conv = {false, false, 0, -1};
        for (;; ++f) {
            if (*f == '-') conv.leftAlign = true;
            else if (*f == '0') conv.zeroPad = true;
            else break;
        }
        conv.width = ReadCount(f, a);
        if (conv.width < 0) {  // a negative '*' width asks for left alignment
            conv.leftAlign = true;
            conv.width = -conv.width;
        }
        if (*f == '.') {
            ++f;
            conv.precision = ReadCount(f, a);
            if (conv.precision < 0) conv.precision = -1;
        }
        const bool isLong = *f == 'l';
        if (isLong) ++f;
        switch (*f) {
        case 'd': {
            const long long value = isLong ? va_arg(a, long) : va_arg(a, int);
            const unsigned long long magnitude =
                value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
            PutNumber(o, conv, value < 0, magnitude);
            break;
        }
        case 'u':
            PutNumber(o, conv, false, isLong ? va_arg(a, unsigned long) : va_arg(a, unsigned int));
            break;
        case 's':
            PutText(o, conv, va_arg(a, const char*));
            break;
        case 'c': {
            const char c[1] = {static_cast<char>(va_arg(a, int))};
            PutField(o, Conversion{conv.leftAlign, false, conv.width, -1}, "", c, 1);
            break;
        }
        case '%':
            Put(o, '%');
            break;
        default:
            understood = false;
            break;
        }
    }
    va_end(a);
    if (!understood) {
        if (size > 0) out[0] = '\0';
        return -1;
    }
    if (size > 0) out[o.length < size ? o.length : size - 1] = '\0';
    return static_cast<int>(o.length);
}

int FormatText(char* out, size_t size, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const int length = FormatTextV(out, size, format, arguments);
    va_end(arguments);
    return length;
}
