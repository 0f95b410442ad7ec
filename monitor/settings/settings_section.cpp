#include "monitor/settings/settings_section.h"

#include "common/runtime/format.h"
#include "common/runtime/scan.h"

namespace {

constexpr const char* FanKey[FanChannelCount] = {"FAN0", "FAN1", "FAN2"};
constexpr const char* ResetKey[FanChannelCount] = {"RESET0", "RESET1", "RESET2"};
constexpr const char* TitleKey[FanChannelCount] = {"TITLE0", "TITLE1", "TITLE2"};

constexpr int32_t TenPercent[VoltageChannelCount] = {10, 10, 10, 10, 10, 10, 10, 10};
constexpr int32_t AllOn[VoltageChannelCount] = {1, 1, 1, 1, 1, 1, 1, 1};

void Hold(bool whole, uint32_t key)
{
    if (!whole) monitorConfig.heldKeys |= key;
}

void LoadFanProfiles(const SettingsSection& section)
{
    char value[SettingsValueSize];
    char reset[SettingsValueSize];
    for (int n = 0; n < FanChannelCount; ++n) {
        section.read(FanKey[n], value);
        const bool whole = ParseFanProfile(n, value);
        Hold(whole, HeldFan(n));
        // RESETn is the snapshot of FANn that "Reset To Default" returns to.
        // A FANn that does not read whole is not taken: the mended one is,
        // at the first start after it was mended.
        if (whole && !section.read(ResetKey[n], reset)) section.write(ResetKey[n], value);
    }
}

void LoadReadoutItems(const SettingsSection& section)
{
    char value[SettingsValueSize];
    int32_t flags[ReadoutItemCount];
    section.read("FANONOF", value);
    Hold(ParseItemFlags(value, flags), HeldItemsOn);
    for (int i = 0; i < ReadoutItemCount; ++i) monitorConfig.itemOn[i] = flags[i];
    if (!section.read("DEFONOF", value)) section.write("DEFONOF", "1,1,1,1,1,1");
    ParseItemFlags(value, flags);  // never written back: a value that does not read whole stays as it is
    for (int i = 0; i < ReadoutItemCount; ++i) {
        monitorConfig.itemPresent[i] = flags[i];
        if (!flags[i]) monitorConfig.itemOn[i] = 0;
    }
}

// One field of the eight VoltageSetting records from its key, or from the
// defaults when the key is missing or does not read whole.
void LoadVoltageField(const SettingsSection& section, const char* key, bool (*parse)(const char*, int32_t*),
                      int32_t VoltageSetting::*field, const int32_t (&defaults)[VoltageChannelCount], uint32_t heldKey)
{
    char value[SettingsValueSize];
    int32_t slots[VoltageChannelCount];
    const bool present = section.read(key, value);
    const bool whole = present && parse(value, slots);
    Hold(whole || !present, heldKey);
    for (int k = 0; k < VoltageChannelCount; ++k) monitorConfig.voltage[k].*field = whole ? slots[k] : defaults[k];
}

void LoadVoltages(const SettingsSection& section)
{
    LoadVoltageField(section, "VOLT", ParseVoltageList, &VoltageSetting::tolerancePercent, TenPercent,
                     HeldVoltTolerance);
    LoadVoltageField(section, "VOLTENABLE", ParseVoltageFlags, &VoltageSetting::warnEnabled, AllOn, HeldVoltEnable);
    LoadVoltageField(section, "VOLTONOFF", ParseVoltageFlags, &VoltageSetting::shown, AllOn, 0);
    LoadVoltageField(section, "VOLTBASE", ParseVoltageList, &VoltageSetting::baseVoltage, DefaultBaseVoltage,
                     HeldVoltBase);
}

void SaveVoltageField(const SettingsSection& section, const char* key, int32_t VoltageSetting::*field, bool asFlag,
                      uint32_t heldKey)
{
    if (monitorConfig.heldKeys & heldKey) return;
    int32_t list[VoltageChannelCount];
    for (int k = 0; k < VoltageChannelCount; ++k) {
        const int32_t v = monitorConfig.voltage[k].*field;
        list[k] = asFlag ? (v ? 1 : 0) : v;
    }
    char value[SettingsValueSize];
    FormatVoltageList(list, value, sizeof value);
    section.write(key, value);
}

}  // namespace

