#include <gtest/gtest.h>

#include "monitor/core/rail_check.h"

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

}  // namespace
