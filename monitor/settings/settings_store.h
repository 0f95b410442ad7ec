// Moving the monitor's settings between the "Thermivo" section of win.ini
// and MonitorConfig: loaded once at window creation, saved once at the end.
#pragma once

#include <windows.h>

#include <cstdint>

void LoadSettings(HWND mainWindow);
void SaveSettings(HWND mainWindow);

// The numbers of RESETn, for the fan pages' "Reset To Default": 1 and the
// destinations filled as far as the value goes, or 0 (nothing stored) when
// there is no such value or it does not read whole.
int ReadFanDefaults(int channel, int32_t* autoMode, int32_t tempLimit[5], int32_t pwmLevel[3], int32_t* manualPwm,
                    int32_t* alarmTemp);
