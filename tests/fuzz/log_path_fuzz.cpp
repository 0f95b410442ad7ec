// The reading log's path rules and its recognition of its own file: an
// allowed path never reaches another machine, a stream or a wildcard, and a
// file taken for the log begins with a whole header line.
#include <cstring>

#include "monitor/core/reading_log.h"
#include "monitor/settings/settings_text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = FuzzText(data, size, SettingsValueSize - 1);
    if (LogPathAllowed(text.c_str())) {
        const bool separatorFirst = text[0] == '\\' || text[0] == '/';
        FUZZ_CHECK(!(separatorFirst && (text[1] == '\\' || text[1] == '/')));
        const size_t colon = text.find_first_of(":?*", 1);
        FUZZ_CHECK(colon == std::string::npos || (colon == 1 && text.find_first_of(":?*", 2) == std::string::npos));
    }
    char path[LogPathSize];
    char rotated[LogPathSize];
    if (ResolveLogPaths(text.c_str(), "C:\\WINDOWS\\Kelvimon.EXE", path, rotated))
        FUZZ_CHECK(LogPathAllowed(path) && LogPathAllowed(rotated));

    const char* start = reinterpret_cast<const char*>(data);
    const size_t length = size < LogLineSize ? size : LogLineSize;
    if (IsOwnLogStart(start, length) && length > 0) {
        const void* lineEnd = memmem(start, length, "\r\n", 2);
        FUZZ_CHECK(lineEnd != nullptr && memcmp(start, "Time,", 5) == 0);
    }
    return 0;
}
