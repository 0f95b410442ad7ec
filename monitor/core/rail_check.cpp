#include "monitor/core/rail_check.h"

#include "monitor/hw/chip.h"
#include "monitor/core/reading_text.h"

bool VoltageOutOfTolerance(int32_t millivolts, int32_t baseVoltage, int32_t tolerancePercent)
{
    const int64_t deviation = millivolts - 10 * static_cast<int64_t>(baseVoltage);
    const int64_t magnitude = deviation < 0 ? -deviation : deviation;
    const int64_t limit = static_cast<int64_t>(tolerancePercent) * baseVoltage / (baseVoltage > 0 ? 10 : -10);
    return magnitude > limit;
}

int32_t voltageAlarm;
JudgedRails judgedRails;

bool RailInAlarm(VoltageSetting& channel, int k, bool readingTaken, int32_t millivolts)
{
    if (!readingTaken) return false;
    if (k == 0 && channel.baseVoltage == 0) channel.baseVoltage = NearestTenthInHundredths(millivolts);
    return channel.warnEnabled && VoltageOutOfTolerance(millivolts, channel.baseVoltage, channel.tolerancePercent);
}

void BeginRailJudging()
{
    voltageAlarm = 0;
    judgedRails = {};
}

bool JudgeRail(int k, int32_t* millivolts)
{
    VoltageSetting& channel = monitorConfig.voltage[k];
    *millivolts = VoltageMillivolts(ReadVoltage(channel.inputRegister));
    const bool taken = VoltageReadingTaken(channel.inputRegister);
    judgedRails.judged[k] = taken;
    judgedRails.millivolts[k] = *millivolts;
    const bool alarm = RailInAlarm(channel, k, taken, *millivolts);
    judgedRails.alarm[k] = alarm;
    if (alarm) voltageAlarm = 1;
    return alarm;
}

void JudgeShownRails()
{
    BeginRailJudging();
    int32_t millivolts = 0;
    for (int k = 0; k < VoltageChannelCount; ++k)
        if (monitorConfig.voltage[k].shown) JudgeRail(k, &millivolts);
}
