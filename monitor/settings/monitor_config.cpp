#include "monitor/settings/monitor_config.h"

MonitorConfig InitialMonitorConfig()
{
    // Until the settings are loaded: no titles, temperature sensor set-up
    // byte 0x38, the first fan/temperature assignment, everything else zero
    // but the fans' levels, fixed speed and alarm limit. Those are the ones
    // of the installer's own profile (and the "Over" limit's start value), so
    // that a profile no FANn fully describes never stops a fan and never
    // alarms at every temperature.
    MonitorConfig config{};
    for (FanProfile& profile : config.fan) {
        for (int i = 0; i < 3; ++i) profile.pwmLevel[i] = StartPwmLevel[i];
        profile.manualPwm = StartManualPwm;
        profile.alarmTemp = StartAlarmTemp;
    }
    config.tempSensorSetup = 56;
    for (int k = 0; k < VoltageChannelCount; ++k) config.voltage[k].inputRegister = static_cast<uint8_t>(0x20 + k);
    return config;
}

MonitorConfig monitorConfig = InitialMonitorConfig();
