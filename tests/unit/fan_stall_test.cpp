#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/core/fan_stall.h"
#include "monitor/settings/settings_text.h"

namespace {

// Off 25, On 32, Medium 40, High 50, Over 60; levels 70, 90, 110.
constexpr FanProfile Curve = {1, {25, 32, 40, 50, 60}, {70, 90, 110}, 80, 55};
FanProfile FixedOutput(int32_t pwm)
{
    FanProfile p = Curve;
    p.autoMode = 0;
    p.manualPwm = pwm;
    return p;
}

// One fan through cycles a second apart; the stall flag of each.
struct Fan {
    FanStallState state{};
    uint32_t now = 1000;
    std::vector<int> Cycles(const FanProfile& profile, int32_t temperature, int32_t rpm, int count,
                            bool watched = true)
    {
        std::vector<int> stalled;
        for (int i = 0; i < count; ++i, now += 1000)
            stalled.push_back(UpdateFanStall(state, watched, profile, temperature, rpm, now) ? 1 : 0);
        return stalled;
    }
};

const std::vector<int> StallsAtThird = {0, 0, 1, 1};
const std::vector<int> Never = {0, 0, 0, 0};

TEST(FanStall, ADrivenFanStallsAtItsThirdStillCycleAndRecoversAtTheFirstTurningOne)
{
    for (const FanProfile& driven : {FixedOutput(1), FixedOutput(127), Curve}) {
        Fan fan;
        EXPECT_EQ(fan.Cycles(driven, 45, 0, 4), StallsAtThird);
        EXPECT_EQ(fan.Cycles(driven, 45, 1200, 1), std::vector<int>{0});
        EXPECT_EQ(fan.Cycles(driven, 45, 0, 2), (std::vector<int>{0, 0})) << "the count starts again";
    }
}

TEST(FanStall, AFanThatIsNotDrivenOrNotWatchedNeverStalls)
{
    for (const FanProfile& idle : {FixedOutput(0), FixedOutput(128), FixedOutput(-128)}) {
        Fan fan;
        EXPECT_EQ(fan.Cycles(idle, 45, 0, 4), Never) << idle.manualPwm << ": the chip sees output 0";
    }
    Fan unwatched;
    EXPECT_EQ(unwatched.Cycles(FixedOutput(127), 45, 0, 4, false), Never);
    FanProfile levelZero = Curve;
    levelZero.pwmLevel[0] = 0;
    Fan curveAtZero;
    EXPECT_EQ(curveAtZero.Cycles(levelZero, 35, 0, 4), Never) << "the curve's level at 35 C is 0";
    EXPECT_EQ(curveAtZero.Cycles(levelZero, 45, 0, 4), StallsAtThird) << "at 45 C it is level 1";
}

TEST(FanStall, TheCurveStopsAFanBelowOffAndStartsItAtOnAsTheChipDoes)
{
    Fan fan;
    EXPECT_EQ(fan.Cycles(Curve, 24, 0, 4), Never) << "below Off the curve has it off";
    EXPECT_EQ(fan.Cycles(Curve, 25, 0, 4), Never) << "between Off and On it stays off";
    EXPECT_EQ(fan.Cycles(Curve, 32, 0, 4), StallsAtThird) << "from On it is driven";
    EXPECT_EQ(fan.Cycles(Curve, 25, 0, 4), (std::vector<int>{1, 1, 1, 1})) << "back in between it stays on";
    EXPECT_EQ(fan.Cycles(Curve, 24, 0, 1), std::vector<int>{0});

    // A fan seen turning between the limits is on, as the monitor cannot
    // know what the curve did before it started; it stalls when it stops.
    Fan started;
    started.Cycles(Curve, 29, 2700, 1);
    EXPECT_EQ(started.Cycles(Curve, 29, 0, 4), StallsAtThird);

    // The chip compares the limits' low bytes, signed: 287 is 31.
    FanProfile wrapped = Curve;
    wrapped.tempLimit[1] = 287;
    Fan wide;
    EXPECT_EQ(wide.Cycles(wrapped, 31, 0, 4), StallsAtThird);
}

TEST(FanStall, FiveSecondsAfterProgrammingAStillFanDoesNotCount)
{
    for (uint32_t start : {1000u, 0xFFFFF000u}) {  // also across the tick count's wrap
        Fan fan;
        fan.now = start;
        fan.Cycles(FixedOutput(127), 45, 0, 3);
        StartSpinUpGrace(fan.state, fan.now);
        EXPECT_EQ(fan.Cycles(FixedOutput(127), 45, 0, 5), (std::vector<int>{0, 0, 0, 0, 0})) << start;
        EXPECT_EQ(fan.Cycles(FixedOutput(127), 45, 0, 3), (std::vector<int>{0, 0, 1})) << start;
    }
}

TEST(FanStallKey, OnlyAPositionOfExactlyOneWatchesItsFan)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"1,1,1", "111"}, {"0,1,0", "010"}, {" 1 ,1,\t1", "111"}, {"1", "100"}, {"", "000"},
        {"1,x,1", "101"}, {"2,0,1", "001"}, {"11,01,1.0", "000"}, {"-1,1", "010"}, {"1,,1,1", "101"},
        {std::string(600, '1') + ",1", "010"},
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
