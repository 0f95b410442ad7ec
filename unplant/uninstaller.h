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

// Whether a monitor runs anywhere on the machine, seen or not: the system
// lets nobody open a running program's file for writing, and a monitor
// started from any other copy of the program holds the single-instance guard.
bool MonitorStillRuns(const char* monitorPath);

// NT family: deletes the port driver's service and its file. While a monitor
// runs elsewhere (report.monitorRunsElsewhere) the driver is not stopped,
// since that would take the ports from under the monitor and strand the fans
// at its settings: the service goes once it stops, at the latest at the next
// start, and Windows deletes the file then.
void RemoveDriver(const char* driverPath, RemovalReport& report);
// Deletes the monitor's file, or has Windows delete it at the next start
// while a monitor runs from it elsewhere.
void RemoveMonitorFile(WindowsFamily family, const char* monitorPath, RemovalReport& report);
// Silent: without a Program Manager service there is no group to remove.
void RemoveProgramGroup();
void RemoveRegistryEntries(RemovalReport& report);
void RemoveSettings(RemovalReport& report);
// The uninstaller's own file cannot go while it runs: Windows deletes it at
// the next start. A copy that runs from elsewhere deletes the installed one.
void RemoveUninstaller(WindowsFamily family, const char* uninstallerPath, RemovalReport& report);
