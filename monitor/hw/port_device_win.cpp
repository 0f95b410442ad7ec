#include "monitor/hw/port_access.h"

namespace {

HANDLE portDevice = INVALID_HANDLE_VALUE;

}  // namespace

// Opening the driver's device is what grants this process port access. The
// handle stays open until the process ends: the system does not unload a
// driver while a handle on its device is open (a stop waits for the last one
// to close), and unloading would take the ports from under the monitor.
uint32_t OpenPortDevice()
{
    if (portDevice != INVALID_HANDLE_VALUE) return 0;
    HANDLE device = CreateFileA("\\\\.\\hwpio", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device == INVALID_HANDLE_VALUE) return GetLastError();
    portDevice = device;
    return 0;
}
