// The decisions of the one-second monitoring cycle that need no window:
// which temperature raises the alarm, and what the minimised window's title
// shows.
#pragma once

#include <cstddef>

#include "monitor/hw/chip.h"
#include "monitor/settings/monitor_config.h"

// Whether channel n's temperature, with its readout on, has reached the
// alarm limit of its mode.
bool TemperatureInAlarm(const MonitorConfig& config, int n, int32_t celsius);

// Channels are examined in order 0, 1, 2: each gets its effectiveAlarmTemp
// from its mode, and the first whose readout is on and whose temperature has
// reached that limit is returned; later channels are not examined. -1 when
// no temperature is in alarm.
int TemperatureAlarmChannel(MonitorConfig& config, const SensorSnapshot snapshot[FanChannelCount]);

// The channel after current whose temperature readout is on, going round;
// -1 when all three are off.
int NextTitleChannel(int current, const int32_t itemOn[ReadoutItemCount]);

// "CPU T=45C F=4821", or in Fahrenheit "CPU T=113F F=4821".
void FormatMinimisedTitle(char* buffer, size_t size, const MonitorConfig& config, const SensorSnapshot& reading,
                          int channel);
