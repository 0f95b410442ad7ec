#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/core/fan_stall.h"
#include "monitor/settings/settings_text.h"

namespace {

// Off 25, On 32, Medium 40, High 50, Over 60; levels 70, 90, 110.
constexpr FanProfile Curve = {1, {25, 32, 40, 50, 60}, {70, 90, 110}, 80, 55};
FanProfile Fixed(int32_t pwm)
{
    FanProfile p = Curve;
    p.autoMode = 0;
    p.manualPwm = pwm;
    return p;
}

// One fan through cycles a second apart; seen gets "1" for each cycle in
// stall, "0" for each other. Calls chain in order.
struct Fan {
    FanStallState state{};
    uint32_t now = 1000;
    FanProgramming programming{};
    std::string seen;
    Fan& Cycles(const FanProfile& profile, int32_t temperature, int32_t rpm, int count, bool watched = true,
                bool fresh = true)
    {
        for (int i = 0; i < count; ++i, now += 1000) {
            const FanCycle cycle = {watched, temperature, rpm, fresh, programming};
            seen += UpdateFanStall(state, profile, cycle, now) ? '1' : '0';
        }
        return *this;
    }
    // Cycles of a driven fan: '0' reads 0 rpm, 'T' reads it turning, 'z'
    // keeps the last reading (another program held the chip), 'P' programs
    // it and then reads 0 rpm.
    Fan& Run(const char* cycles)
    {
        int32_t rpm = 0;
        for (const char* c = cycles; *c; ++c) {
            if (*c == 'P') programming = {programming.count + 1, now - 200};
            if (*c != 'z') rpm = *c == 'T' ? 2700 : 0;
            Cycles(Fixed(127), 45, rpm, 1, true, *c != 'z');
        }
        return *this;
    }
};

TEST(FanStall, ADrivenFanStallsAtItsThirdStillCycleAndRecoversAtTheFirstTurningOne)
{
    for (const FanProfile& driven : {Fixed(1), Fixed(127), Curve}) {
        Fan fan;
        EXPECT_EQ(fan.Cycles(driven, 45, 0, 4).Cycles(driven, 45, 1200, 1).Cycles(driven, 45, 0, 2).seen,
                  "0011" "0" "00");
    }
}

TEST(FanStall, AFanThatIsNotDrivenOrNotWatchedNeverStalls)
{
    for (const FanProfile& idle : {Fixed(0), Fixed(128)})  // the chip takes bits 0-6: both are 0
        EXPECT_EQ(Fan().Cycles(idle, 45, 0, 4).seen, "0000") << idle.manualPwm;
    EXPECT_EQ(Fan().Cycles(Fixed(127), 45, 0, 4, false).seen, "0000");
    FanProfile levelZero = Curve;
    levelZero.pwmLevel[0] = 0;
    Fan fan;
    EXPECT_EQ(fan.Cycles(levelZero, 35, 0, 4).Cycles(levelZero, 45, 0, 3).seen, "0000" "001")
        << "the curve's level is 0 at 35 C, 90 at 45 C";
}

TEST(FanStall, TheCurveStopsAFanBelowOffAndStartsItAtOnAsTheChipDoes)
{
    Fan fan;
    EXPECT_EQ(fan.Cycles(Curve, 24, 0, 3).Cycles(Curve, 25, 0, 3).seen, "000" "000")
        << "off below Off, and still off between Off and On";
    EXPECT_EQ(fan.Cycles(Curve, 32, 0, 3).Cycles(Curve, 25, 0, 2).Cycles(Curve, 24, 0, 1).seen,
              "000" "000" "001" "11" "0")
        << "on from On, still on between the limits, off below Off";

    // The monitor cannot know what the curve did before it started: a fan
    // seen turning between the limits is on.
    Fan started;
    EXPECT_EQ(started.Cycles(Curve, 29, 2700, 1).Cycles(Curve, 29, 0, 3).seen, "0" "001");

    FanProfile wrapped = Curve;
    wrapped.tempLimit[1] = 287;  // the chip compares the low byte, 31
    EXPECT_EQ(Fan().Cycles(wrapped, 31, 0, 3).seen, "001");
}

TEST(FanStall, FiveSecondsAfterProgrammingAStillFanDoesNotCount)
{
    for (uint32_t start : {1000u, 0xFFFFF000u}) {  // also across the tick count's wrap
        Fan fan;
        fan.now = start;
        EXPECT_EQ(fan.Run("000" "P0000" "000").seen, "001" "00000" "001") << start;
    }
}

// Only a fan read in the cycle counts: a reading kept while another program
// holds the chip neither adds a still cycle nor ends a stall.
TEST(FanStall, OnlyCyclesThatReadTheFanCount)
{
    const std::pair<const char*, const char*> runs[] = {
        {"0zzzzz", "000000"},  // one real 0 rpm, then kept readings
        {"0zz0zz0", "0000001"},
        {"000zzT", "001110"},
        {"00T0z0", "000000"},
        {"P0zzz0zz0", "000000000"},  // the first two 0 rpm fall in the grace; the third counts once
    };
    for (const auto& run : runs) EXPECT_EQ(Fan().Run(run.first).seen, run.second) << run.first;
}

TEST(FanStallKey, OnlyAPositionOfExactlyOneWatchesItsFan)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {" 1 ,1,\t1", "111"}, {"1", "100"}, {"", "000"}, {"2,0,1", "001"}, {"-1,1", "010"},
        {"11,01,0", "010"}, {std::string(600, '1') + ",1", "010"},
        // A value with an entry that is not a number watches no fan at all.
        {"1,x,1", "000"}, {"1,,1,1", "000"}, {"1,1,1.0", "000"},
    };
    for (const auto& c : cases) {
        int32_t watched[FanChannelCount] = {7, 7, 7};
        ParseFanStallFlags(c.first.c_str(), watched);
        std::string got;
        for (int32_t w : watched) got += static_cast<char>('0' + w);
        EXPECT_EQ(got, c.second) << '"' << c.first << '"';
    }
}

}  // namespace
