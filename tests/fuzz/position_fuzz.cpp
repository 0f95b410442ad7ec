// POSITION: both numbers or nothing.
#include "monitor/settings/settings_text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = FuzzText(data, size, SettingsValueSize - 1);
    int32_t x = 12345, y = 67890;
    if (!ParsePosition(text.c_str(), &x, &y)) return 0;
    FUZZ_CHECK(text.find(',') != std::string::npos);
    return 0;
}
