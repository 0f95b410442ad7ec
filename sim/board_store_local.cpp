#include "sim/board_store_local.h"

#include "sim/board_store.h"

namespace {
SimBoard localBoard;
uint32_t localNowMs;
bool localBoardReady;
}  // namespace

SimBoard& SimBoardInstance()
{
    if (!localBoardReady) SimResetLocalBoard();
    return localBoard;
}

uint32_t SimNowMs()
{
    return localNowMs;
}

uint32_t SimAccessSource()
{
    return 0;
}

void SimRaiseRequestedFault(SimBoard&) {}

void SimRaiseRevokedPortFault(const SimBoard&) {}

void SimResetLocalBoard()
{
    SimResetBoard(localBoard, 0);
    localNowMs = 0;
    localBoardReady = true;
}

void SimSetNowMs(uint32_t ms)
{
    localNowMs = ms;
}