void LoadSettingsFrom(const SettingsSection& section)
{
    char value[SettingsValueSize];
    monitorConfig.heldKeys = 0;
    LoadFanProfiles(section);
    LoadReadoutItems(section);
    monitorConfig.celsius = section.read("CSCALE", value) ? ParseOnUnlessZero(value) : 1;
    monitorConfig.soundMode = section.read("SOUND", value) ? ParseLeadingInteger(value) : 0;
    LoadVoltages(section);
    for (int n = 0; n < FanChannelCount; ++n)
        SetChannelTitle(n, section.read(TitleKey[n], value) ? value : DefaultChannelTitle[n]);
    if (section.read("TEMPCHAN", value)) ScanText(value, "%d", &monitorConfig.tempSensorSetup);
    if (section.read("FANMAP", value)) ScanText(value, "%d", &monitorConfig.fanMap);
    // Only six assignments exist; anything else falls back to the first.
    if (monitorConfig.fanMap < 0 || monitorConfig.fanMap > 5) monitorConfig.fanMap = 0;
    if (section.read("DEFCASE", value)) monitorConfig.caseOpenCheck = ParseOnUnlessZero(value);
    // Only install.ini or a hand edit sets these; SaveSettings never writes them.
    if (section.read("FANSTALL", value)) ParseFanStallFlags(value, monitorConfig.stallWatch);
    monitorConfig.shareReadings = section.read("SHAREREADINGS", value) ? ParseOptInSwitch(value) : 0;
    monitorConfig.trayTip = section.read("TRAYTIP", value) ? ParseOptInSwitch(value) : 0;
}

void SaveSettingsTo(const SettingsSection& section, int32_t left, int32_t top)
{
    char value[SettingsValueSize];
    for (int n = 0; n < FanChannelCount; ++n) {
        if (monitorConfig.heldKeys & HeldFan(n)) continue;
        FormatFanProfile(n, value, sizeof value);
        section.write(FanKey[n], value);
    }
    if (!(monitorConfig.heldKeys & HeldItemsOn)) {
        const int32_t* on = monitorConfig.itemOn;
        FormatText(value, sizeof value, "%d,%d,%d,%d,%d,%d", on[0] ? 1 : 0, on[1] ? 1 : 0, on[2] ? 1 : 0,
                   on[3] ? 1 : 0, on[4] ? 1 : 0, on[5] ? 1 : 0);
        section.write("FANONOF", value);
    }
    section.write("CSCALE", monitorConfig.celsius ? "1" : "0");
    FormatText(value, sizeof value, "%d", monitorConfig.soundMode);
    section.write("SOUND", value);
    SaveVoltageField(section, "VOLT", &VoltageSetting::tolerancePercent, false, HeldVoltTolerance);
    SaveVoltageField(section, "VOLTBASE", &VoltageSetting::baseVoltage, false, HeldVoltBase);
    SaveVoltageField(section, "VOLTENABLE", &VoltageSetting::warnEnabled, true, HeldVoltEnable);
    // The window's place is always where it is now, also after a POSITION
    // that did not read whole placed it in the middle of the screen.
    FormatText(value, sizeof value, "%d,%d", static_cast<int>(left), static_cast<int>(top));
    section.write("POSITION", value);
}

int ReadFanDefaultsFrom(const SettingsSection& section, int channel, int32_t* autoMode, int32_t tempLimit[5],
                        int32_t pwmLevel[3], int32_t* manualPwm, int32_t* alarmTemp)
{
    char value[SettingsValueSize];
    if (!section.read(ResetKey[channel], value)) return 0;
    int32_t* const destinations[11] = {autoMode,      &tempLimit[0], &tempLimit[1], &tempLimit[2],
                                       &tempLimit[3], &tempLimit[4], &pwmLevel[0],  &pwmLevel[1],
                                       &pwmLevel[2],  manualPwm,     alarmTemp};
    return ScanFanNumbers(value, destinations) >= 0 ? 1 : 0;
}
