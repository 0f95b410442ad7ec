// The one-second monitoring cycle, run for every WM_TIMER of the main window.
#pragma once

#include <windows.h>

#include <cstdint>

// 1 while the last cycle found an alarm; read by the warning-sound worker.
extern volatile int32_t alarmActive;
// The last result of ToggleTrayIcon: 0 while the alarm icon shows.
extern int32_t trayIconState;
// The channel shown last in the minimised window's title.
extern int titleChannel;

void RunMonitoringCycle(HWND window);
