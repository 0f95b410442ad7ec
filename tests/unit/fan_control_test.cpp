#include <gtest/gtest.h>

#include "monitor/hw/fan_control.h"
#include "tests/unit/board_journal.h"

namespace {

class FanControl : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartFresh();
        for (FanProfile& f : monitorConfig.fan) f = {1, {25, 35, 45, 60, 75}, {90, 100, 110}, 90, 0};
    }
};

TEST_F(FanControl, AutomaticModeWritesControlThenLimitsAndLevelsFromTheHighestDown)
{
    monitorConfig.fan[1] = {1, {-5, 35, 45, 60, 300}, {90, 100, 110}, 90, 0};
    ProgramFan(1, FanModeAutomatic, 3);
    const std::vector<RegisterAccess> expected = {
        R(0x13, 0x03), W(0x13, 0x07),
        W(0x16, 0x80),  // fan output 1 follows temperature input 0 under fanMap 3
        W(0x6C, 300 & 0xFF), W(0x6B, 60), W(0x6A, 45), W(0x69, 35), W(0x68, 0xFB),
        W(0x6F, 110), W(0x6E, 100), W(0x6D, 90),
    };
    EXPECT_EQ(RegisterAccesses(), expected);
}

TEST_F(FanControl, SoftwareModeWritesOnlyTheSevenBitPwmValue)
{
    monitorConfig.fan[2].manualPwm = 200;
    ProgramFan(2, FanModeSoftware, 4);
    EXPECT_EQ(RegisterWrites(), (std::vector<RegisterAccess>{W(0x13, 0x07), W(0x17, 0x48)}));
}

TEST_F(FanControl, OtherModesAndFansOnlyEnableThePwmOutputs)
{
    ProgramFan(0, 0, 0);
    ProgramFan(3, FanModeAutomatic, 0);
    ProgramFan(-1, FanModeSoftware, 0);
    EXPECT_EQ(RegisterWrites(), (std::vector<RegisterAccess>{W(0x13, 0x07), W(0x13, 0x07), W(0x13, 0x07)}));
}

TEST_F(FanControl, AllFansAreProgrammedInOrderByTheirMode)
{
    monitorConfig.fan[1].autoMode = 0;
    monitorConfig.fan[1].manualPwm = 64;
    ProgramAllFans();
    std::vector<uint8_t> pwmControls;
    int enables = 0;
    for (const RegisterAccess& a : RegisterWrites()) {
        if (a.reg == 0x13) ++enables;
        if (a.reg >= 0x15 && a.reg <= 0x17) pwmControls.push_back(a.value);
        EXPECT_FALSE(a.reg >= 0x68 && a.reg <= 0x6F) << "fan 1 is in software mode: " << a;
    }
    EXPECT_EQ(enables, 3);
    EXPECT_EQ(pwmControls, (std::vector<uint8_t>{0x80, 64, 0x82}));
}

TEST_F(FanControl, AnAutoModeOtherThanOneCountsAsSoftwareMode)
{
    monitorConfig.fan[0].autoMode = 7;
    monitorConfig.fan[0].manualPwm = 10;
    ProgramAllFans();
    EXPECT_EQ(SimBoardInstance().reg[0x15], 10);
}

TEST_F(FanControl, FanMapOutsideTheTableUsesTheFirstRow)
{
    ProgramFan(2, FanModeAutomatic, 9);
    EXPECT_EQ(SimBoardInstance().reg[0x17], 0x82);
}

TEST(FanTables, EveryFanOutputFollowsTheTemperatureInputOfItsOwnChannel)
{
    for (int row = 0; row < 6; ++row)
        for (int n = 0; n < 3; ++n)
            EXPECT_EQ(PwmControlTable[row][n] - 0x80, TemperatureRegisterTable[row][n] - 0x29) << row << "," << n;
}

TEST_F(FanControl, ProgrammedCurveDrivesTheSimulatedFan)
{
    InitChip();
    ApplyScenario("temp0 = 50\nfan0 = 5080\nreg0B = 0x12");  // fan 0 divisor 4
    monitorConfig.fan[0] = {1, {25, 35, 45, 60, 75}, {40, 80, 120}, 60, 0};
    ProgramFan(0, FanModeAutomatic, 0);
    EXPECT_NEAR(ReadFanSpeed(0x0D), 5080 * 80 / 127, 20) << "Medium band runs at PWM level 1";

    ApplyScenario("temp0 = 65");
    EXPECT_NEAR(ReadFanSpeed(0x0D), 5080 * 120 / 127, 30) << "High band runs at PWM level 2";

    ProgramFan(0, FanModeSoftware, 0);
    EXPECT_NEAR(ReadFanSpeed(0x0D), 5080 * 60 / 127, 20) << "software mode runs at manualPwm";
}

}  // namespace
