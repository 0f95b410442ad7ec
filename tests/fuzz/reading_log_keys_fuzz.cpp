// LOGINTERVAL, LOGSIZE and LOGFILE, and a channel title in the log's header:
// values stay in their ranges, paths in their buffers, and the header keeps
// its 21 columns whatever the title holds.
#include <cstring>

#include "monitor/core/reading_log.h"
#include "monitor/settings/settings_text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = FuzzText(data, size, SettingsValueSize - 1);
    const int32_t seconds = ParseLogInterval(text.c_str());
    FUZZ_CHECK(seconds >= 1 && seconds <= LongestLogIntervalSeconds);
    const int32_t kb = ParseLogSizeKb(text.c_str());
    FUZZ_CHECK(kb >= SmallestLogSizeKb && kb <= LargestLogSizeKb);

    char path[LogPathSize];
    char rotated[LogPathSize];
    if (ResolveLogPaths(text.c_str(), "C:\\WINDOWS\\Kelvimon.EXE", path, rotated))
        FUZZ_CHECK(strlen(path) + strlen(RotatedLogSuffix) == strlen(rotated));

    char titles[FanChannelCount][TitleSize] = {"CPU", "", "Panel"};
    strncpy(titles[1], text.c_str(), TitleSize - 1);
    char line[LogLineSize];
    const size_t length = FormatLogHeader(titles, line, sizeof line);
    FUZZ_CHECK(length == strlen(line) && length > 2);
    // Commas inside quotes do not count.
    int columns = 1;
    bool quoted = false;
    for (const char* c = line; *c; ++c) {
        if (*c == '"') quoted = !quoted;
        if (*c == ',' && !quoted) ++columns;
    }
    FUZZ_CHECK(columns == 21 && !quoted);
    return 0;
}
