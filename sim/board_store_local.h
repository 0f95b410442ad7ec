// The process-local board used by unit tests: time stands still until a test
// moves it.
#pragma once

#include <cstdint>

void SimResetLocalBoard();
void SimSetNowMs(uint32_t ms);
