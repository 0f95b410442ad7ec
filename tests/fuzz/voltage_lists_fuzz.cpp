// VOLT, VOLTBASE, VOLTENABLE and VOLTONOFF; a signed list written back reads
// the same.
#include <cstring>

#include "monitor/settings/settings_text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = FuzzText(data, size, SettingsValueSize - 1);
    int32_t slots[VoltageChannelCount];
    ParseVoltageList(text.c_str(), slots);
    ParseVoltageFlags(text.c_str(), slots);
    for (int32_t flag : slots) FUZZ_CHECK(flag == 0 || flag == 1);
    ParseSignedVoltageList(text.c_str(), slots);
    char written[SettingsValueSize];
    FormatVoltageList(slots, written, sizeof written);
    int32_t again[VoltageChannelCount];
    ParseSignedVoltageList(written, again);
    FUZZ_CHECK(memcmp(slots, again, sizeof slots) == 0);
    return 0;
}
