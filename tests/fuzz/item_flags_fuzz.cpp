// FANONOF, DEFONOF and FANSTALL: a value that does not read whole gives what
// a missing one gives.
#include "monitor/settings/settings_text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = FuzzText(data, size, SettingsValueSize - 1);
    int32_t flags[ReadoutItemCount];
    const bool whole = ParseItemFlags(text.c_str(), flags);
    for (int32_t flag : flags) FUZZ_CHECK(whole ? flag == 0 || flag == 1 : flag == 1);
    int32_t watched[FanChannelCount];
    const bool stallWhole = ParseFanStallFlags(text.c_str(), watched);
    for (int32_t w : watched) FUZZ_CHECK(stallWhole ? w == 0 || w == 1 : w == 0);
    return 0;
}
