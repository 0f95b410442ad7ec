// TITLEn: the name and the page title always fit their slots.
#include <cstring>

#include "monitor/settings/settings_text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = FuzzText(data, size, SettingsValueSize - 1);
    SetChannelTitle(2, text.c_str());
    FUZZ_CHECK(strnlen(monitorConfig.fanTitle[2], TitleSize) < TitleSize);
    FUZZ_CHECK(strnlen(monitorConfig.fanPageTitle[2], TitleSize) < TitleSize);
    FUZZ_CHECK(strncmp(monitorConfig.fanTitle[2], text.c_str(), strlen(monitorConfig.fanTitle[2])) == 0);
    return 0;
}
