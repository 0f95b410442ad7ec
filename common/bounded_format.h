// Formatting into the programs' fixed-size buffers. A text that does not
// fit whole is never written cut: a cut path or command would name another
// file or folder than the one meant.
#pragma once

#include <cstddef>

#include "common/runtime/format.h"

// FormatText, but true only when the whole text fit; otherwise the buffer
// is left empty. The build checks the format as FormatText's.
#define FormatWhole(out, size, ...) \
    (KELVI_CHECK_FORMAT(FormatSupported, __VA_ARGS__), FormatWholeUnchecked(out, size, __VA_ARGS__))
bool FormatWholeUnchecked(char* out, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
