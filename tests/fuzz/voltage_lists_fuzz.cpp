// VOLT, VOLTBASE, VOLTENABLE and VOLTONOFF: the three read the same values
// whole or not at all; a list written back reads the same.
#include <cstring>

#include "monitor/settings/settings_text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = FuzzText(data, size, SettingsValueSize - 1);
    int32_t slots[VoltageChannelCount];
    const bool flagsWhole = ParseVoltageFlags(text.c_str(), slots);
    if (flagsWhole)
        for (int32_t flag : slots) FUZZ_CHECK(flag == 0 || flag == 1);
    const bool whole = ParseVoltageList(text.c_str(), slots);
    FUZZ_CHECK(whole == flagsWhole);
    if (!whole) return 0;
    char written[SettingsValueSize];
    FormatVoltageList(slots, written, sizeof written);
    int32_t again[VoltageChannelCount];
    FUZZ_CHECK(ParseVoltageList(written, again));
    FUZZ_CHECK(memcmp(slots, again, sizeof slots) == 0);
    return 0;
}
