#include "monitor/ui/help_stream.h"

HelpStream StartHelpStream(size_t size)
{
    // An empty resource starts past its (nonexistent) last byte.
    return size == 0 ? HelpStream{1, 0} : HelpStream{0, size - 1};
}

size_t NextHelpChunk(HelpStream& stream, size_t requested)
{
    if (stream.position > stream.lastIndex) return 0;
    const size_t remaining = stream.lastIndex - stream.position + 1;
    const size_t count = requested < remaining ? requested : remaining;
    stream.position += count;
    return count;
}
