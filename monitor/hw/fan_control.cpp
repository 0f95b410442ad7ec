#include "monitor/hw/fan_control.h"

#include "monitor/hw/chip.h"
#include "monitor/hw/chip_lock.h"
#include "monitor/settings/monitor_config.h"

namespace {

FanProgramming fanProgramming[FanChannelCount];

uint8_t LowByte(int32_t value)
{
    return static_cast<uint8_t>(value & 0xFF);
}

uint8_t LimitRegister(int fan, int limit)
{
    return static_cast<uint8_t>(RegFanLimitBase + FanCurveStride * fan + limit);
}

uint8_t LevelRegister(int fan, int level)
{
    return static_cast<uint8_t>(RegFanLevelBase + FanCurveStride * fan + level);
}

}  // namespace

void ProgramFan(int fan, int mode, int32_t fanMap)
{
    // One group: another tool never sees a fan half programmed.
    ChipGroup group(ProgrammingGroup);
    WriteChipRegister(RegFanControlMain, static_cast<uint8_t>(ReadChipRegister(RegFanControlMain) | FanPwmEnableAll));
    if (fan < 0 || fan >= FanChannelCount) return;
    const FanProfile& profile = monitorConfig.fan[fan];
    if (mode == FanModeAutomatic) {
        // The control register first, then limits and levels from the highest down.
        WriteChipRegister(RegPwmControl[fan], PwmControlTable[FanMapRow(fanMap)][fan]);
        for (int i = 4; i >= 0; --i) WriteChipRegister(LimitRegister(fan, i), LowByte(profile.tempLimit[i]));
        for (int j = 2; j >= 0; --j) WriteChipRegister(LevelRegister(fan, j), LowByte(profile.pwmLevel[j]));
    } else if (mode == FanModeSoftware) {
        WriteChipRegister(RegPwmControl[fan], static_cast<uint8_t>(profile.manualPwm & PwmValueMask));
    }
    fanProgramming[fan] = {fanProgramming[fan].count + 1, ChipNowMs()};
}

void ProgramAllFans()
{
    for (int fan = 0; fan < FanChannelCount; ++fan) {
        const int mode = monitorConfig.fan[fan].autoMode == 1 ? FanModeAutomatic : FanModeSoftware;
        ProgramFan(fan, mode, monitorConfig.fanMap);
    }
}

FanProgramming LastFanProgramming(int fan)
{
    return fan >= 0 && fan < FanChannelCount ? fanProgramming[fan] : FanProgramming{};
}
