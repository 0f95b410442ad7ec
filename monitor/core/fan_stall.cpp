#include "monitor/core/fan_stall.h"

#include "monitor/hw/chip_registers.h"

namespace {

constexpr int32_t FullDuty = PwmValueMask;

// The chip compares the low byte of each limit, signed.
int32_t ChipLimit(int32_t limit)
{
    return static_cast<int8_t>(static_cast<uint8_t>(limit));
}

int32_t ChipDuty(int32_t value)
{
    return value & PwmValueMask;
}

// The duty the curve gives a fan that it has on: from the "On" limit level 0,
// from "Medium" level 1, from "High" level 2, from "Over" full duty.
int32_t CurveDuty(const FanProfile& profile, int32_t temperature)
{
    if (temperature >= ChipLimit(profile.tempLimit[4])) return FullDuty;
    if (temperature >= ChipLimit(profile.tempLimit[3])) return ChipDuty(profile.pwmLevel[2]);
    if (temperature >= ChipLimit(profile.tempLimit[2])) return ChipDuty(profile.pwmLevel[1]);
    return ChipDuty(profile.pwmLevel[0]);
}

}  // namespace

FanStallState fanStall[FanChannelCount];

bool FanStalled(int fan)
{
    return FanHasStalled(fanStall[fan]);
}

bool FanDrivenLastCycle(int fan)
{
    return fanStall[fan].driven != 0;
}

bool FanDriven(const FanProfile& profile, int32_t temperature, int32_t rpm, int32_t& curveOn)
{
    if (!profile.autoMode) return ChipDuty(profile.manualPwm) > 0;
    if (temperature < ChipLimit(profile.tempLimit[0])) curveOn = 0;
    else if (temperature >= ChipLimit(profile.tempLimit[1]) || rpm > 0) curveOn = 1;
    return curveOn && CurveDuty(profile, temperature) > 0;
}

bool UpdateFanStall(FanStallState& state, const FanProfile& profile, const FanCycle& cycle, uint32_t nowMs)
{
    if (cycle.programming.count != state.programmingsSeen) {
        state.programmingsSeen = cycle.programming.count;
        state.graceActive = 1;
        state.graceStartMs = cycle.programming.atMs;
    }
    const bool driven = FanDriven(profile, cycle.temperature, cycle.rpm, state.curveOn);
    state.driven = driven ? 1 : 0;
    // Wrap-safe: the tick count goes round every 49.7 days.
    if (state.graceActive && nowMs - state.graceStartMs >= SpinUpGraceMs) state.graceActive = 0;
    if (!cycle.watched || !driven || state.graceActive || (cycle.fresh && cycle.rpm > 0)) {
        state.zeroCycles = 0;
    } else if (cycle.fresh && state.zeroCycles < StallCycles) {
        ++state.zeroCycles;
    }
    return FanHasStalled(state);
}
