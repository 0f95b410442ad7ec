// A service that runs until it is stopped: in a test it stands in for the
// port driver's service where one must be running (Wine cannot start the
// driver itself). Its name is the one it is installed as. A stop unloads the
// simulated board's port driver as the system would: only once no process
// holds its device open, reporting the stop as pending until then.
#include <windows.h>

#include "sim/board_device.h"
#include "sim/board_store.h"

namespace {

char serviceName[] = "hwpio";
constexpr DWORD StopPollMs = 50;
SERVICE_STATUS_HANDLE statusHandle;
HANDLE stopRequested;
SERVICE_STATUS status = {SERVICE_WIN32_OWN_PROCESS, SERVICE_RUNNING, SERVICE_ACCEPT_STOP, NO_ERROR, 0, 0, 0};

void Report(DWORD state)
{
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwCheckPoint = state == SERVICE_STOP_PENDING ? status.dwCheckPoint + 1 : 0;
    status.dwWaitHint = state == SERVICE_STOP_PENDING ? 2 * StopPollMs : 0;
    SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI HandleControl(DWORD control, DWORD, LPVOID, LPVOID)
{
    if (control == SERVICE_CONTROL_STOP) {
        Report(SERVICE_STOP_PENDING);
        SetEvent(stopRequested);
    }
    return NO_ERROR;
}

void WINAPI RunService(DWORD, LPSTR*)
{
    statusHandle = RegisterServiceCtrlHandlerExA(serviceName, HandleControl, nullptr);
    if (!statusHandle) return;
    Report(SERVICE_RUNNING);
    WaitForSingleObject(stopRequested, INFINITE);
    while (!SimStopDriver(SimBoardInstance())) {
        Report(SERVICE_STOP_PENDING);
        Sleep(StopPollMs);
    }
    Report(SERVICE_STOPPED);
}

}  // namespace

int main()
{
    stopRequested = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SERVICE_TABLE_ENTRYA services[] = {{serviceName, RunService}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(services) ? 0 : 1;
}
