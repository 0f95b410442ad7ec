#include "common/runtime/format.h"

namespace {

constexpr size_t LongestText = LargestFormatCount;

// Appends to the buffer as far as it reaches and counts every character, so
// that the caller learns the whole length even of a text that did not fit;
// tooLong once the whole length would pass LongestText.
struct Output {
    char* out;
    size_t size;
    size_t length;
    bool tooLong;
};

// Counts count more characters; returns how many of them fit the buffer
// before its terminator, from index first on.
size_t Reserve(Output& o, size_t count, size_t& first)
{
    first = o.length;
    if (o.tooLong || count > LongestText - o.length) {
        o.tooLong = true;
        return 0;
    }
    const size_t room = o.size > o.length + 1 ? o.size - o.length - 1 : 0;
    o.length += count;
    return count < room ? count : room;
}

void PutRepeated(Output& o, char c, size_t count)
{
    size_t first = 0;
    const size_t fitting = Reserve(o, count, first);
    for (size_t i = 0; i < fitting; ++i) o.out[first + i] = c;
}

void PutChars(Output& o, const char* text, size_t count)
{
    size_t first = 0;
    const size_t fitting = Reserve(o, count, first);
    for (size_t i = 0; i < fitting; ++i) o.out[first + i] = text[i];
}

// Where a conversion's text goes: the width, with its '*' taken, and the
// alignment, a negative '*' width included.
struct Field {
    bool leftAlign;
    size_t width;
};

void PadBefore(Output& o, const Field& field, size_t used)
{
    if (!field.leftAlign && field.width > used) PutRepeated(o, ' ', field.width - used);
}

void PadAfter(Output& o, const Field& field, size_t used)
{
    if (field.leftAlign && field.width > used) PutRepeated(o, ' ', field.width - used);
}

// A number: sign, the zeros the precision asks for, the digits (none for a
// zero of precision 0); '0' pads with zeros only when there is no precision.
void PutNumber(Output& o, const Field& field, bool zeroPad, int precision, bool negative,
               unsigned long long magnitude)
{
    char digits[24];
    size_t count = 0;
    for (; magnitude != 0 || (count == 0 && precision != 0); magnitude /= 10)
        digits[sizeof digits - 1 - count++] = static_cast<char>('0' + magnitude % 10);
    const size_t least = precision > 0 ? static_cast<size_t>(precision) : 0;
    const size_t zeros = least > count ? least - count : 0;
    const size_t used = (negative ? 1 : 0) + zeros + count;
    const bool padWithZeros = zeroPad && precision < 0 && !field.leftAlign;
    if (!padWithZeros) PadBefore(o, field, used);
    if (negative) PutChars(o, "-", 1);
    if (padWithZeros && field.width > used) PutRepeated(o, '0', field.width - used);
    PutRepeated(o, '0', zeros);
    PutChars(o, digits + sizeof digits - count, count);
    PadAfter(o, field, used);
}

void PutText(Output& o, const Field& field, int precision, const char* text)
{
    if (!text) text = "(null)";
    size_t length = 0;
    while (text[length] && (precision < 0 || length < static_cast<size_t>(precision))) ++length;
    PadBefore(o, field, length);
    PutChars(o, text, length);
    PadAfter(o, field, length);
}

// Carries out one supported conversion, taking its arguments.
void Convert(Output& o, const FormatConversion& c, va_list& a)
{
    Field field = {c.leftAlign, static_cast<size_t>(c.width)};
    if (c.widthArgument) {
        const int width = va_arg(a, int);
        // -INT_MIN is no int: such a field is longer than any text may be.
        field.leftAlign = field.leftAlign || width < 0;
        field.width = width < 0 ? 0u - static_cast<size_t>(width) : static_cast<size_t>(width);
        if (field.width > LongestText) o.tooLong = true;
    }
    int precision = c.precision;
    if (c.precisionArgument) {
        precision = va_arg(a, int);
        if (precision < 0) precision = -1;
    }
    switch (c.type) {
    case 'd': {
        const long long value = c.isLong ? va_arg(a, long) : va_arg(a, int);
        const unsigned long long magnitude =
            value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
        PutNumber(o, field, c.zeroPad, precision, value < 0, magnitude);
        break;
    }
    case 'u':
        PutNumber(o, field, c.zeroPad, precision, false, c.isLong ? va_arg(a, unsigned long) : va_arg(a, unsigned int));
        break;
    case 's':
        PutText(o, field, precision, va_arg(a, const char*));
        break;
    case 'c': {
        const char text[1] = {static_cast<char>(va_arg(a, int))};
        PadBefore(o, field, 1);
        PutChars(o, text, 1);
        PadAfter(o, field, 1);
        break;
    }
    default:  // '%'
        PutChars(o, "%", 1);
        break;
    }
}

}  // namespace

int FormatTextV(char* out, size_t size, const char* format, va_list arguments)
{
    Output o = {out, size, 0, false};
    va_list a;
    va_copy(a, arguments);
    bool supported = true;
    for (const char* f = format; *f && supported && !o.tooLong;) {
        if (*f != '%') {
            size_t run = 0;
            while (f[run] != '\0' && f[run] != '%') ++run;
            PutChars(o, f, run);
            f += run;
            continue;
        }
        const FormatConversion c = ReadFormatConversion(f + 1);
        supported = c.supported;
        if (!supported) break;  // before the end, which an unfinished conversion reached
        Convert(o, c, a);
        f += 1 + c.length;
    }
    va_end(a);
    if (!supported || o.tooLong) {
        if (size > 0) out[0] = '\0';
        return -1;
    }
    if (size > 0) out[o.length < size ? o.length : size - 1] = '\0';
    return static_cast<int>(o.length);
}

int FormatTextUnchecked(char* out, size_t size, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const int length = FormatTextV(out, size, format, arguments);
    va_end(arguments);
    return length;
}
