#include "monitor/settings/settings_store.h"

#include "common/centre_window.h"
#include "common/placement.h"
#include "common/runtime/format.h"
#include "common/runtime/scan.h"
#include "monitor/core/reading_log.h"
#include "monitor/settings/settings_text.h"

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

void KeyName(char (&name)[16], const char* stem, int channel)
{
    FormatText(name, sizeof name, "%s%d", stem, channel);
}

void LoadFanProfiles()
{
    char value[SettingsValueSize];
    char fanKey[16];
    char resetKey[16];
    for (int n = 0; n < FanChannelCount; ++n) {
        KeyName(fanKey, "FAN", n);
        KeyName(resetKey, "RESET", n);
        // RESETn is the snapshot of FANn that "Reset To Default" returns to.
        if (!ReadValue(resetKey, value)) {
            if (!ReadValue(fanKey, value)) value[0] = '\0';
            WriteValue(resetKey, value);
        }
        if (!ReadValue(fanKey, value)) value[0] = '\0';
        ParseFanProfile(n, value);
    }
}

void LoadReadoutItems()
{
    char value[SettingsValueSize];
    int32_t flags[ReadoutItemCount];
    if (ReadValue("FANONOF", value)) {
        ParseItemFlags(value, flags);
        for (int i = 0; i < ReadoutItemCount; ++i) monitorConfig.itemOn[i] = flags[i];
    } else {
        for (int32_t& on : monitorConfig.itemOn) on = 1;
    }
    if (ReadValue("DEFONOF", value)) {
        ParseItemFlags(value, flags);
        for (int i = 0; i < ReadoutItemCount; ++i) {
            monitorConfig.itemPresent[i] = flags[i];
            if (!flags[i]) monitorConfig.itemOn[i] = 0;
        }
    } else {
        WriteValue("DEFONOF", "1,1,1,1,1,1");
        for (int32_t& present : monitorConfig.itemPresent) present = 1;
    }
}

// One field of the eight VoltageSetting records from its key, or from the
// defaults when the key is missing.
void LoadVoltageField(const char* key, void (*parse)(const char*, int32_t*), int32_t VoltageSetting::*field,
                      const int32_t (&defaults)[VoltageChannelCount])
{
    char value[SettingsValueSize];
    int32_t slots[VoltageChannelCount];
    const bool present = ReadValue(key, value);
    if (present) parse(value, slots);
    for (int k = 0; k < VoltageChannelCount; ++k) monitorConfig.voltage[k].*field = present ? slots[k] : defaults[k];
}

void LoadVoltages()
{
    constexpr int32_t TenPercent[VoltageChannelCount] = {10, 10, 10, 10, 10, 10, 10, 10};
    constexpr int32_t AllOn[VoltageChannelCount] = {1, 1, 1, 1, 1, 1, 1, 1};
    LoadVoltageField("VOLT", ParseVoltageList, &VoltageSetting::tolerancePercent, TenPercent);
    LoadVoltageField("VOLTENABLE", ParseVoltageFlags, &VoltageSetting::warnEnabled, AllOn);
    LoadVoltageField("VOLTONOFF", ParseVoltageFlags, &VoltageSetting::shown, AllOn);
    LoadVoltageField("VOLTBASE", ParseSignedVoltageList, &VoltageSetting::baseVoltage, DefaultBaseVoltage);
}

void LoadTitles()
{
    char value[SettingsValueSize];
    char key[16];
    for (int n = 0; n < FanChannelCount; ++n) {
        KeyName(key, "TITLE", n);
        SetChannelTitle(n, ReadValue(key, value) ? value : DefaultChannelTitle[n]);
    }
}

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
    char value[SettingsValueSize];
    LoadFanProfiles();
    LoadReadoutItems();
    monitorConfig.celsius = ReadValue("CSCALE", value) ? ParseOnUnlessZero(value) : 1;
    monitorConfig.soundMode = ReadValue("SOUND", value) ? ParseLeadingInteger(value) : 0;
    LoadVoltages();
    LoadTitles();
    if (ReadValue("TEMPCHAN", value)) ScanText(value, "%d", &monitorConfig.tempSensorSetup);
    if (ReadValue("FANMAP", value)) ScanText(value, "%d", &monitorConfig.fanMap);
    // Only six assignments exist; anything else falls back to the first.
    if (monitorConfig.fanMap < 0 || monitorConfig.fanMap > 5) monitorConfig.fanMap = 0;
    if (ReadValue("DEFCASE", value)) monitorConfig.caseOpenCheck = ParseOnUnlessZero(value);
    // Only install.ini or a hand edit sets it; SaveSettings never writes it.
    if (ReadValue("FANSTALL", value)) ParseFanStallFlags(value, monitorConfig.stallWatch);
    LoadReadingLogSettings();
    PlaceWindow(mainWindow);
}

void SaveSettings(HWND mainWindow)
{
    char value[SettingsValueSize];
    char key[16];
    for (int n = 0; n < FanChannelCount; ++n) {
        FormatFanProfile(n, value, sizeof value);
        KeyName(key, "FAN", n);
        WriteValue(key, value);
    }
    const int32_t* on = monitorConfig.itemOn;
    FormatText(value, sizeof value, "%d,%d,%d,%d,%d,%d", on[0] ? 1 : 0, on[1] ? 1 : 0, on[2] ? 1 : 0, on[3] ? 1 : 0,
               on[4] ? 1 : 0, on[5] ? 1 : 0);
    WriteValue("FANONOF", value);
    WriteValue("CSCALE", monitorConfig.celsius ? "1" : "0");
    FormatText(value, sizeof value, "%d", monitorConfig.soundMode);
    WriteValue("SOUND", value);

    int32_t list[VoltageChannelCount];
    for (int k = 0; k < VoltageChannelCount; ++k) list[k] = monitorConfig.voltage[k].tolerancePercent;
    FormatVoltageList(list, value, sizeof value);
    WriteValue("VOLT", value);
    for (int k = 0; k < VoltageChannelCount; ++k) list[k] = monitorConfig.voltage[k].baseVoltage;
    FormatVoltageList(list, value, sizeof value);
    WriteValue("VOLTBASE", value);
    for (int k = 0; k < VoltageChannelCount; ++k) list[k] = monitorConfig.voltage[k].warnEnabled ? 1 : 0;
    FormatVoltageList(list, value, sizeof value);
    WriteValue("VOLTENABLE", value);

    RECT rect;
    GetWindowRect(mainWindow, &rect);
    FormatText(value, sizeof value, "%d,%d", static_cast<int>(rect.left), static_cast<int>(rect.top));
    WriteValue("POSITION", value);
}

int ReadFanDefaults(int channel, int32_t* autoMode, int32_t tempLimit[5], int32_t pwmLevel[3], int32_t* manualPwm,
                    int32_t* alarmTemp)
{
    char key[16];
    char value[SettingsValueSize];
    KeyName(key, "RESET", channel);
    if (!ReadValue(key, value)) return 0;
    int32_t* const destinations[11] = {autoMode,    &tempLimit[0], &tempLimit[1], &tempLimit[2],
                                       &tempLimit[3], &tempLimit[4], &pwmLevel[0],  &pwmLevel[1],
                                       &pwmLevel[2],  manualPwm,     alarmTemp};
    ScanFanNumbers(value, destinations);
    return 1;
}
