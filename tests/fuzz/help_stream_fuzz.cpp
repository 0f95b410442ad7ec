// The help text handed to the rich-edit control in the pieces it asks for:
// every byte once, in order, never more than asked.
#include <cstring>
#include <vector>

#include "monitor/ui/help_stream.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    // The first two bytes give the text's length; the rest ask for pieces.
    const size_t textSize = static_cast<size_t>(data[0]) << 8 | data[1];
    // Exactly as large as the text and each request, so that the address
    // sanitizer sees any copy beyond either.
    std::vector<uint8_t> text(textSize);
    size_t copied = 0;
    HelpStream stream = StartHelpStream(textSize);
    for (size_t i = 2; i < size; ++i) {
        const size_t requested = data[i];
        std::vector<uint8_t> piece(requested);
        const size_t before = stream.position;
        const size_t count = NextHelpChunk(stream, requested);
        FUZZ_CHECK(count <= requested);
        if (count == 0) continue;  // at the end the position may lie past the text
        FUZZ_CHECK(before == copied);
        memcpy(piece.data(), text.data() + before, count);
        copied += count;
    }
    FUZZ_CHECK(copied <= textSize);
    return 0;
}
