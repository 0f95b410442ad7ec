// The uninstaller's Win32 layer: no window of its own, only message boxes,
// and the removal steps that run one after the other. A step that fails is
// recorded in the report and the next step still runs.
#pragma once

#include <windows.h>

#include "unplant/removal_plan.h"

int RunUninstaller(const char* commandLine);

// Asks a running monitor to close, so that it saves its settings and gives
// the board's fan control back; false when its window is still there after
// 10 s.
bool CloseMonitor();

// NT family: stops and deletes the port driver's service, deletes its file
// or has Windows delete it at the next start.
void RemoveDriver(const char* driverPath, RemovalReport& report);
void RemoveMonitorFile(const char* monitorPath, RemovalReport& report);
// Silent: without a Program Manager service there is no group to remove.
void RemoveProgramGroup();
void RemoveRegistryEntries(RemovalReport& report);
void RemoveSettings(RemovalReport& report);
// The uninstaller's own file cannot go while it runs: Windows deletes it at
// the next start. A copy that runs from elsewhere deletes the installed one.
void RemoveUninstaller(WindowsFamily family, const char* uninstallerPath, RemovalReport& report);
