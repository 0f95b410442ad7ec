#include <gtest/gtest.h>

#include <algorithm>

#include "tests/unit/board_journal.h"

// The simulated board's own behaviour, which the monitor's tests and the
// end-to-end tests rely on.
namespace {

class Board : public ::testing::Test {
protected:
    void SetUp() override { StartFresh(); }
    SimBoard& board = SimBoardInstance();
    uint8_t Read(uint8_t reg)
    {
        SimPortWrite(board, 0x295, reg, SimNowMs());
        return SimPortRead(board, 0x296, SimNowMs());
    }
    void Write(uint8_t reg, uint8_t value)
    {
        SimPortWrite(board, 0x295, reg, SimNowMs());
        SimPortWrite(board, 0x296, value, SimNowMs());
    }
    void Out(uint16_t port, uint8_t value) { SimPortWrite(board, port, value, SimNowMs()); }
};

TEST_F(Board, CaseOpenLatchSetsOnOpeningAndClearsOnlyWhenShut)
{
    EXPECT_EQ(Read(0x01) & 0x10, 0);
    SimSetCaseOpen(board, 1);
    EXPECT_EQ(Read(0x01) & 0x10, 0x10);
    Write(0x00, 0x20);
    EXPECT_EQ(Read(0x01) & 0x10, 0x10) << "still open: the intrusion input sets it again";
    SimSetCaseOpen(board, 0);
    EXPECT_EQ(Read(0x01) & 0x10, 0x10) << "shutting the case does not clear the latch";
    Write(0x00, 0x20);
    EXPECT_EQ(Read(0x01) & 0x10, 0);
    EXPECT_EQ(Read(0x00) & 0x20, 0) << "the clear bit clears itself";
}

TEST_F(Board, FanCountsFollowSpeedAndDivisor)
{
    ApplyScenario("fan0 = 5000\nfan1 = 3000\nfan2 = 2700\nreg13 = 0x70\nreg0B = 0x0A");  // full duty; divisors 4 and 2
    EXPECT_EQ(Read(0x0D), 1350000 / (5000 * 4));
    EXPECT_EQ(Read(0x0E), 1350000 / (3000 * 2));
    EXPECT_EQ(Read(0x0F), 1350000 / (2700 * 2)) << "fan 2 always divides by 2";

    ApplyScenario("fan1 = stopped");
    EXPECT_EQ(Read(0x0E), 255);
    ApplyScenario("fan1 = 300");
    EXPECT_EQ(Read(0x0E), 255) << "too slow for the divisor";
    ApplyScenario("reg13 = 0x00");
    EXPECT_EQ(Read(0x0D), 255) << "tachometer inputs disabled";
}

TEST_F(Board, SoftwareModeDutyAndFullSpeedWithoutPwm)
{
    ApplyScenario("reg13 = 0x01\nreg15 = 0x40\nreg16 = 0x10");
    EXPECT_EQ(SimFanDuty(board, 0, 0), 0x40);
    EXPECT_EQ(SimFanDuty(board, 1, 0), 127) << "PWM of output 1 not enabled";
    ApplyScenario("reg15 = 0x05");
    EXPECT_EQ(SimFanRpm(board, 0, 0), 0) << "a fan stalls at a very low duty";
}

TEST_F(Board, AutomaticModeFollowsTheCurveOfItsTemperatureInput)
{
    // Fan 2 follows input 1; limits 30 40 50 60 70, levels 20 60 100.
    ApplyScenario("reg13 = 0x07\nreg14 = 0x80\nreg17 = 0x81\n"
                  "reg70 = 30\nreg71 = 40\nreg72 = 50\nreg73 = 60\nreg74 = 70\n"
                  "reg75 = 20\nreg76 = 60\nreg77 = 100\ntemp0 = 99");
    const struct { int celsius; int duty; } steps[] = {
        {45, 20}, {55, 60}, {65, 100}, {70, 127}, {35, 20}, {29, 0},
        {35, 0},  // off until the On limit is reached again
        {40, 20},
    };
    char line[32];
    for (const auto& s : steps) {
        snprintf(line, sizeof line, "temp1 = %d", s.celsius);
        ApplyScenario(line);
        EXPECT_EQ(SimFanDuty(board, 2, 0), s.duty) << s.celsius;
    }
    ApplyScenario("reg14 = 0x00");
    EXPECT_EQ(SimFanDuty(board, 2, 0), 127) << "without the controller flag the fan runs flat out";
}

TEST_F(Board, NegativeLimitsAreSigned)
{
    ApplyScenario("reg13 = 0x01\nreg14 = 0x80\nreg15 = 0x80\nreg60 = 0xF6\nreg61 = 0xFB\nreg62 = 100\n"
                  "reg65 = 33\ntemp0 = -3");
    EXPECT_EQ(SimFanDuty(board, 0, 0), 33);
}

TEST_F(Board, BatteryRegisterSamplesOnlyWhenAsked)
{
    ApplyScenario("volt3.raw = 10");
    Write(0x00, 0x40);
    EXPECT_EQ(Read(0x23), 10);
    ApplyScenario("volt3.raw = 99");
    EXPECT_EQ(Read(0x23), 10);
    Write(0x00, 0x40);
    EXPECT_EQ(Read(0x23), 99);
    ApplyScenario("volt4.raw = 77");
    EXPECT_EQ(Read(0x24), 77) << "other inputs are live";
}

TEST_F(Board, SensorRegistersIgnoreWrites)
{
    ApplyScenario("temp2 = 40");
    Write(0x2B, 0x10);
    Write(0x24, 0x10);
    EXPECT_EQ(Read(0x2B), 40);
    EXPECT_NE(Read(0x24), 0x10);
}

TEST_F(Board, SpeakerTonesAreLoggedWithFrequencyAndTimes)
{
    SimSetNowMs(1000);
    Out(0x43, 0xB6);
    Out(0x42, 1330 & 0xFF);
    Out(0x42, 1330 >> 8);
    Out(0x61, board.port61 | 0x03);
    SimSetNowMs(1100);
    Out(0x43, 0xB6);
    Out(0x42, 1184 & 0xFF);
    Out(0x42, 1184 >> 8);  // the next note follows at once
    SimSetNowMs(1200);
    Out(0x61, board.port61 & ~0x03);

    ASSERT_EQ(board.toneCount, 2u);
    EXPECT_EQ(board.tone[0].frequencyHz, 897u);
    EXPECT_EQ(board.tone[0].startMs, 1000u);
    EXPECT_EQ(board.tone[0].endMs, 1100u);
    EXPECT_EQ(board.tone[1].frequencyHz, 1007u);
    EXPECT_EQ(board.tone[1].endMs, 1200u);
    EXPECT_EQ(board.port61 & 0xFC, 0x10) << "other bits of port 0x61 are kept";
    EXPECT_FALSE(SimSpeakerSounding(board));
}

TEST_F(Board, OnlyTheWholeKeyEntersConfigurationMode)
{
    for (uint8_t b : {0x87, 0x01, 0x55}) Out(0x2E, b);
    EXPECT_EQ(board.superIoConfigMode, 0u);
    for (uint8_t b : {0x87, 0x87, 0x01, 0x55, 0x55}) Out(0x2E, b);
    EXPECT_EQ(board.superIoConfigMode, 1u);
}

TEST_F(Board, TemperatureLoadPatternSwingsAroundItsBase)
{
    ApplyScenario("temp0 = 45 6 60");
    int low = 1000, high = -1000;
    for (uint32_t t = 0; t < 60000; t += 250) {
        const int32_t c = SimTemperatureAt(board, 0, t);
        low = std::min(low, c);
        high = std::max(high, c);
    }
    EXPECT_EQ(low, 39);
    EXPECT_EQ(high, 51);
}

TEST_F(Board, VoltsConvertToCountsThroughEachInputsScaling)
{
    for (int channel : {0, 1, 2, 5}) {
        for (int raw : {0, 1, 100, 200, 255})
            EXPECT_EQ(SimRawFromVolts(channel, SimVoltsFromRaw(channel, static_cast<uint8_t>(raw))), raw);
    }
    EXPECT_EQ(SimRawFromVolts(1, 12.0), 191);
    EXPECT_EQ(SimRawFromVolts(0, 99.0), 255);
    EXPECT_EQ(SimRawFromVolts(2, -20.0), 0);
}

TEST_F(Board, ScenarioErrorsNameTheLine)
{
    char error[80] = "";
    EXPECT_EQ(SimApplyScenario(board, "# a comment\ntemp0 = 50  # hot\n\nfan9 = 100\ntemp1 = 1", error, sizeof error), 0);
    EXPECT_STREQ(error, "cannot understand \"fan9 = 100\"");
    EXPECT_EQ(board.temperature[0].base, 50) << "lines before the bad one are applied";
    // Values the board cannot hold are refused rather than wrapped into
    // nonsense (a speed that overflows its count arithmetic, a temperature
    // beyond its signed byte).
    for (const char* bad : {"temp0 = hot", "volt1.raw = 256", "case = ajar", "reg100 = 1", "temp0 = 1 2", "novalue",
                            "fan1 = 45214748364700", "fan0 = 1000001", "temp0 = 128", "temp0 = 2147483647 100 60",
                            "temp1 = 40 -5 60", "temp1 = 40 5 86401"})
        EXPECT_EQ(SimApplyScenario(board, bad, error, sizeof error), 0) << bad;
    EXPECT_EQ(SimApplyScenario(board, "fan0 = 1000000\ntemp0 = -128 255 86400", error, sizeof error), 1);
    EXPECT_EQ(SimApplyScenario(board, "driver = absent\r\ncase = open\r\n", error, sizeof error), 1);
    EXPECT_EQ(board.driverState, SimDriverAbsent);
    EXPECT_EQ(board.caseOpen, 1);
}

TEST_F(Board, JournalKeepsTheLatestAccessesAndCountsThemAll)
{
    for (uint32_t i = 0; i < SimJournalSize + 10; ++i) Out(0x80, static_cast<uint8_t>(i));
    EXPECT_EQ(SimJournalKept(board), SimJournalSize);
    EXPECT_EQ(SimJournalEntry(board, 0).value, static_cast<uint8_t>(10));
    EXPECT_EQ(board.accessCount, SimJournalSize + 10);
    SimClearJournal(board);
    EXPECT_EQ(SimJournalKept(board), 0u);
}

}  // namespace
