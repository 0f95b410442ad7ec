// The keys of the "Thermivo" section: what LoadSettings reads into
// MonitorConfig and SaveSettings writes back, through a section that the
// settings store backs with the profile calls. No platform calls here; the
// main window's placement (POSITION) and the reading log's keys stay with
// the store.
#pragma once

#include <cstdint>

#include "monitor/settings/settings_text.h"

struct SettingsSection {
    // False, with an empty value, for a key that is absent or empty.
    bool (*read)(const char* key, char (&value)[SettingsValueSize]);
    void (*write)(const char* key, const char* value);
};

// Loads every key but POSITION and the reading log's over the start values.
// Writes only RESETn and DEFONOF, where they are missing.
void LoadSettingsFrom(const SettingsSection& section);
// Writes what the monitor keeps, but not the held keys; the main window's
// top left corner as POSITION.
void SaveSettingsTo(const SettingsSection& section, int32_t left, int32_t top);
// ReadFanDefaults from the section: 0 also for a RESETn that does not read
// whole or whose limits are out of order.
int ReadFanDefaultsFrom(const SettingsSection& section, int channel, int32_t* autoMode, int32_t tempLimit[5],
                        int32_t pwmLevel[3], int32_t* manualPwm, int32_t* alarmTemp);
