#include "monitor/hw/port_driver.h"

#include <cstring>

#include "common/runtime/format.h"

uint32_t PortAccessCode(uint32_t version, const PortDriverOps& ops)
{
    if (IsWindows9xFamily(version)) return 0;
    return InstallPortDriverWith(ops);
}

void DriverServiceName(const char* path, char* name, size_t nameSize)
{
    const char* base = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') base = p + 1;
    const char* dot = strrchr(base, '.');
    const size_t length = dot ? static_cast<size_t>(dot - base) : strlen(base);
    FormatText(name, nameSize, "%.*s", static_cast<int>(length), base);
}

uint32_t InstallPortDriverWith(const PortDriverOps& ops)
{
    // Normal path once the driver runs: the device opens at once.
    if (ops.openDevice() == 0) return 0;
    if (!ops.openServiceManager()) return ErrorNoServiceManager;

    char systemDirectory[260] = "";
    ops.systemDirectory(systemDirectory, sizeof systemDirectory);
    char path[300];  // room for a full 260-character system directory
    FormatText(path, sizeof path, "%s\\drivers\\%s", systemDirectory, PortDriverFile);
    char serviceName[300];
    DriverServiceName(path, serviceName, sizeof serviceName);

    uint32_t result = ops.createDriverService(path, serviceName);
    if (result == 0 || result == ErrorServiceExists) {
        result = ops.startDriverService(serviceName);
        // A driver that started but whose device still does not open grants
        // nothing; going on would fault at the first port access, so report
        // the device's own error instead.
        if (result == 0) result = ops.openDevice();
    }
    ops.closeServiceManager();
    return result;
}
