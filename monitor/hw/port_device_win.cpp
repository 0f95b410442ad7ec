#include "monitor/hw/port_access.h"

// Opening the driver's device is what grants this process port access; the
// grant outlives the handle.
uint32_t OpenPortDevice()
{
    HANDLE device = CreateFileA("\\\\.\\hwpio", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(device);
    return 0;
}
