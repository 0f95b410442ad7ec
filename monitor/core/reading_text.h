// How readings become text: the panel's value strips, the reading log and
// the minimised window's title show them alike. No platform calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "monitor/settings/monitor_config.h"

// "045oC", "-005oC", "1000oC"; in Fahrenheit the value is converted first.
void FormatTemperature(char* text, size_t size, int32_t celsius, int32_t celsiusScale);
// Five digits and a blank that covers a sixth digit left over from before.
void FormatFanSpeed(char* text, size_t size, int32_t rpm);
// " 1.74V", "-12.09V": truncated hundredths, the sign in front.
void FormatVoltage(char* text, size_t size, int32_t millivolts);
// The reading in millivolts as the panel takes it: truncated toward zero.
int32_t VoltageMillivolts(double volts);
// A reading to the nearest 0.1 V, in hundredths of a volt: the VCore base
// taken from the first reading, and the Voltage page's "current VCore".
int32_t NearestTenthInHundredths(int32_t millivolts);
// The voltage labels of the panel, one 20-pixel row of bitmap 1408 per
// channel. tools/gen_panel_art.py draws the bitmap from this table, and the
// reading log names its columns with it.
constexpr const char* PanelVoltageLabel[VoltageChannelCount] = {"VCORE", "+12",  "-12",  "+3.3",
                                                                 "+2.5",  "+1.8", "+1.5", "AGP"};
