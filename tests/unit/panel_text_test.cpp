#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/core/rail_check.h"
#include "monitor/core/reading_text.h"
#include "monitor/ui/panel_text.h"

namespace {

std::string Temperature(int32_t celsius, int32_t celsiusScale)
{
    char text[32];
    FormatTemperature(text, sizeof text, celsius, celsiusScale);
    return text;
}

std::string Voltage(int32_t millivolts)
{
    char text[32];
    FormatVoltage(text, sizeof text, millivolts);
    return text;
}

TEST(PanelText, TemperaturesInBothScales)
{
    EXPECT_EQ(Temperature(45, 1), "045oC");
    EXPECT_EQ(Temperature(0, 1), "000oC");
    EXPECT_EQ(Temperature(-5, 1), "-005oC");
    EXPECT_EQ(Temperature(-128, 1), "-128oC");
    EXPECT_EQ(Temperature(1000, 1), "1000oC");
    EXPECT_EQ(Temperature(7, 0), "045oF");
    EXPECT_EQ(Temperature(-40, 0), "-040oF");
    EXPECT_EQ(Temperature(127, 0), "261oF");
}

TEST(PanelText, FanSpeedsHaveFiveDigitsAndATrailingBlank)
{
    char text[16];
    FormatFanSpeed(text, sizeof text, 0);
    EXPECT_STREQ(text, "00000 ");
    FormatFanSpeed(text, sizeof text, 4821);
    EXPECT_STREQ(text, "04821 ");
}

TEST(PanelText, VoltagesTruncateTheHundredthsAndCarryTheirSign)
{
    EXPECT_EQ(Voltage(1748), " 1.74V");
    EXPECT_EQ(Voltage(3308), " 3.30V");
    EXPECT_EQ(Voltage(12014), "12.01V");
    EXPECT_EQ(Voltage(-12096), "-12.09V");
    EXPECT_EQ(Voltage(-1500), "- 1.50V");
    EXPECT_EQ(Voltage(-5), "- 0.00V");
    EXPECT_EQ(Voltage(0), " 0.00V");
}

TEST(PanelText, MillivoltsAreTruncatedTowardZero)
{
    EXPECT_EQ(VoltageMillivolts(1.7489), 1748);
    EXPECT_EQ(VoltageMillivolts(-12.0969), -12096);
}

TEST(PanelText, FirstVCoreReadingRoundsToATenth)
{
    EXPECT_EQ(NearestTenthInHundredths(1750), 180);
    EXPECT_EQ(NearestTenthInHundredths(1744), 170);
    EXPECT_EQ(NearestTenthInHundredths(1748), 170);
    EXPECT_EQ(NearestTenthInHundredths(1751), 180);
    EXPECT_EQ(NearestTenthInHundredths(1760), 180);
}

TEST(VoltageTolerance, DeviationBeyondThePercentageOfTheBase)
{
    // 2.00 V with 10 %: 200 mV either way is still fine.
    EXPECT_FALSE(VoltageOutOfTolerance(2200, 200, 10));
    EXPECT_FALSE(VoltageOutOfTolerance(1800, 200, 10));
    EXPECT_TRUE(VoltageOutOfTolerance(2201, 200, 10));
    EXPECT_TRUE(VoltageOutOfTolerance(1799, 200, 10));
    // Integer division: 5 % of 3.33 V is 166 mV, not 166.5.
    EXPECT_FALSE(VoltageOutOfTolerance(3330 + 166, 333, 5));
    EXPECT_TRUE(VoltageOutOfTolerance(3330 + 167, 333, 5));
}

TEST(VoltageTolerance, NegativeBasesUseTheirMagnitude)
{
    EXPECT_FALSE(VoltageOutOfTolerance(-12096, -1200, 10));
    EXPECT_FALSE(VoltageOutOfTolerance(-13200, -1200, 10));
    EXPECT_TRUE(VoltageOutOfTolerance(-13201, -1200, 10));
    EXPECT_TRUE(VoltageOutOfTolerance(-10799, -1200, 10));
}

TEST(VoltageTolerance, BaseZeroToleratesOnlyZero)
{
    EXPECT_TRUE(VoltageOutOfTolerance(16, 0, 10));
    EXPECT_TRUE(VoltageOutOfTolerance(-16, 0, 100));
    EXPECT_FALSE(VoltageOutOfTolerance(0, 0, 10));
}

TEST(GlyphTables, ValueStripCells)
{
    GlyphCell cell;
    ASSERT_TRUE(ValueGlyph('7', &cell));
    EXPECT_EQ(cell.sourceX, 105);
    EXPECT_EQ(cell.advance, 15);
    ASSERT_TRUE(ValueGlyph('o', &cell));
    EXPECT_EQ(cell.sourceX, 170);
    EXPECT_EQ(cell.width, 10);
    ASSERT_TRUE(ValueGlyph('F', &cell));
    EXPECT_EQ(cell.sourceX, 240);
    EXPECT_FALSE(ValueGlyph('a', &cell));
    EXPECT_FALSE(ValueGlyph(' ', &cell));
}

TEST(GlyphTables, ClockStripCells)
{
    GlyphCell cell;
    ASSERT_TRUE(ClockGlyph('9', &cell));
    EXPECT_EQ(cell.sourceX, 24 * 9 + 3);
    EXPECT_EQ(cell.height, 24);
    ASSERT_TRUE(ClockGlyph('-', &cell));
    EXPECT_EQ(cell.sourceX, 318);
    EXPECT_EQ(cell.height, 20);
    EXPECT_FALSE(ClockGlyph('V', &cell));
}

std::vector<std::string> Steps(const GlyphStep* steps, size_t count)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < count; ++i) {
        char text[48];
        snprintf(text, sizeof text, "%s@%d:%d/%d", steps[i].kind == GlyphStep::Glyph ? "glyph" : "black",
                 steps[i].x, steps[i].sourceX, steps[i].width);
        out.push_back(text);
    }
    return out;
}

