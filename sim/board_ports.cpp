#include "monitor/hw/port_io.h"
#include "sim/board_store.h"

// The port door of the simulator build: every access goes to the simulated
// board instead of the processor's I/O space.
uint8_t PortIn8(uint16_t port)
{
    SimBoard& board = SimBoardInstance();
    SimRaiseRevokedPortFault(board);
    uint8_t value;
    {
        SimBoardLock lock(board);
        value = SimPortRead(board, port, SimNowMs(), SimAccessSource());
    }
    SimRaiseRequestedFault(board);
    return value;
}

void PortOut8(uint16_t port, uint8_t value)
{
    SimBoard& board = SimBoardInstance();
    SimRaiseRevokedPortFault(board);
    SimBoardLock lock(board);
    SimPortWrite(board, port, value, SimNowMs(), SimAccessSource());
}
