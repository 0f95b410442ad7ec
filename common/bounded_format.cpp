#include "common/bounded_format.h"

#include <cstdarg>

bool FormatWholeUnchecked(char* out, size_t size, const char* format, ...)
{
    if (size == 0) return false;
    va_list arguments;
    va_start(arguments, format);
    const int length = FormatTextV(out, size, format, arguments);
    va_end(arguments);
    if (length < 0 || static_cast<size_t>(length) >= size) {
        out[0] = '\0';
        return false;
    }
    return true;
}
