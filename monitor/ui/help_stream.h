// Reading the help text resource in the pieces the rich-edit control asks for.
#pragma once

#include <cstddef>

struct HelpStream {
    size_t position;
    size_t lastIndex;  // index of the last byte; the stream is empty when position is past it
};

HelpStream StartHelpStream(size_t size);
// How many bytes the next request of `requested` bytes gets (0 at the end);
// advances the position by that many.
size_t NextHelpChunk(HelpStream& stream, size_t requested);
