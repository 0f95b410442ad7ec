// boardctl's command line: words separated by zero bytes.
#include <vector>

#include "sim/boardctl_args.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string words(reinterpret_cast<const char*>(data), size);
    std::vector<const char*> argv = {"boardctl"};
    for (size_t start = 0; start <= words.size() && argv.size() < 8;) {
        argv.push_back(words.c_str() + start);
        const size_t end = words.find('\0', start);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    BoardctlCommand command;
    if (!ParseBoardctlArguments(static_cast<int>(argv.size()), argv.data(), command)) return 0;
    FUZZ_CHECK(command.firstText < static_cast<int>(argv.size()));
    if (command.action == BoardctlHold || command.action == BoardctlRhythm)
        FUZZ_CHECK(command.count <= BoardctlLongestHoldMs);
    return 0;
}
