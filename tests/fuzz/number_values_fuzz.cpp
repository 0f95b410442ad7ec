// SOUND and the Voltage page's percentages, CSCALE and DEFCASE, and the
// switches SHAREREADINGS and TRAYTIP.
#include <cstdlib>

#include "monitor/settings/settings_text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = FuzzText(data, size, SettingsValueSize - 1);
    const int32_t value = ParseLeadingInteger(text.c_str());
    // Short numbers read as the C library reads them.
    if (text.size() < 9) FUZZ_CHECK(value == static_cast<int32_t>(strtol(text.c_str(), nullptr, 10)));
    const int32_t onOff = ParseOnUnlessZero(text.c_str());
    FUZZ_CHECK(onOff == 0 || onOff == 1);
    // On only for the number 1: what reads as 1 the way the C library reads it.
    if (ParseOptInSwitch(text.c_str())) FUZZ_CHECK(strtol(text.c_str(), nullptr, 10) == 1);
    return 0;
}
