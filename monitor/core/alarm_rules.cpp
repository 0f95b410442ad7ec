#include "monitor/core/alarm_rules.h"

#include "common/runtime/format.h"

bool TemperatureInAlarm(const MonitorConfig& config, int n, int32_t celsius)
{
    return config.itemOn[n] && celsius >= FanAlarmThreshold(config.fan[n]);
}

int TemperatureAlarmChannel(MonitorConfig& config, const SensorSnapshot snapshot[FanChannelCount])
{
    for (int n = 0; n < FanChannelCount; ++n) {
        config.effectiveAlarmTemp[n] = FanAlarmThreshold(config.fan[n]);
        if (TemperatureInAlarm(config, n, snapshot[n].temperature)) return n;
    }
    return -1;
}

int NextTitleChannel(int current, const int32_t itemOn[ReadoutItemCount])
{
    if (!itemOn[0] && !itemOn[1] && !itemOn[2]) return -1;
    int channel = current;
    do {
        channel = (channel + 1) % FanChannelCount;
    } while (!itemOn[channel]);
    return channel;
}

void FormatMinimisedTitle(char* buffer, size_t size, const MonitorConfig& config, const SensorSnapshot& reading,
                          int channel)
{
    if (config.celsius)
        FormatText(buffer, size, "%s T=%dC F=%d", config.fanTitle[channel], reading.temperature, reading.fanSpeed);
    else
        FormatText(buffer, size, "%s T=%dF F=%d", config.fanTitle[channel], CelsiusToFahrenheit(reading.temperature),
                   reading.fanSpeed);
}