TEST(GlyphLayout, NegativeValueUsesTheSignCellAndBlanksAreBlacked)
{
    GlyphStep steps[MaxGlyphSteps];
    size_t n = LayoutValueText("-005oC", 100, steps, MaxGlyphSteps);
    EXPECT_EQ(Steps(steps, n), (std::vector<std::string>{"glyph@90:200/10", "glyph@100:0/15", "glyph@115:0/15",
                                                         "glyph@130:75/15", "glyph@145:170/10",
                                                         "glyph@155:225/15"}));
    n = LayoutValueText(" 1.74V", 90, steps, MaxGlyphSteps);
    EXPECT_EQ(Steps(steps, n), (std::vector<std::string>{"black@80:0/10", "black@90:0/15", "glyph@105:15/15",
                                                         "glyph@120:160/10", "glyph@130:105/15",
                                                         "glyph@145:60/15", "glyph@160:210/15"}));
}

TEST(GlyphLayout, UnknownCharactersNeitherDrawNorMove)
{
    GlyphStep steps[MaxGlyphSteps];
    const size_t n = LayoutValueText("1x2", 0, steps, MaxGlyphSteps);
    EXPECT_EQ(Steps(steps, n), (std::vector<std::string>{"black@-10:0/10", "glyph@0:15/15", "glyph@15:30/15"}));
}

TEST(GlyphLayout, ClockBlanksOnlyAdvance)
{
    GlyphStep steps[MaxGlyphSteps];
    const size_t n = LayoutClockText("1 :2", 230, steps, MaxGlyphSteps);
    EXPECT_EQ(Steps(steps, n), (std::vector<std::string>{"glyph@230:27/18", "glyph@263:244/16", "glyph@279:51/18"}));
}

TEST(GlyphLayout, NeverWritesPastTheSteps)
{
    GlyphStep steps[4];
    EXPECT_EQ(LayoutValueText("123456789", 0, steps, 4), 4u);
    EXPECT_EQ(LayoutClockText("12:34:56", 0, steps, 4), 4u);
}

}  // namespace
