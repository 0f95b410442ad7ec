// The fan stall alarm's rule, without a platform call: a watched fan that is
// being driven and reads 0 rpm in StallCycles consecutive monitoring cycles
// that read it has stalled, until the first cycle in which it turns again.
#pragma once

#include <cstdint>

#include "monitor/hw/fan_control.h"
#include "monitor/settings/monitor_config.h"

constexpr int32_t StallCycles = 3;
// A fan just programmed may take this long to spin up.
constexpr uint32_t SpinUpGraceMs = 5000;

// What the rule keeps of one fan between cycles.
struct FanStallState {
    // Automatic mode: whether the chip's curve has the fan on. The chip starts
    // a fan at the "On" limit, stops it below the "Off" limit and leaves it as
    // it was in between; the monitor follows the same way, and learns an on
    // state it cannot know from the fan turning in between.
    int32_t curveOn;
    // Whether the last cycle found the fan driven.
    int32_t driven;
    int32_t zeroCycles;
    int32_t graceActive;
    uint32_t graceStartMs;
    uint32_t programmingsSeen;
};

// What one monitoring cycle knows of one fan.
struct FanCycle {
    bool watched;         // its FANSTALL position and its speed readout are both on
    int32_t temperature;  // the reading of the channel's own input
    int32_t rpm;
    // The speed was read from the chip in this cycle; a reading kept from an
    // earlier one (another program held the chip) neither counts towards a
    // stall nor ends one.
    bool fresh;
    FanProgramming programming;  // a programming not seen before starts the spin-up grace
};

// Whether the fan has stalled, as the last UpdateFanStall found.
inline bool FanHasStalled(const FanStallState& state)
{
    return state.zeroCycles >= StallCycles;
}

// Whether the profile commands the fan to turn at this temperature (the
// reading of the channel's own input), updating the curve's on state.
bool FanDriven(const FanProfile& profile, int32_t temperature, int32_t rpm, int32_t& curveOn);

// Each fan's state, kept by the monitoring cycle; FanStalled(n) is whether
// fan n's stall alarm holds (the panel shows its speed in the alarm colour).
extern FanStallState fanStall[FanChannelCount];
bool FanStalled(int fan);
// Whether the last cycle found the fan driven by its mode and curve.
bool FanDrivenLastCycle(int fan);

// One monitoring cycle of one fan; returns whether it has stalled. A fan
// programmed less than SpinUpGraceMs before nowMs does not stall.
bool UpdateFanStall(FanStallState& state, const FanProfile& profile, const FanCycle& cycle, uint32_t nowMs);
