// The monitor's settings in memory: one process-wide record, loaded from the
// "Thermivo" section of win.ini when the main window is created and saved
// when it is destroyed. Owned by the main thread; the sound worker only reads
// soundMode.
#pragma once

#include <cstdint>

constexpr int FanChannelCount = 3;
constexpr int VoltageChannelCount = 8;
constexpr int ReadoutItemCount = 6;  // items 0-2: temperatures of channels 0-2; 3-5: their fan speeds
constexpr int TitleSize = 64;

// Fields in the order of the FANn value.
struct FanProfile {
    int32_t autoMode;      // 1: the chip's automatic mode, 0: software programmable mode
    int32_t tempLimit[5];  // Off, On, Medium, High, Over, degrees Celsius
    int32_t pwmLevel[3];
    int32_t manualPwm;
    int32_t alarmTemp;     // degrees Celsius, used in software programmable mode
};

struct VoltageSetting {
    int32_t shown;
    uint8_t inputRegister;  // 0x20 + channel
    int32_t warnEnabled;
    int32_t tolerancePercent;
    int32_t baseVoltage;    // hundredths of a volt, signed
};

struct MonitorConfig {
    FanProfile fan[FanChannelCount];
    int32_t effectiveAlarmTemp[FanChannelCount];  // autoMode ? tempLimit[4] : alarmTemp
    int32_t itemOn[ReadoutItemCount];
    int32_t itemPresent[ReadoutItemCount];
    int32_t celsius;
    int32_t soundMode;  // 0 none, 1 speaker tune, 2 wave through the sound card
    VoltageSetting voltage[VoltageChannelCount];
    char fanTitle[FanChannelCount][TitleSize];
    char fanPageTitle[FanChannelCount][TitleSize];
    int32_t tempSensorSetup;  // byte for chip register 0x51 at initialisation; 0 leaves it alone
    int32_t fanMap;           // fan/temperature assignment, 0..5
    int32_t caseOpenCheck;
    int32_t stallWatch[FanChannelCount];  // 1: a driven fan that reads 0 rpm raises the alarm
    int32_t shareReadings;                // 1: the readings block is published for other programs
    int32_t trayTip;                      // 1: the tray icon's tip shows the temperatures
    uint32_t heldKeys;                    // HeldKey bits
};

// The keys SaveSettings writes whose value did not read whole at loading:
// they hold what a missing key gives, and their win.ini line stays as the
// user wrote it, for them to mend, until what sets the key in the program
// (its Options page's Apply, the panel's readout switches) sets it.
enum HeldKey : uint32_t {
    HeldFan0 = 1u << 0,  // FAN0; FAN1 and FAN2 are the next two bits
    HeldItemsOn = 1u << 3,
    HeldVoltTolerance = 1u << 4,
    HeldVoltBase = 1u << 5,
    HeldVoltEnable = 1u << 6,
};
constexpr uint32_t HeldFan(int channel)
{
    return HeldFan0 << channel;
}

extern MonitorConfig monitorConfig;

// What every FanProfile holds before the settings are loaded.
constexpr int32_t StartPwmLevel[3] = {90, 100, 110};
constexpr int32_t StartManualPwm = 90;
constexpr int32_t StartAlarmTemp = 80;

MonitorConfig InitialMonitorConfig();

// Called by whatever sets the held keys' values: their lines are written again.
inline void ReleaseHeldKeys(uint32_t keys)
{
    monitorConfig.heldKeys &= ~keys;
}

// Whether the first count limits of a curve are in the order the fan page
// keeps them in, each no higher than the next.
inline bool LimitsInOrder(const int32_t* limits, int count)
{
    for (int j = 1; j < count; ++j)
        if (limits[j - 1] > limits[j]) return false;
    return true;
}

// The alarm threshold of a channel as its mode defines it.
inline int32_t FanAlarmThreshold(const FanProfile& profile)
{
    return profile.autoMode ? profile.tempLimit[4] : profile.alarmTemp;
}
