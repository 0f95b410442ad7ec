#include "sim/board_device.h"

#include <windows.h>

#include "monitor/hw/port_access.h"
#include "sim/board_store.h"

namespace {

bool IsRunning(uint32_t pid)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process) return false;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

// Frees the slots of processes that have ended: their handles are closed.
void ForgetEndedHolders(SimBoard& board)
{
    for (uint32_t& holder : board.deviceHolder)
        if (holder != 0 && !IsRunning(holder)) holder = 0;
}

bool HoldDevice(SimBoard& board, uint32_t pid)
{
    for (uint32_t holder : board.deviceHolder)
        if (holder == pid) return true;
    for (uint32_t& holder : board.deviceHolder) {
        if (holder == 0) {
            holder = pid;
            return true;
        }
    }
    return false;
}

}  // namespace

// The simulated board stands in for the port-access driver's device: it opens
// only while the scenario says the driver is running and no stop waits.
uint32_t OpenPortDevice()
{
    SimBoard& board = SimBoardInstance();
    SimBoardLock lock(board);
    if (board.driverState != SimDriverRunning || board.driverStopPending) return ERROR_FILE_NOT_FOUND;
    ForgetEndedHolders(board);
    return HoldDevice(board, GetCurrentProcessId()) ? 0 : ERROR_TOO_MANY_OPEN_FILES;
}

bool SimStopDriver(SimBoard& board)
{
    SimBoardLock lock(board);
    if (board.driverState != SimDriverRunning) return true;
    board.driverStopPending = 1;
    ForgetEndedHolders(board);
    for (uint32_t holder : board.deviceHolder)
        if (holder != 0) return false;
    board.driverState = SimDriverStopped;
    board.driverStopPending = 0;
    return true;
}
