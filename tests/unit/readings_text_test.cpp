#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/readings_access.h"
#include "reader/readings_text.h"

namespace {

// A block as the monitor writes it for the simulated board: everything
// shown, a voltage alarm on -12 V, the case supervised and closed.
ThermivoReadings Block()
{
    ThermivoReadings b;
    StartReadingsBlock(b);
    b.running = 1;
    b.updateTick = 1000;
    b.year = 2026, b.month = 12, b.day = 7, b.hour = 3, b.minute = 4, b.second = 5;
    const char* titles[] = {"CPU", "System", "Panel"};
    const int32_t celsius[] = {45, 34, -5}, rpm[] = {5192, 4500, 0};
    for (int n = 0; n < THERMIVO_TEMPERATURES; ++n) {
        strcpy(b.temperature[n].title, titles[n]);
        b.temperature[n].celsius = b.temperature[n].panelValue = celsius[n];
        b.temperature[n].shown = b.fan[n].shown = 1;
        b.fan[n].rpm = rpm[n];
    }
    const char* labels[] = {"VCORE", "+12", "-12", "+3.3", "+2.5", "+1.8", "+1.5", "AGP"};
    const int32_t mv[] = {1800, 12040, -11080, 3308, 2500, 1799, 1500, 1500};
    for (int k = 0; k < THERMIVO_RAILS; ++k) {
        strcpy(b.rail[k].label, labels[k]);
        b.rail[k].millivolts = mv[k];
        b.rail[k].shown = 1;
    }
    b.rail[2].alarm = 1;
    b.alarm = 1;
    b.alarmSources = THERMIVO_ALARM_VOLTAGE;
    b.caseWatched = 1;
    return b;
}

TEST(ReaderArguments, NothingOrCsvInAnyCase)
{
    for (const char* lines : {"", "  "}) {
        bool csv = true;
        EXPECT_TRUE(ParseReaderArguments(lines, &csv));
        EXPECT_FALSE(csv);
    }
    for (const char* csvArgument : {"/CSV", "/csv", " -Csv "}) {
        bool csv = false;
        EXPECT_TRUE(ParseReaderArguments(csvArgument, &csv)) << csvArgument;
        EXPECT_TRUE(csv);
    }
    for (const char* wrong : {"/CS", "/CSVX", "/CSV /CSV", "CSV", "/?"}) {
        bool csv = false;
        EXPECT_FALSE(ParseReaderArguments(wrong, &csv)) << wrong;
    }
}

TEST(ReaderExitCode, FreshForFiveSecondsAcrossTheTickCountsWrap)
{
    ThermivoReadings b = Block();
    const struct {
        uint32_t updateTick, now;
        int code;
    } cases[] = {
        {1000, 1000, ReadingsFresh},
        {1000, 6000, ReadingsFresh},
        {1000, 6001, ReadingsNotCurrent},
        {0xFFFFF000u, 0x00000100u, ReadingsFresh},  // 4.35 s, the count wrapped
        {0xFFFFF000u, 0x00001000u, ReadingsNotCurrent},
    };
    for (const auto& c : cases) {
        b.updateTick = c.updateTick;
        EXPECT_EQ(ExitCodeOfCopy(b, c.now), c.code) << c.updateTick << " " << c.now;
    }
    b.running = 0;
    EXPECT_EQ(ExitCodeOfCopy(b, b.updateTick), NoReadings) << "the monitor has ended";
}

TEST(ReaderOutput, ALinePerShownReadingWithItsAlarmAndAge)
{
    ThermivoReadings b = Block();
    b.fahrenheit = 1;
    b.temperature[0].panelValue = 113;
    b.temperature[1].shown = 0;
    b.fan[2].stalled = 1;
    b.rail[7].shown = 0;
    b.rail[6].ageMs = 12500;
    b.rail[5].ageMs = THERMIVO_NEVER_READ;
    char text[ReadingsTextSize];
    ASSERT_GT(FormatReadingLines(b, text, sizeof text), 0u);
    EXPECT_EQ(std::string(text),
              "Thermivo readings of 2026-12-07 03:04:05\r\n"
              "CPU           113 F\r\n"
              "Panel          -5 F\r\n"
              "CPU fan      5192 RPM\r\n"
              "System fan   4500 RPM\r\n"
              "Panel fan       0 RPM  Alarm\r\n"
              "VCORE        1.80 V\r\n"
              "+12         12.04 V\r\n"
              "-12        -11.08 V  Alarm\r\n"
              "+3.3         3.30 V\r\n"
              "+2.5         2.50 V\r\n"
              "+1.8            -\r\n"
              "+1.5         1.50 V  (12 s old)\r\n"
              "Case       closed\r\n");
}

TEST(ReaderOutput, CsvHasTheReadingLogsColumnsWithoutItsLockColumn)
{
    ThermivoReadings b = Block();
    char text[ReadingsTextSize];
    ASSERT_GT(FormatReadingsCsv(b, text, sizeof text), 0u);
    EXPECT_STREQ(text, "2026-12-07 03:04:05,45,34,-5,5192,4500,0,1.80,12.04,-11.08,3.30,2.50,1.79,1.50,1.50,0,0,1,0,\r\n");

    // Not shown, never read, no supervision, a watched fan: empty columns and a stall column.
    b.temperature[1].shown = 0;
    b.fan[0].ageMs = THERMIVO_NEVER_READ;
    b.rail[0].shown = 0;
    b.caseWatched = 0;
    b.fan[1].watched = 1;
    b.alarmSources = THERMIVO_ALARM_FAN_STALL | THERMIVO_ALARM_TEMPERATURE;
    ASSERT_GT(FormatReadingsCsv(b, text, sizeof text), 0u);
    EXPECT_STREQ(text, "2026-12-07 03:04:05,45,,-5,,4500,0,,12.04,-11.08,3.30,2.50,1.79,1.50,1.50,,1,0,0,1\r\n");
}

// The block may come from any program: names without their terminator or
// with line breaks stay within their fields and on their line.
TEST(ReaderOutput, NamesFromAForeignBlockStayInTheirFieldsAndLines)
{
    ThermivoReadings b = Block();
    memset(b.temperature[0].title, 'x', sizeof b.temperature[0].title);
    memcpy(b.rail[0].label, "AB\r\nCDEF", 8);
    char text[ReadingsTextSize];
    ASSERT_GT(FormatReadingLines(b, text, sizeof text), 0u);
    const std::string lines = text;
    // Padded to the longest name, its fan's.
    EXPECT_NE(lines.find("\r\n" + std::string(64, 'x') + std::string(9, ' ') + "45 C\r\n"), std::string::npos);
    EXPECT_NE(lines.find("\r\nAB??CDEF "), std::string::npos);
    EXPECT_EQ(FormatReadingLines(b, text, 200), 0u) << "too small a buffer gives nothing";
}

}  // namespace
