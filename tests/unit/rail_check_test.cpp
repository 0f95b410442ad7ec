#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "monitor/ui/panel_text.h"
#include "monitor/ui/rail_check.h"
#include "tests/unit/board_journal.h"

namespace {

struct RailCase {
    int k;
    int32_t base, warn, readingTaken, millivolts;
    bool alarm;
    int32_t baseAfter;
};

// Base 12.00 V with 5 %: 600 mV either way is within.
constexpr RailCase RailCases[] = {
    {1, 1200, 1, 1, 12600, false, 1200},
    {1, 1200, 1, 1, 11399, true, 1200},
    {1, 1200, 0, 1, 10440, false, 1200},  // out, but its warning is off
    {1, 1200, 1, 0, 0, false, 1200},      // never read: no alarm from its 0 V
    {4, 0, 1, 1, 16, true, 0},            // a base of 0 tolerates nothing
    {0, 0, 1, 1, 1750, false, 180},       // the first VCore reading becomes its base
    {0, 0, 1, 0, 0, false, 0},            // but not a reading that was never taken
};

TEST(RailCheck, TheRuleJudgesOnlyReadingsThatWereTaken)
{
    for (const RailCase& c : RailCases) {
        VoltageSetting channel = {1, static_cast<uint8_t>(0x20 + c.k), c.warn, 5, c.base};
        EXPECT_EQ(RailInAlarm(channel, c.k, c.readingTaken != 0, c.millivolts), c.alarm) << c.k << " " << c.millivolts;
        EXPECT_EQ(channel.baseVoltage, c.baseAfter) << c.k << " " << c.millivolts;
    }
}

// The cycle's judging reads each shown rail once and nothing else, notes
// what it judged, and clears an alarm that no longer holds.
TEST(RailCheck, JudgingReadsOnlyTheShownRailsAndNotesThem)
{
    StartFresh();
    const int32_t bases[VoltageChannelCount] = {180, 1200, -1200, 330, 250, 180, 150, 150};
    for (int k = 0; k < VoltageChannelCount; ++k)
        monitorConfig.voltage[k] = {k == 1 || k == 3, static_cast<uint8_t>(0x20 + k), 1, 5, bases[k]};
    for (const auto& [raw, alarm] : {std::pair{"volt1 = 10.5", 1}, std::pair{"volt1.raw = 191", 0}}) {
        ApplyScenario(raw);
        ApplyScenario("volt3.raw = 206");
        ClearJournal();
        voltageAlarm = 1 - alarm;
        JudgeShownRails();
        EXPECT_EQ(voltageAlarm, alarm) << raw;
        std::vector<uint8_t> inputsRead;  // besides the battery's sample
        for (const RegisterAccess& a : RegisterAccesses())
            if (!a.write && a.reg != RegConfiguration) inputsRead.push_back(a.reg);
        EXPECT_EQ(inputsRead, (std::vector<uint8_t>{0x21, 0x23}));
        for (int k = 0; k < VoltageChannelCount; ++k) EXPECT_EQ(judgedRails.judged[k], k == 1 || k == 3) << k;
        EXPECT_EQ(judgedRails.millivolts[3], 3296);
    }
    EXPECT_EQ(judgedRails.millivolts[1], VoltageMillivolts(ReadVoltage(0x21)));
}

}  // namespace
