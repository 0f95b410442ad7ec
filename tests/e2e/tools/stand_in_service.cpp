// A service that does nothing but run until it is stopped: in a test it
// stands in for the port driver's service where one must be running (Wine
// cannot start the driver itself). Its name is the one it is installed as.
#include <windows.h>

namespace {

char serviceName[] = "hwpio";
SERVICE_STATUS_HANDLE statusHandle;
HANDLE stopRequested;
SERVICE_STATUS status = {SERVICE_WIN32_OWN_PROCESS, SERVICE_RUNNING, SERVICE_ACCEPT_STOP, NO_ERROR, 0, 0, 0};

DWORD WINAPI HandleControl(DWORD control, DWORD, LPVOID, LPVOID)
{
    if (control == SERVICE_CONTROL_STOP) SetEvent(stopRequested);
    return NO_ERROR;
}

void WINAPI RunService(DWORD, LPSTR*)
{
    statusHandle = RegisterServiceCtrlHandlerExA(serviceName, HandleControl, nullptr);
    if (!statusHandle) return;
    SetServiceStatus(statusHandle, &status);
    WaitForSingleObject(stopRequested, INFINITE);
    status.dwCurrentState = SERVICE_STOPPED;
    SetServiceStatus(statusHandle, &status);
}

}  // namespace

int main()
{
    stopRequested = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SERVICE_TABLE_ENTRYA services[] = {{serviceName, RunService}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(services) ? 0 : 1;
}
