// Formatting into fixed-size buffers, the same in every build: the shipped
// programs carry no C library, and the unit tests check this very code.
#pragma once

#include <cstdarg>
#include <cstddef>

// snprintf for the conversions the programs use: %d %u %s %c %% (l before d
// and u), flags '-' and '0', a width and, for %s, a precision, either of them
// as '*'. Writes at most size bytes including the terminator and returns the
// length the whole text has (so a result >= size means it was cut); -1, with
// an empty string, for any other conversion.
int FormatText(char* out, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int FormatTextV(char* out, size_t size, const char* format, va_list arguments)
    __attribute__((format(printf, 3, 0)));
