#include "monitor/settings/settings_store.h"

#include "common/centre_window.h"
#include "common/placement.h"
#include "monitor/settings/settings_section.h"

namespace {

constexpr const char* Section = "Thermivo";

// The value of a key, or false when it is absent or empty.
bool ReadValue(const char* key, char (&value)[SettingsValueSize])
{
    return GetProfileStringA(Section, key, "", value, SettingsValueSize) != 0;
}

void WriteValue(const char* key, const char* value)
{
    WriteProfileStringA(Section, key, value);
}

constexpr SettingsSection ProfileSection = {ReadValue, WriteValue};

void PlaceWindow(HWND mainWindow)
{
    char value[SettingsValueSize];
    int32_t x = 0;
    int32_t y = 0;
    // A value without both coordinates counts as missing.
    if (!ReadValue("POSITION", value) || !ParsePosition(value, &x, &y)) {
        CentreWindow(mainWindow, nullptr);
        return;
    }
    const PlacementPoint at =
        ClampSavedPosition({x, y}, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    SetWindowPos(mainWindow, nullptr, at.x, at.y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
}

}  // namespace

void LoadSettings(HWND mainWindow)
{
    LoadSettingsFrom(ProfileSection);
    PlaceWindow(mainWindow);
}

void SaveSettings(HWND mainWindow)
{
    RECT rect;
    GetWindowRect(mainWindow, &rect);
    SaveSettingsTo(ProfileSection, static_cast<int32_t>(rect.left), static_cast<int32_t>(rect.top));
}

int ReadFanDefaults(int channel, int32_t* autoMode, int32_t tempLimit[5], int32_t pwmLevel[3], int32_t* manualPwm,
                    int32_t* alarmTemp)
{
    return ReadFanDefaultsFrom(ProfileSection, channel, autoMode, tempLimit, pwmLevel, manualPwm, alarmTemp);
}
