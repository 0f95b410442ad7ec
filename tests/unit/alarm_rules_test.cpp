#include <gtest/gtest.h>

#include "monitor/core/alarm_rules.h"

namespace {

class TemperatureAlarm : public ::testing::Test {
protected:
    void SetUp() override
    {
        config = InitialMonitorConfig();
        for (FanProfile& f : config.fan) f = {1, {25, 35, 45, 60, 75}, {90, 100, 110}, 90, 50};
        for (int32_t& on : config.itemOn) on = 1;
        for (SensorSnapshot& s : snapshot) s = {40, 3000};
    }
    MonitorConfig config;
    SensorSnapshot snapshot[3];
};

TEST_F(TemperatureAlarm, ReachingTheLimitCountsOneBelowDoesNot)
{
    snapshot[1].temperature = 74;
    EXPECT_EQ(TemperatureAlarmChannel(config, snapshot), -1);
    snapshot[1].temperature = 75;
    EXPECT_EQ(TemperatureAlarmChannel(config, snapshot), 1);
}

TEST_F(TemperatureAlarm, TheModeChoosesTheLimit)
{
    config.fan[0].autoMode = 0;  // software mode: the alarm limit, 50
    snapshot[0].temperature = 50;
    EXPECT_EQ(TemperatureAlarmChannel(config, snapshot), 0);
    EXPECT_EQ(config.effectiveAlarmTemp[0], 50);
    snapshot[0].temperature = 49;
    EXPECT_EQ(TemperatureAlarmChannel(config, snapshot), -1);
    EXPECT_EQ(config.effectiveAlarmTemp[1], 75) << "automatic mode: the Over limit";
}

TEST_F(TemperatureAlarm, ReadoutSwitchedOffNeverAlarms)
{
    snapshot[2].temperature = 120;
    config.itemOn[2] = 0;
    EXPECT_EQ(TemperatureAlarmChannel(config, snapshot), -1);
    config.itemOn[5] = 0;  // fan-speed items play no part
    config.itemOn[2] = 1;
    EXPECT_EQ(TemperatureAlarmChannel(config, snapshot), 2);
}

TEST_F(TemperatureAlarm, FirstChannelInAlarmStopsTheExamination)
{
    snapshot[0].temperature = 90;
    snapshot[2].temperature = 90;
    config.fan[2].autoMode = 0;
    config.effectiveAlarmTemp[2] = 1234;
    EXPECT_EQ(TemperatureAlarmChannel(config, snapshot), 0);
    EXPECT_EQ(config.effectiveAlarmTemp[2], 1234) << "channel 2 was not examined in this cycle";
}

TEST_F(TemperatureAlarm, NegativeTemperaturesCompareSigned)
{
    config.fan[0] = {0, {25, 35, 45, 60, 75}, {0, 0, 0}, 0, -5};
    snapshot[0].temperature = -6;
    EXPECT_EQ(TemperatureAlarmChannel(config, snapshot), -1);
    snapshot[0].temperature = -5;
    EXPECT_EQ(TemperatureAlarmChannel(config, snapshot), 0);
}

TEST(MinimisedTitle, CyclesThroughChannelsWhoseTemperatureIsOn)
{
    int32_t itemOn[ReadoutItemCount] = {1, 0, 1, 1, 1, 1};
    int channel = 0;
    std::vector<int> shown;
    for (int i = 0; i < 4; ++i) shown.push_back(channel = NextTitleChannel(channel, itemOn));
    EXPECT_EQ(shown, (std::vector<int>{2, 0, 2, 0}));

    const int32_t allOn[ReadoutItemCount] = {1, 1, 1, 0, 0, 0};
    EXPECT_EQ(NextTitleChannel(0, allOn), 1) << "the first minimising starts from channel 1";
    const int32_t noneOn[ReadoutItemCount] = {0, 0, 0, 1, 1, 1};
    EXPECT_EQ(NextTitleChannel(1, noneOn), -1);
}

TEST(MinimisedTitle, ShowsTheReadingsInTheDisplayScale)
{
    MonitorConfig config = InitialMonitorConfig();
    snprintf(config.fanTitle[0], TitleSize, "CPU");
    config.celsius = 1;
    char title[128];
    FormatMinimisedTitle(title, sizeof title, config, {45, 4821}, 0);
    EXPECT_STREQ(title, "CPU T=45C F=4821");
    config.celsius = 0;
    FormatMinimisedTitle(title, sizeof title, config, {25, 0}, 0);
    EXPECT_STREQ(title, "CPU T=77F F=0");
}

}  // namespace
