#include <gtest/gtest.h>

#include <cstring>

#include "monitor/settings/settings_text.h"
#include "monitor/ui/panel_layout.h"

namespace {

class FanProfileText : public ::testing::Test {
protected:
    void SetUp() override
    {
        monitorConfig = InitialMonitorConfig();
        for (FanProfile& f : monitorConfig.fan) f = {0, {25, 32, 48, 64, 80}, {0, 0, 0}, 0, 0};
    }
    const FanProfile& fan0 = monitorConfig.fan[0];
};

TEST_F(FanProfileText, SoftwareModeUsesTheAlarmLimitAndAnyNonZeroModeIsAutomatic)
{
    ParseFanProfile(0, "0,20,30,40,50,60,1,2,3,44,55");
    EXPECT_EQ(fan0.autoMode, 0);
    EXPECT_EQ(fan0.tempLimit[4], 60);
    EXPECT_EQ(fan0.pwmLevel[2], 3);
    EXPECT_EQ(fan0.manualPwm, 44);
    EXPECT_EQ(monitorConfig.effectiveAlarmTemp[0], 55);

    ParseFanProfile(0, "7,20,30,40,50,60,1,2,3,44,55");
    EXPECT_EQ(fan0.autoMode, 1);
    EXPECT_EQ(monitorConfig.effectiveAlarmTemp[0], 60);
}

TEST_F(FanProfileText, NothingToConvertMeansAutomaticModeWithTheStartValues)
{
    for (const char* text : {"", "abc", ",1,2"}) {
        monitorConfig.fan[1].autoMode = 0;
        ParseFanProfile(1, text);
        EXPECT_EQ(monitorConfig.fan[1].autoMode, 1) << '"' << text << '"';
        EXPECT_EQ(monitorConfig.fan[1].tempLimit[0], 25);
        EXPECT_EQ(monitorConfig.effectiveAlarmTemp[1], 80);
    }
}

TEST_F(FanProfileText, ConversionStopsWhereTheTextStopsMatching)
{
    ParseFanProfile(0, "1, 26, 36");  // blanks after commas are fine
    EXPECT_EQ(fan0.tempLimit[0], 26);
    EXPECT_EQ(fan0.tempLimit[1], 36);
    EXPECT_EQ(fan0.tempLimit[2], 48) << "not reached: keeps its value";

    ParseFanProfile(0, "1,27 ,37");  // a blank before a comma ends it
    EXPECT_EQ(fan0.tempLimit[0], 27);
    EXPECT_EQ(fan0.tempLimit[1], 36);

    ParseFanProfile(0, "1,25,35,45,60,75,90,100,110,90,70,99,98");
    EXPECT_EQ(fan0.alarmTemp, 70) << "numbers after the eleventh are ignored";
}

// From the values the settings are loaded over, as the main window sets them up.
TEST(FanStartValues, NoProfileTheProgramCompletesStopsAFanOrAlarmsAtAnyTemperature)
{
    monitorConfig = InitialMonitorConfig();
    InitPanelLayout();
    char text[SettingsValueSize];
    ParseFanProfile(0, "");  // no FAN0 at all
    FormatFanProfile(0, text, sizeof text);
    EXPECT_STREQ(text, "1,25,32,48,64,80,90,100,110,90,80");
    ParseFanProfile(1, "1,25,35,45,60,75,90,100,110,90");  // the installer's ten numbers
    FormatFanProfile(1, text, sizeof text);
    EXPECT_STREQ(text, "1,25,35,45,60,75,90,100,110,90,80");
    ParseFanProfile(2, "0,25,35,45,60,75");  // software mode with only the limits
    EXPECT_EQ(monitorConfig.fan[2].manualPwm, 90);
    EXPECT_EQ(monitorConfig.effectiveAlarmTemp[2], 80);
}

TEST_F(FanProfileText, FormatReducesTheModeAndKeepsNegativeValues)
{
    monitorConfig.fan[0] = {5, {-10, 0, 10, 20, 30}, {1, 2, 3}, 127, -3};
    char text[SettingsValueSize];
    FormatFanProfile(0, text, sizeof text);
    EXPECT_STREQ(text, "1,-10,0,10,20,30,1,2,3,127,-3");
}

TEST(FanNumbers, ScanStoresOnlyWhatIsThereAndKeepsTheFirstNumberAsWritten)
{
    int32_t v[11] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    int32_t* const d[11] = {&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10]};
    EXPECT_EQ(ScanFanNumbers("3,25,35", d), 3);
    EXPECT_EQ(v[0], 3);
    EXPECT_EQ(v[2], 35);
    EXPECT_EQ(v[3], -1);
    EXPECT_EQ(ScanFanNumbers("", d), 0);
}

TEST(ItemFlags, NonZeroIsOnAndMissingPositionsAreOn)
{
    int32_t flags[ReadoutItemCount];
    ParseItemFlags("1,0,7,0,-1,0", flags);
    EXPECT_EQ(std::vector<int32_t>(flags, flags + 6), (std::vector<int32_t>{1, 0, 1, 0, 1, 0}));
    ParseItemFlags("0,1,0", flags);  // the installer writes three
    EXPECT_EQ(std::vector<int32_t>(flags, flags + 6), (std::vector<int32_t>{0, 1, 0, 1, 1, 1}));
}

