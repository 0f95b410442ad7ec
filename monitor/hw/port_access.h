// Port access at start-up (Win32 layer over port_driver.h).
#pragma once

#include <windows.h>

#include <cstdint>

// True when port access is available; false after the reason has been shown.
bool EnsurePortAccess(HINSTANCE instance);
uint32_t InstallPortDriver();
uint32_t CreateDriverService(const char* path, const char* serviceName);
uint32_t StartDriverService(const char* serviceName);
void ShowServiceError(HWND owner, HINSTANCE instance, const char* caption, uint32_t code);

// Opens "\\.\hwpio" and keeps it open for the life of the process: 0 on
// success (also when it is open already), else the error. The simulator
// build answers it from the simulated board.
uint32_t OpenPortDevice();
