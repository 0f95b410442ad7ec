#include "monitor/settings/monitor_config.h"

MonitorConfig InitialMonitorConfig()
{
    // Until the settings are loaded: no titles, temperature sensor set-up
    // byte 0x38, the first fan/temperature assignment, everything else zero.
    MonitorConfig config{};
    config.tempSensorSetup = 56;
    for (int k = 0; k < VoltageChannelCount; ++k) config.voltage[k].inputRegister = static_cast<uint8_t>(0x20 + k);
    return config;
}

MonitorConfig monitorConfig = InitialMonitorConfig();
