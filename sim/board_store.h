// Where the simulated board lives and what time it is on it. Two stores exist:
// a process-local board with a clock the tests set (board_store_local.cpp),
// and on Windows a board in named shared memory on the system tick count
// (board_store_shared_win.cpp), seen by every process of the session.
#pragma once

#include "sim/board.h"

SimBoard& SimBoardInstance();
uint32_t SimNowMs();
// The source journalled with this process's port accesses.
uint32_t SimAccessSource();
// Raises the fault that boardctl asked for, once; the process-local board
// takes no such requests.
void SimRaiseRequestedFault(SimBoard& board);
// Before each port access: raises the processor's fault for a port
// instruction of a process whose ports the driver took back.
void SimRaiseRevokedPortFault(const SimBoard& board);
