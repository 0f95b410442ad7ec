// FANONOF, DEFONOF and FANSTALL.
#include "monitor/settings/settings_text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = FuzzText(data, size, SettingsValueSize - 1);
    int32_t flags[ReadoutItemCount];
    ParseItemFlags(text.c_str(), flags);
    for (int32_t flag : flags) FUZZ_CHECK(flag == 0 || flag == 1);
    int32_t watched[FanChannelCount];
    ParseFanStallFlags(text.c_str(), watched);
    for (int32_t w : watched) FUZZ_CHECK(w == 0 || w == 1);
    return 0;
}
