// install.ini as the installer reads it: lines, cut and split.
#include <cstring>

#include "setup/install_ini.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

struct Bytes {
    const uint8_t* data;
    size_t size;
    size_t next;
};

bool ReadByte(void* context, char* byte)
{
    Bytes& bytes = *static_cast<Bytes*>(context);
    if (bytes.next == bytes.size) return false;
    *byte = static_cast<char>(bytes.data[bytes.next++]);
    return true;
}

void Store(void*, const IniSetting& setting)
{
    FUZZ_CHECK(strchr(setting.key, '=') == nullptr);
    FUZZ_CHECK(strlen(setting.key) + 1 + strlen(setting.value) < IniLineSize);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Bytes bytes = {data, size, 0};
    ForEachIniSetting({ReadByte, &bytes}, Store, nullptr);
    return 0;
}
