// The reading log's path rules and its recognition of its own file: an
// allowed path is a full path on a drive to a .csv file, never another
// machine, a stream or a wildcard; the resolved path is the name the system
// opens, and the old log's is it with ".old"; a file taken for the log
// begins with a whole header line.
#include <cctype>
#include <cstring>
#include <strings.h>

#include "monitor/core/reading_log.h"
#include "monitor/settings/settings_text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = FuzzText(data, size, SettingsValueSize - 1);
    if (LogPathAllowed(text.c_str())) {
        FUZZ_CHECK(isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':');
        FUZZ_CHECK(text[2] == '\\' || text[2] == '/');
        FUZZ_CHECK(text.find_first_of(":?*", 2) == std::string::npos);
        const size_t end = text.find_last_not_of(". ") + 1;
        FUZZ_CHECK(end >= 4 && strncasecmp(text.c_str() + end - 4, ".csv", 4) == 0);
    }
    char path[LogPathSize];
    char rotated[LogPathSize];
    if (ResolveLogPaths(text.c_str(), "C:\\WINDOWS\\Kelvimon.EXE", path, rotated)) {
        const size_t length = strlen(path);
        FUZZ_CHECK(LogPathAllowed(path) && path[length - 1] != '.' && path[length - 1] != ' ');
        FUZZ_CHECK(std::string(path) + RotatedLogSuffix == rotated);
    }

    const char* start = reinterpret_cast<const char*>(data);
    const size_t length = size < LogLineSize ? size : LogLineSize;
    if (IsOwnLogStart(start, length) && length > 0) {
        const void* lineEnd = memmem(start, length, "\r\n", 2);
        FUZZ_CHECK(lineEnd != nullptr && memcmp(start, "Time,", 5) == 0);
    }
    return 0;
}
