// Scenario files of the simulated board, and what the board then does with
// their values.
#include <cstring>

#include "sim/board.h"
#include "tests/fuzz/fuzz_input.h"

namespace {
SimBoard board;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = FuzzText(data, size, 16383);
    SimResetBoard(board, 0);
    char error[200];
    const int understood = SimApplyScenario(board, text.c_str(), error, sizeof error);
    if (!understood) FUZZ_CHECK(strnlen(error, sizeof error) < sizeof error && error[0] != '\0');
    for (uint32_t now : {0u, 12345u, 4000000000u}) {
        for (int i = 0; i < 3; ++i) {
            SimTemperatureAt(board, i, now);
            SimFanRpm(board, i, now);
            SimFanCount(board, i, now);
        }
        for (int k = 0; k < 8; ++k) SimVoltsFromRaw(k, SimVoltageReading(board, k, now));
        // The inputs, as the monitor reads them through the ports.
        for (uint8_t reg = 0x0D; reg <= 0x2B; ++reg) {
            SimPortWrite(board, 0x295, reg, now);
            SimPortRead(board, 0x296, now);
        }
    }
    return 0;
}
