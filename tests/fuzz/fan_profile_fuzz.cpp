// FANn and RESETn: a text either reads whole, giving a curve in order, or
// leaves the profile as a missing key does; what a profile parses to is
// written back and parses again to the same profile.
#include <cstring>

#include "monitor/settings/settings_text.h"
#include "monitor/settings/monitor_config.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = FuzzText(data, size, SettingsValueSize - 1);
    monitorConfig = InitialMonitorConfig();
    ParseFanProfile(1, "");
    const FanProfile missing = monitorConfig.fan[1];
    const bool whole = ParseFanProfile(1, text.c_str());
    const FanProfile parsed = monitorConfig.fan[1];
    FUZZ_CHECK(parsed.autoMode == 0 || parsed.autoMode == 1);
    FUZZ_CHECK(LimitsInOrder(parsed.tempLimit, 5));
    if (!whole) FUZZ_CHECK(memcmp(&parsed, &missing, sizeof parsed) == 0);
    char written[SettingsValueSize];
    FormatFanProfile(1, written, sizeof written);
    FUZZ_CHECK(ParseFanProfile(1, written));
    FUZZ_CHECK(memcmp(&parsed, &monitorConfig.fan[1], sizeof parsed) == 0);
    return 0;
}
