#include "monitor/hw/port_access.h"

#include "monitor/hw/port_driver.h"

namespace {

// Valid only while InstallPortDriver runs.
SC_HANDLE serviceManager;

int OpenServiceManager()
{
    serviceManager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    return serviceManager != nullptr;
}

void CloseServiceManager()
{
    CloseServiceHandle(serviceManager);
    serviceManager = nullptr;
}

void SystemDirectory(char* buffer, uint32_t size)
{
    GetSystemDirectoryA(buffer, size);
}

constexpr PortDriverOps Win32PortDriverOps = {
    OpenPortDevice, OpenServiceManager, CloseServiceManager, SystemDirectory, CreateDriverService, StartDriverService,
};

}  // namespace

uint32_t CreateDriverService(const char* path, const char* serviceName)
{
    SC_HANDLE service = CreateServiceA(serviceManager, serviceName, serviceName, SERVICE_ALL_ACCESS,
                                       SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, path,
                                       nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!service) return GetLastError();
    CloseServiceHandle(service);
    return 0;
}

uint32_t StartDriverService(const char* serviceName)
{
    SC_HANDLE service = OpenServiceA(serviceManager, serviceName, SERVICE_ALL_ACCESS);
    if (!service) return GetLastError();
    const uint32_t result = StartServiceA(service, 0, nullptr) ? 0 : GetLastError();
    CloseServiceHandle(service);
    return result;
}

uint32_t InstallPortDriver()
{
    return InstallPortDriverWith(Win32PortDriverOps);
}

bool EnsurePortAccess(HINSTANCE instance)
{
    const uint32_t code = PortAccessCode(GetVersion(), Win32PortDriverOps);
    if (code == 0) return true;
    ShowServiceError(nullptr, instance, "Thermivo", code);
    return false;
}

void ShowServiceError(HWND owner, HINSTANCE instance, const char* caption, uint32_t code)
{
    char text[128];
    if (LoadStringA(instance, code, text, sizeof text) == 0) LoadStringA(instance, ErrorUnexpected, text, sizeof text);
    MessageBoxA(owner, text, caption, MB_OK);
}
