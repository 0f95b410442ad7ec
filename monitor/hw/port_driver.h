// Obtaining port access. On the 95/98 family user programs may use I/O ports
// as they are; on the NT family the kernel driver "hwpio" must be installed
// as a service, started, and its device opened by the process, which keeps
// it open so that the driver cannot be unloaded while the monitor runs.
//
// The decisions live here, free of the platform; the Win32 calls behind them
// are passed in, so that every path can be exercised against a stand-in.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/windows_family.h"

constexpr uint32_t ErrorServiceExists = 1073;      // ERROR_SERVICE_EXISTS
constexpr uint32_t ErrorNoServiceManager = 9998;   // our own: no full access to the service manager
constexpr uint32_t ErrorUnexpected = 9999;         // our own: string shown for codes without a message
constexpr const char* PortDriverFile = "hwpio.sys";

struct PortDriverOps {
    uint32_t (*openDevice)();  // 0 when "\\.\hwpio" is open (and stays open), else the error
    int (*openServiceManager)();  // 1 when opened with full access
    void (*closeServiceManager)();
    void (*systemDirectory)(char* buffer, uint32_t size);
    uint32_t (*createDriverService)(const char* path, const char* serviceName);
    uint32_t (*startDriverService)(const char* serviceName);
};

// 0 when port access is available, otherwise the code to report.
uint32_t PortAccessCode(uint32_t version, const PortDriverOps& ops);
uint32_t InstallPortDriverWith(const PortDriverOps& ops);

// The file name of a path without folder and extension: the service name.
void DriverServiceName(const char* path, char* name, size_t nameSize);
