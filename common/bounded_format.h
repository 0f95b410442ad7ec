// Formatting into the programs' fixed-size buffers. A text that does not
// fit whole is never written cut: a cut path or command would name another
// file or folder than the one meant.
#pragma once

#include <cstddef>

// Like snprintf, but true only when the whole text fit; otherwise the buffer
// is left empty.
bool FormatWhole(char* out, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
