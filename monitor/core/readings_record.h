// The monitor's own copy of the readings block (common/readings_block.h),
// filled at the end of each monitoring cycle from what the cycle read and
// decided, with the extremes since the start. No platform call here;
// readings_block_win.cpp creates the shared block and publishes the record.
#pragma once

#include <cstdint>

#include "common/readings_block.h"
#include "monitor/core/rail_check.h"
#include "monitor/core/reading_log.h"
#include "monitor/hw/chip.h"
#include "monitor/hw/chip_lock.h"
#include "monitor/settings/monitor_config.h"

// The local time in SYSTEMTIME's order.
struct RecordTime {
    uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};

// What a cycle knows beyond the settings, the snapshot and the judged rails.
struct CycleOutcome {
    CycleFindings found;
    bool alarm;
    bool fanDriven[FanChannelCount];
    bool fanStalled[FanChannelCount];
    ReadingAge age[ChipInputCount];
    uint32_t tick;
    RecordTime time;
};

struct ReadingsRecord {
    ThermivoReadings block;
    // Whether the extremes have their first reading.
    bool temperatureSeen[FanChannelCount];
    bool fanSeen[FanChannelCount];
    bool railSeen[VoltageChannelCount];
};

// An empty record of a monitor that runs.
void StartReadingsRecord(ReadingsRecord& record);
void UpdateReadingsRecord(ReadingsRecord& record, const MonitorConfig& config,
                          const SensorSnapshot snapshot[FanChannelCount], const JudgedRails& rails,
                          const CycleOutcome& outcome);
