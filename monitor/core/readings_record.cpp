#include "monitor/core/readings_record.h"

#include "common/readings_access.h"
#include "common/runtime/format.h"
#include "monitor/core/alarm_rules.h"
#include "monitor/core/reading_text.h"

namespace {

uint32_t PublishedAge(const ReadingAge& age)
{
    if (!age.taken) return THERMIVO_NEVER_READ;
    return age.ageMs == THERMIVO_NEVER_READ ? THERMIVO_NEVER_READ - 1 : age.ageMs;
}

void Extend(bool& seen, int32_t& least, int32_t& most, int32_t value)
{
    if (!seen || value < least) least = value;
    if (!seen || value > most) most = value;
    seen = true;
}

int32_t Flag(bool value)
{
    return value ? 1 : 0;
}

uint32_t AlarmSources(const CycleFindings& found)
{
    uint32_t sources = 0;
    if (found.temperatureAlarm == 1) sources |= THERMIVO_ALARM_TEMPERATURE;
    if (found.voltageAlarm == 1) sources |= THERMIVO_ALARM_VOLTAGE;
    if (found.caseOpen == 1) sources |= THERMIVO_ALARM_CASE;
    if (found.fanStall == 1) sources |= THERMIVO_ALARM_FAN_STALL;
    return sources;
}

void UpdateTemperatures(ReadingsRecord& record, const MonitorConfig& config,
                        const SensorSnapshot snapshot[FanChannelCount], const CycleOutcome& outcome)
{
    for (int n = 0; n < FanChannelCount; ++n) {
        ThermivoTemperature& t = record.block.temperature[n];
        const ReadingAge& age = outcome.age[TemperatureInputOf(n, config.fanMap)];
        FormatText(t.title, sizeof t.title, "%s", config.fanTitle[n]);
        t.celsius = snapshot[n].temperature;
        t.panelValue = config.celsius ? t.celsius : CelsiusToFahrenheit(t.celsius);
        t.shown = Flag(config.itemOn[n] != 0);
        t.alarmCelsius = FanAlarmThreshold(config.fan[n]);
        t.alarm = Flag(TemperatureInAlarm(config, n, t.celsius));
        t.ageMs = PublishedAge(age);
        if (age.taken) Extend(record.temperatureSeen[n], t.minCelsius, t.maxCelsius, t.celsius);
    }
}

void UpdateFans(ReadingsRecord& record, const MonitorConfig& config, const SensorSnapshot snapshot[FanChannelCount],
                const CycleOutcome& outcome)
{
    for (int n = 0; n < FanChannelCount; ++n) {
        ThermivoFan& f = record.block.fan[n];
        const ReadingAge& age = outcome.age[FanInput + n];
        f.rpm = snapshot[n].fanSpeed;
        f.shown = Flag(config.itemOn[n + 3] != 0);
        f.driven = Flag(outcome.fanDriven[n]);
        f.watched = Flag(f.shown && config.stallWatch[n] != 0);
        f.stalled = Flag(outcome.fanStalled[n]);
        f.ageMs = PublishedAge(age);
        if (age.taken) Extend(record.fanSeen[n], f.minRpm, f.maxRpm, f.rpm);
    }
}

// A rail the last judging did not read keeps its last value.
void UpdateRails(ReadingsRecord& record, const MonitorConfig& config, const JudgedRails& rails,
                 const CycleOutcome& outcome)
{
    for (int k = 0; k < VoltageChannelCount; ++k) {
        ThermivoRail& r = record.block.rail[k];
        const VoltageSetting& setting = config.voltage[k];
        FormatText(r.label, sizeof r.label, "%s", PanelVoltageLabel[k]);
        r.shown = Flag(setting.shown != 0);
        r.alarm = Flag(r.shown && rails.judged[k] && rails.alarm[k]);
        r.baseMillivolts = setting.baseVoltage * 10;
        r.tolerancePercent = setting.tolerancePercent;
        r.ageMs = PublishedAge(outcome.age[RailInput + k]);
        if (r.shown && rails.judged[k]) {
            r.millivolts = rails.millivolts[k];
            Extend(record.railSeen[k], r.minMillivolts, r.maxMillivolts, r.millivolts);
        }
    }
}

}  // namespace

void StartReadingsRecord(ReadingsRecord& record)
{
    record = {};
    StartReadingsBlock(record.block);
    record.block.running = 1;
    for (ThermivoTemperature& t : record.block.temperature) t.ageMs = THERMIVO_NEVER_READ;
    for (ThermivoFan& f : record.block.fan) f.ageMs = THERMIVO_NEVER_READ;
    for (ThermivoRail& r : record.block.rail) r.ageMs = THERMIVO_NEVER_READ;
    record.block.caseAgeMs = THERMIVO_NEVER_READ;
}

void UpdateReadingsRecord(ReadingsRecord& record, const MonitorConfig& config,
                          const SensorSnapshot snapshot[FanChannelCount], const JudgedRails& rails,
                          const CycleOutcome& outcome)
{
    ThermivoReadings& b = record.block;
    b.updateTick = outcome.tick;
    ++b.updateCount;
    const RecordTime& t = outcome.time;
    b.year = t.year;
    b.month = t.month;
    b.dayOfWeek = t.dayOfWeek;
    b.day = t.day;
    b.hour = t.hour;
    b.minute = t.minute;
    b.second = t.second;
    b.milliseconds = t.milliseconds;
    b.fahrenheit = config.celsius ? 0 : 1;
    b.alarm = outcome.alarm ? 1 : 0;
    b.alarmSources = AlarmSources(outcome.found);
    b.caseWatched = Flag(config.caseOpenCheck != 0);
    b.caseOpen = Flag(b.caseWatched && outcome.found.caseOpen == 1);
    b.caseAgeMs = PublishedAge(outcome.age[CaseInput]);
    UpdateTemperatures(record, config, snapshot, outcome);
    UpdateFans(record, config, snapshot, outcome);
    UpdateRails(record, config, rails, outcome);
}