std::vector<int32_t> Slots(void (*parse)(const char*, int32_t*), const char* text)
{
    int32_t slots[VoltageChannelCount];
    for (int32_t& s : slots) s = 77;
    parse(text, slots);
    return std::vector<int32_t>(slots, slots + VoltageChannelCount);
}

TEST(VoltageLists, SlotsTheTextDoesNotReachAreZero)
{
    EXPECT_EQ(Slots(ParseVoltageList, "5,5"), (std::vector<int32_t>{5, 5, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Slots(ParseVoltageList, "1,2,3,4,5,6,7,8,9,10,11,12"), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Slots(ParseVoltageList, ""), (std::vector<int32_t>{0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(VoltageLists, EveryCharacterIsFoldedInAsADigit)
{
    // ' ' is 16 below '0', 'A' 17 above it.
    EXPECT_EQ(Slots(ParseVoltageList, "1 ,A")[0], 10 - 16);
    EXPECT_EQ(Slots(ParseVoltageList, "1 ,A")[1], 17);
    EXPECT_EQ(Slots(ParseVoltageList, "-5")[0], -3 * 10 + 5) << "a sign is just another character here";
}

TEST(VoltageLists, LongGarbageWrapsInsteadOfOverflowing)
{
    const std::vector<int32_t> slots = Slots(ParseVoltageList, "99999999999999999999999999,3");
    EXPECT_EQ(slots[1], 3);
}

TEST(VoltageLists, SignedListNegatesTheValueAfterAMinus)
{
    EXPECT_EQ(Slots(ParseSignedVoltageList, "-500,330"), (std::vector<int32_t>{-500, 330, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Slots(ParseSignedVoltageList, "200,180,330,500,1200,330,-1200,-500"),
              (std::vector<int32_t>{200, 180, 330, 500, 1200, 330, -1200, -500}));
    EXPECT_EQ(Slots(ParseSignedVoltageList, "12-3")[0], 12 * 10 - 3) << "the sign counts from where it stands";
}

TEST(VoltageLists, FlagsTakeOnlyTheDigitOne)
{
    EXPECT_EQ(Slots(ParseVoltageFlags, "1,0,1"), (std::vector<int32_t>{1, 0, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Slots(ParseVoltageFlags, "1,1,0,1"), (std::vector<int32_t>{1, 1, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(Slots(ParseVoltageFlags, "x1,2,,01"), (std::vector<int32_t>{1, 0, 0, 1, 0, 0, 0, 0}));
}

TEST(VoltageLists, FormatHasNoTrailingComma)
{
    const int32_t values[VoltageChannelCount] = {5, 5, 0, 0, 0, 0, -1200, -5};
    char text[SettingsValueSize];
    FormatVoltageList(values, text, sizeof text);
    EXPECT_STREQ(text, "5,5,0,0,0,0,-1200,-5");
}

TEST(SettingValues, LeadingIntegerLikeAtol)
{
    EXPECT_EQ(ParseLeadingInteger("2"), 2);
    EXPECT_EQ(ParseLeadingInteger("  -1x"), -1);
    EXPECT_EQ(ParseLeadingInteger("+7"), 7);
    EXPECT_EQ(ParseLeadingInteger("x7"), 0);
    EXPECT_EQ(ParseLeadingInteger(""), 0);
}

TEST(SettingValues, OnlyALeadingZeroSwitchesOff)
{
    EXPECT_EQ(ParseOnUnlessZero("0"), 0);
    EXPECT_EQ(ParseOnUnlessZero("01"), 0);
    EXPECT_EQ(ParseOnUnlessZero("F"), 1);
    EXPECT_EQ(ParseOnUnlessZero(" 0"), 1);
}

TEST(SettingValues, PositionNeedsBothCoordinates)
{
    int32_t x = 0, y = 0;
    EXPECT_TRUE(ParsePosition("-20,10", &x, &y));
    EXPECT_EQ(x, -20);
    EXPECT_EQ(y, 10);
    EXPECT_FALSE(ParsePosition("300", &x, &y));
    EXPECT_FALSE(ParsePosition("", &x, &y));
}

TEST(ChannelTitles, PageTitleIsTheNameWithFanAndLongNamesAreCut)
{
    monitorConfig = InitialMonitorConfig();
    SetChannelTitle(1, "Chipset");
    EXPECT_STREQ(monitorConfig.fanTitle[1], "Chipset");
    EXPECT_STREQ(monitorConfig.fanPageTitle[1], "Chipset Fan");

    const std::string longName(100, 'x');
    SetChannelTitle(2, longName.c_str());
    EXPECT_EQ(strlen(monitorConfig.fanTitle[2]), 59u);
    EXPECT_EQ(std::string(monitorConfig.fanPageTitle[2]), std::string(59, 'x') + " Fan");
}

}  // namespace
