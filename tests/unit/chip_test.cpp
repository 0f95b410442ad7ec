#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "monitor/hw/chip.h"
#include "monitor/hw/fan_control.h"
#include "tests/unit/board_journal.h"

namespace {

class Chip : public ::testing::Test {
protected:
    void SetUp() override { StartFresh(); }
};

TEST_F(Chip, InitialisationEntersConfigModeThenWritesInItsFixedOrder)
{
    InitChip();

    const SimBoard& board = SimBoardInstance();
    std::vector<uint8_t> keyWrites;
    for (uint32_t i = 0; i < SimJournalKept(board); ++i) {
        const SimPortAccess& a = SimJournalEntry(board, i);
        if (a.port == SuperIoConfigPort) {
            EXPECT_TRUE(a.isWrite);
            EXPECT_EQ(i, keyWrites.size()) << "the entry key comes before any register access";
            keyWrites.push_back(a.value);
        }
    }
    EXPECT_EQ(keyWrites, (std::vector<uint8_t>{0x87, 0x01, 0x55, 0x55}));
    EXPECT_EQ(board.superIoConfigMode, 1u);

    // Board start values: 0x00=08, 0x13=03, 0x14=05, 0x15..17 = 50 60 3C, 0x5C=00.
    const std::vector<RegisterAccess> expected = {
        R(0x13, 0x03), R(0x14, 0x05), R(0x15, 0x50), R(0x16, 0x60), R(0x17, 0x3C),  // saved
        R(0x00, 0x08), W(0x00, 0x09),
        R(0x14, 0x05), W(0x14, 0x85),
        R(0x5C, 0x00), W(0x5C, 0x80),
        W(0x59, 0x56),
        R(0x00, 0x09), W(0x00, 0x09),
        R(0x13, 0x03), W(0x13, 0x73),
        W(0x50, 0xFF),
        W(0x51, 0x38),
        R(0x00, 0x09), W(0x00, 0x29),  // clear the case-open latch
        R(0x01, 0x00),
    };
    EXPECT_EQ(RegisterAccesses(), expected);
}

TEST_F(Chip, TemperatureSensorSetupOfZeroLeavesRegister51Alone)
{
    monitorConfig.tempSensorSetup = 0;
    InitChip();
    for (const RegisterAccess& a : RegisterAccesses()) EXPECT_NE(a.reg, 0x51) << a;

    StartFresh();
    monitorConfig.tempSensorSetup = 0x1C7;  // only the low byte reaches the chip
    InitChip();
    EXPECT_EQ(SimBoardInstance().reg[0x51], 0xC7);
}

TEST_F(Chip, FanControlIsSavedOncePerProcessAndRestoredToTheStartUpValues)
{
    monitorConfig.fan[0] = {1, {25, 35, 45, 60, 75}, {90, 100, 110}, 90, 0};
    monitorConfig.fan[1] = {0, {25, 35, 45, 60, 75}, {90, 100, 110}, 33, 0};
    monitorConfig.fan[2] = {1, {25, 35, 45, 60, 75}, {90, 100, 110}, 90, 0};
    InitChip();
    ProgramAllFans();

    // A resume initialises again: the board's values are not saved a second time.
    ClearJournal();
    InitChip();
    ProgramAllFans();
    const std::vector<RegisterAccess> afterResume = RegisterAccesses();
    ASSERT_FALSE(afterResume.empty());
    EXPECT_EQ(afterResume[0], R(0x00, 0x09)) << "no save reads before the first initialisation step";

    ClearJournal();
    RestoreFanControlRegisters();
    const std::vector<RegisterAccess> expected = {
        W(0x13, 0x03), W(0x14, 0x05), W(0x15, 0x50), W(0x16, 0x60), W(0x17, 0x3C),
    };
    EXPECT_EQ(RegisterAccesses(), expected);
}

TEST_F(Chip, RestoreBeforeAnyInitialisationWritesNothing)
{
    // A crash early in start-up must not write zeros over the board's fan control.
    RestoreFanControlRegisters();
    EXPECT_TRUE(RegisterAccesses().empty());
}

TEST_F(Chip, BatteryVoltageReadIsPrecededByItsSampleBitAndNoOtherVoltageReadWrites)
{
    ApplyScenario("volt3.raw = 200");
    ClearJournal();
    const double volts = ReadVoltage(0x23);
    EXPECT_EQ(RegisterAccesses(), (std::vector<RegisterAccess>{R(0x00, 0x08), W(0x00, 0x48), R(0x23, 200)}));
    EXPECT_NEAR(volts, 3.2, 1e-6);

    for (uint8_t reg = 0x20; reg <= 0x27; ++reg) {
        if (reg == 0x23) continue;
        ClearJournal();
        ReadVoltage(reg);
        const std::vector<RegisterAccess> accesses = RegisterAccesses();
        ASSERT_EQ(accesses.size(), 1u) << std::hex << int(reg);
        EXPECT_FALSE(accesses[0].write);
        EXPECT_EQ(accesses[0].reg, reg);
    }
}

TEST_F(Chip, VoltageScalingsAtBothEndsOfTheConverter)
{
    ApplyScenario("volt0.raw = 0\nvolt1.raw = 0\nvolt2.raw = 0");
    EXPECT_EQ(ReadVoltage(0x20), 0.0);
    EXPECT_EQ(ReadVoltage(0x21), 0.0);
    EXPECT_NEAR(ReadVoltage(0x22), -12.288, 1e-6);

    ApplyScenario("volt0.raw = 255\nvolt1.raw = 255\nvolt2.raw = 255");
    EXPECT_NEAR(ReadVoltage(0x20), 4.08, 1e-6);
    EXPECT_NEAR(ReadVoltage(0x21), 16.04, 0.005);
    EXPECT_NEAR(ReadVoltage(0x22), 3.012, 0.001);
}

TEST_F(Chip, PlainChannelsGiveExactlySixteenMillivoltsPerCountWhenTruncated)
{
    // The single-precision step lies just above 0.016, so truncating the
    // millivolts never loses a count.
    char line[40];
    for (int raw = 0; raw <= 255; ++raw) {
        snprintf(line, sizeof line, "volt4.raw = %d", raw);
        ApplyScenario(line);
        EXPECT_EQ(static_cast<int>(ReadVoltage(0x24) * 1000), 16 * raw) << raw;
    }
}

TEST_F(Chip, TemperaturesAreSignExtended)
{
    const struct { int celsius; } cases[] = {{0}, {127}, {-128}, {-1}, {45}};
    char line[40];
    for (const auto& c : cases) {
        snprintf(line, sizeof line, "temp0 = %d", c.celsius);
        ApplyScenario(line);
        EXPECT_EQ(ReadTemperature(0, 0), c.celsius);
    }
}

TEST_F(Chip, FanMapSelectsTheTemperatureRegisterOfEachChannel)
{
    ApplyScenario("temp0 = 10\ntemp1 = 20\ntemp2 = 30");  // registers 0x29, 0x2A, 0x2B
    EXPECT_EQ(ReadTemperature(0, 3), 30);
    EXPECT_EQ(ReadTemperature(1, 3), 10);
    EXPECT_EQ(ReadTemperature(2, 3), 20);

    for (int row = 0; row < 6; ++row) {
        int seen = 0;
        for (int channel = 0; channel < 3; ++channel) {
            const int32_t t = ReadTemperature(channel, row);
            EXPECT_EQ(t, 10 * (TemperatureRegisterTable[row][channel] - 0x29 + 1));
            seen |= 1 << (t / 10 - 1);
        }
        EXPECT_EQ(seen, 7) << "row " << row << " reads every input once";
    }
}

TEST_F(Chip, FanMapOutsideTheTablesFallsBackToTheFirstRow)
{
    ApplyScenario("temp0 = 10\ntemp1 = 20\ntemp2 = 30");
    for (int32_t fanMap : {-1, 6, 1000}) {
        EXPECT_EQ(ReadTemperature(0, fanMap), 10);
        EXPECT_EQ(ReadTemperature(2, fanMap), 30);
    }
}

TEST_F(Chip, FanSpeedsFromCountAndDivisor)
{
    InitChip();  // enables the tachometer inputs
    ApplyScenario("reg0B = 0x03\nfan0.count = 100");  // fan 0 divisor 8
    EXPECT_EQ(ReadFanSpeed(0x0D), 1687);
    ApplyScenario("reg0B = 0x18\nfan1.count = 100");  // fan 1 divisor 8 from bits 3-5
    EXPECT_EQ(ReadFanSpeed(0x0E), 1687);
    ApplyScenario("reg0B = 0x3F\nfan2.count = 135");  // fan 2 ignores the divisor register
    EXPECT_EQ(ReadFanSpeed(0x0F), 5000);

    for (const char* pin : {"fan0.count = 255", "fan0.count = 0"}) {
        ApplyScenario(pin);
        EXPECT_EQ(ReadFanSpeed(0x0D), 0) << pin;
    }
}

TEST_F(Chip, FanSpeedReadsTheCountBeforeTheDivisorAndNothingForOtherRegisters)
{
    InitChip();
    ClearJournal();
    ReadFanSpeed(0x0E);
    const std::vector<RegisterAccess> accesses = RegisterAccesses();
    ASSERT_EQ(accesses.size(), 2u);
    EXPECT_EQ(accesses[0].reg, 0x0E);
    EXPECT_EQ(accesses[1].reg, 0x0B);

    ClearJournal();
    ReadFanSpeed(0x0F);
    EXPECT_EQ(RegisterAccesses().size(), 1u);

    ClearJournal();
    EXPECT_EQ(ReadFanSpeed(0x10), 0);
    EXPECT_EQ(SimJournalKept(SimBoardInstance()), 0u);
}

TEST_F(Chip, CaseOpenLatchIsReadAndCleared)
{
    InitChip();
    EXPECT_EQ(ReadCaseOpen(), 0);
    ApplyScenario("case = open");
    ApplyScenario("case = closed");
    EXPECT_EQ(ReadCaseOpen(), 1) << "the latch remembers an opening";
    EXPECT_EQ(ClearCaseOpen(), 0);
    EXPECT_EQ(ReadCaseOpen(), 0);
}

TEST_F(Chip, FanControlFlagSetsBit7Of14)
{
    ClearJournal();
    SetFanControlFlag();
    EXPECT_EQ(RegisterAccesses(), (std::vector<RegisterAccess>{R(0x14, 0x05), W(0x14, 0x85)}));
}

TEST(TemperatureScale, ConversionsRoundToTheNearestDegreeOnBothSidesOfZero)
{
    const struct {
        int32_t celsius, fahrenheit;
    } cases[] = {{-128, -198}, {-40, -40}, {-5, 23}, {-1, 30}, {0, 32}, {25, 77}, {100, 212}, {127, 261}};
    for (const auto& c : cases) EXPECT_EQ(CelsiusToFahrenheit(c.celsius), c.fahrenheit) << c.celsius << " C";
    const struct {
        int32_t fahrenheit, celsius;
    } back[] = {{-128, -89}, {-40, -40}, {-1, -18}, {0, -18}, {31, -1}, {32, 0}, {33, 1}, {100, 38}, {127, 53},
                {211, 99}, {212, 100}};
    for (const auto& c : back) EXPECT_EQ(FahrenheitToCelsius(c.fahrenheit), c.celsius) << c.fahrenheit << " F";
}

// The fan pages show 0..100 C, or 32..212 F, and store Celsius.
TEST(TemperatureScale, RoundTripsOverTheSlidersWholeRanges)
{
    for (int32_t c = -128; c <= 127; ++c) EXPECT_EQ(FahrenheitToCelsius(CelsiusToFahrenheit(c)), c) << c;
    for (int32_t f = 32; f <= 212; ++f) {
        const int32_t stored = FahrenheitToCelsius(f);
        EXPECT_LE(std::abs(CelsiusToFahrenheit(stored) - f), 1) << f << " F comes back within a degree";
        EXPECT_EQ(FahrenheitToCelsius(CelsiusToFahrenheit(stored)), stored) << "and stays there";
    }
}

}  // namespace
