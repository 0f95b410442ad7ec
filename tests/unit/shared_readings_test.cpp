#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/readings_access.h"
#include "monitor/core/readings_record.h"
#include "monitor/ui/tray_tip.h"

namespace {

// Three channels shown in Celsius, fans in automatic mode with the "Over"
// limit at 60 C, every rail shown against its base with 5 %.
MonitorConfig Config()
{
    MonitorConfig c = InitialMonitorConfig();
    const char* titles[FanChannelCount] = {"CPU", "System", "Panel"};
    for (int n = 0; n < FanChannelCount; ++n) {
        strcpy(c.fanTitle[n], titles[n]);
        c.fan[n] = {1, {25, 32, 40, 50, 60}, {70, 90, 110}, 80, 70};
    }
    for (int32_t& on : c.itemOn) on = 1;
    c.celsius = 1;
    for (int k = 0; k < VoltageChannelCount; ++k) c.voltage[k] = {1, static_cast<uint8_t>(0x20 + k), 1, 5, 330};
    return c;
}

struct Cycle {
    MonitorConfig config = Config();
    SensorSnapshot snapshot[FanChannelCount] = {{45, 5200}, {34, 4500}, {29, 4800}};
    JudgedRails rails = {};
    CycleOutcome outcome = {};

    Cycle()
    {
        for (int k = 0; k < VoltageChannelCount; ++k) {
            rails.judged[k] = true;
            rails.millivolts[k] = 3300 + k;
        }
        for (ReadingAge& age : outcome.age) age = {true, 250};
        outcome.tick = 123456;
        outcome.time = {2026, 12, 1, 7, 3, 14, 15, 926};
    }
};

const ThermivoReadings& Update(ReadingsRecord& record, const Cycle& c)
{
    UpdateReadingsRecord(record, c.config, c.snapshot, c.rails, c.outcome);
    return record.block;
}

TEST(ReadingsRecord, HoldsTheCycleAsThePanelShowsIt)
{
    ReadingsRecord record;
    StartReadingsRecord(record);
    Cycle c;
    c.config.celsius = 0;
    c.config.itemOn[1] = 0;     // System's temperature switched off on the panel
    c.config.fanMap = 2;        // channel 0 reads register 0x2A
    c.outcome.age[TemperatureInput + 1] = {true, 7000};
    c.config.voltage[6].shown = 0;
    c.rails.judged[6] = false;
    c.rails.alarm[3] = true;
    c.config.stallWatch[2] = 1;
    c.outcome.fanStalled[2] = true;
    c.outcome.fanDriven[2] = true;
    c.outcome.alarm = true;
    c.outcome.found = {0, 1, NotLogged, 0, 1};
    c.snapshot[2].temperature = 60;  // at its limit
    const ThermivoReadings& b = Update(record, c);

    EXPECT_EQ(CheckReadingsLayout(&b, sizeof b), ReadingsLayout::Ours);
    EXPECT_EQ(b.running, 1u);
    EXPECT_EQ(b.updateCount, 1u);
    EXPECT_EQ(b.updateTick, 123456u);
    EXPECT_EQ(b.year * 10000 + b.month * 100 + b.day, 20261207);
    EXPECT_EQ(b.milliseconds, 926);
    EXPECT_EQ(b.fahrenheit, 1u);
    EXPECT_EQ(b.alarm, 1u);
    EXPECT_EQ(b.alarmSources, THERMIVO_ALARM_VOLTAGE | THERMIVO_ALARM_FAN_STALL);
    EXPECT_STREQ(b.temperature[1].title, "System");
    EXPECT_EQ(b.temperature[0].celsius, 45);
    EXPECT_EQ(b.temperature[0].panelValue, 113);
    EXPECT_EQ(b.temperature[0].ageMs, 7000u) << "the age of the register the fan map gives";
    EXPECT_EQ(b.temperature[1].shown, 0);
    EXPECT_EQ(b.temperature[2].alarm, 1);
    EXPECT_EQ(b.temperature[2].alarmCelsius, 60);
    EXPECT_EQ(b.temperature[0].alarm, 0);
    EXPECT_EQ(b.fan[0].rpm, 5200);
    EXPECT_EQ(b.fan[2].watched * 100 + b.fan[2].driven * 10 + b.fan[2].stalled, 111);
    EXPECT_EQ(b.fan[0].watched, 0);
    EXPECT_STREQ(b.rail[0].label, "VCORE");
    EXPECT_STREQ(b.rail[7].label, "AGP");
    EXPECT_EQ(b.rail[5].millivolts, 3305);
    EXPECT_EQ(b.rail[5].baseMillivolts, 3300);
    EXPECT_EQ(b.rail[3].alarm, 1);
    EXPECT_EQ(b.rail[6].shown, 0);
    EXPECT_EQ(b.caseWatched, 0);
}

TEST(ReadingsRecord, ExtremesCountOnlyReadingsTakenSinceTheStart)
{
    ReadingsRecord record;
    StartReadingsRecord(record);
    Cycle c;
    for (ReadingAge& age : c.outcome.age) age = {false, 0};
    c.snapshot[0] = {0, 0};  // what the snapshot holds before the first reading
    c.rails.judged[1] = false;
    Update(record, c);
    EXPECT_EQ(record.block.temperature[0].ageMs, THERMIVO_NEVER_READ);
    EXPECT_EQ(record.block.caseAgeMs, THERMIVO_NEVER_READ);

    for (ReadingAge& age : c.outcome.age) age = {true, 0};
    for (int32_t celsius : {50, 38, 44}) {
        c.snapshot[0].temperature = celsius;
        c.snapshot[0].fanSpeed = celsius * 100;
        c.rails.millivolts[1] = celsius * 10;
        c.rails.judged[1] = true;
        Update(record, c);
    }
    c.rails.judged[1] = false;  // hidden since: keeps its last reading
    c.rails.millivolts[1] = 9999;
    const ThermivoReadings& b = Update(record, c);
    EXPECT_EQ(b.updateCount, 5u);
    EXPECT_EQ(b.temperature[0].minCelsius, 38);
    EXPECT_EQ(b.temperature[0].maxCelsius, 50);
    EXPECT_EQ(b.fan[0].minRpm, 3800);
    EXPECT_EQ(b.fan[0].maxRpm, 5000);
    EXPECT_EQ(b.rail[1].millivolts, 440);
    EXPECT_EQ(b.rail[1].minMillivolts, 380);
    EXPECT_EQ(b.rail[1].maxMillivolts, 500);
}

struct TipCase {
    const char* what;
    void (*change)(Cycle& c);
    bool alarm;
    const char* tip;
};

const TipCase TipCases[] = {
    {"three shown", [](Cycle&) {}, false, "CPU 45\xB0" "C, System 34\xB0" "C, Panel 29\xB0" "C"},
    {"in the panel's unit", [](Cycle& c) { c.config.celsius = 0; }, false,
     "CPU 113\xB0" "F, System 93\xB0" "F, Panel 84\xB0" "F"},
    {"during an alarm", [](Cycle&) {}, true, "Alarm: CPU 45\xB0" "C, System 34\xB0" "C, Panel 29\xB0" "C"},
    {"one switched off, one below zero",
     [](Cycle& c) {
         c.config.itemOn[1] = 0;
         c.snapshot[2].temperature = -5;
     },
     false, "CPU 45\xB0" "C, Panel -5\xB0" "C"},
    {"none shown", [](Cycle& c) { c.config.itemOn[0] = c.config.itemOn[1] = c.config.itemOn[2] = 0; }, false,
     "Thermivo"},
    {"none shown, alarm", [](Cycle& c) { c.config.itemOn[0] = c.config.itemOn[1] = c.config.itemOn[2] = 0; }, true,
     "Alarm: Thermivo"},
    // Long titles are cut to one length that fits; a short one stays whole.
    {"long titles",
     [](Cycle& c) {
         strcpy(c.config.fanTitle[0], "Processor package");
         strcpy(c.config.fanTitle[2], "Front panel near the drive bays");
     },
     true, "Alarm: Processor packa 45\xB0" "C, System 34\xB0" "C, Front panel nea 29\xB0" "C"},
};

TEST(TrayTip, ShowsTheShownTemperaturesWithinSixtyThreeCharacters)
{
    for (const TipCase& t : TipCases) {
        Cycle c;
        t.change(c);
        char tip[TrayTipSize];
        FormatTrayTip(tip, c.config, c.snapshot, t.alarm);
        EXPECT_EQ(std::string(tip), t.tip) << t.what;
        EXPECT_LE(strlen(tip), TrayTipSize - 1) << t.what;
    }
}

TEST(TrayTip, TheLongestTitlesStillLeaveEveryValue)
{
    Cycle c;
    c.config.celsius = 0;
    for (int n = 0; n < FanChannelCount; ++n) {
        memset(c.config.fanTitle[n], 'a' + n, 59);
        c.config.fanTitle[n][59] = '\0';
        c.snapshot[n].temperature = -128;
    }
    char tip[TrayTipSize];
    FormatTrayTip(tip, c.config, c.snapshot, true);
    const std::string text = tip;
    EXPECT_LE(text.size(), TrayTipSize - 1);
    EXPECT_EQ(text, "Alarm: aaaaaaaaaa -198\xB0" "F, bbbbbbbbbb -198\xB0" "F, cccccccccc -198\xB0" "F");
}

}  // namespace
