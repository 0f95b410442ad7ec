// The readings beyond the window, each switched on by its own key: the
// readings block for other programs (SHAREREADINGS=1, layout in
// common/readings_block.h) and the temperatures in the tray icon's tip
// (TRAYTIP=1). Win32 layer; the record and the tip's text are plain code
// (readings_record.h, monitor/ui/tray_tip.h).
#pragma once

#include <windows.h>

#include "monitor/core/reading_log.h"

// At the end of a monitoring cycle, with its findings and whether it found
// an alarm: the tip, and the record written into the block (created first
// while the monitor has none).
void ShareCycleReadings(HWND window, const CycleFindings& found, bool alarm);
// While the monitor ends: the block says so and disappears with the last
// handle on it.
void CloseReadingsBlock();
