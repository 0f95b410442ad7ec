// The tray icon's tip with TRAYTIP=1: the temperatures the panel shows, in
// its unit, and the word "Alarm" in front while an alarm holds. No platform
// call here; tray_icon_win.cpp hands the text to the shell.
#pragma once

#include <cstddef>

#include "monitor/hw/chip.h"
#include "monitor/settings/monitor_config.h"

// The tip of the first notification-icon record, which Windows 95 and NT 4.0
// take: 63 characters and the terminator.
constexpr size_t TrayTipSize = 64;
// The tip without TRAYTIP, and the body of one without a temperature shown.
constexpr const char* ProgramTip = "Thermivo";

// "CPU 45°C, System 34°C, Panel 29°C", or "Alarm: CPU 81°C, ..." while an
// alarm holds. Titles too long for the tip together are cut to one common
// length, shortest first kept whole, so that every value stays in it.
void FormatTrayTip(char (&tip)[TrayTipSize], const MonitorConfig& config,
                   const SensorSnapshot snapshot[FanChannelCount], bool alarm);
