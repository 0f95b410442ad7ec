#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <map>

#include "monitor/settings/settings_section.h"
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

TEST_F(FanProfileText, NumbersAfterTheEleventhAreNotLookedAt)
{
    EXPECT_TRUE(ParseFanProfile(0, "1,25,35,45,60,75,90,100,110,90,70,99,x"));
    EXPECT_EQ(fan0.alarmTemp, 70);
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

// The slots a text gives, none when it does not read whole.
std::vector<int32_t> Slots(bool (*parse)(const char*, int32_t*), const char* text)
{
    int32_t slots[VoltageChannelCount];
    for (int32_t& s : slots) s = 77;
    if (!parse(text, slots)) return {};
    return std::vector<int32_t>(slots, slots + VoltageChannelCount);
}

TEST(VoltageLists, SlotsTheTextDoesNotReachAreZero)
{
    EXPECT_EQ(Slots(ParseVoltageList, "5,5"), (std::vector<int32_t>{5, 5, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Slots(ParseVoltageList, "1,2,3,4,5,6,7,8,9,10,11,12"), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Slots(ParseVoltageList, ""), (std::vector<int32_t>{0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(VoltageLists, LongNumbersReadAsTheNearestEndOfTheRange)
{
    EXPECT_EQ(Slots(ParseVoltageList, "99999999999999999999999999,3,-2147483648,-2147483649,2147483647"),
              (std::vector<int32_t>{INT32_MAX, 3, INT32_MIN, INT32_MIN, INT32_MAX, 0, 0, 0}));
}

TEST(VoltageLists, ASignCountsOnlyInFrontOfItsNumber)
{
    EXPECT_EQ(Slots(ParseVoltageList, "200,180,330,500,1200,330,-1200,-500"),
              (std::vector<int32_t>{200, 180, 330, 500, 1200, 330, -1200, -500}));
    EXPECT_EQ(Slots(ParseVoltageList, "12-3"), std::vector<int32_t>{});
    EXPECT_EQ(Slots(ParseVoltageList, "- 5"), std::vector<int32_t>{});
}

TEST(VoltageLists, FlagsAreSetByNumbersHoldingTheDigitOne)
{
    EXPECT_EQ(Slots(ParseVoltageFlags, "-1,2,10,01, 1 "), (std::vector<int32_t>{1, 0, 1, 1, 1, 0, 0, 0}));
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
    EXPECT_FALSE(ParsePosition("300,1O", &x, &y));
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

// --- The "Thermivo" section as LoadSettings and SaveSettings see it --------

std::map<std::string, std::string> section;      // key = value
std::vector<std::string> writes;                 // "KEY=value", in order

bool ReadSection(const char* key, char (&value)[SettingsValueSize])
{
    const auto it = section.find(key);
    snprintf(value, sizeof value, "%s", it == section.end() ? "" : it->second.c_str());
    return value[0] != '\0';
}

void WriteSection(const char* key, const char* value)
{
    section[key] = value;
    writes.push_back(std::string(key) + "=" + value);
}

constexpr SettingsSection Section = {ReadSection, WriteSection};

// Loads the section over the start values, as the main window does.
void Load(const std::map<std::string, std::string>& keys)
{
    section = keys;
    writes.clear();
    monitorConfig = InitialMonitorConfig();
    InitPanelLayout();
    LoadSettingsFrom(Section);
}

using Values = std::vector<int32_t>;

Values Fan1()
{
    const FanProfile& p = monitorConfig.fan[1];
    return {p.autoMode,    p.tempLimit[0], p.tempLimit[1], p.tempLimit[2], p.tempLimit[3], p.tempLimit[4],
            p.pwmLevel[0], p.pwmLevel[1],  p.pwmLevel[2],  p.manualPwm,    p.alarmTemp};
}

// What "Reset To Default" takes (-7 where it leaves a control alone), none
// when it does nothing.
Values Reset1()
{
    Values v(11, -7);
    if (!ReadFanDefaultsFrom(Section, 1, &v[0], &v[1], &v[6], &v[9], &v[10])) return {};
    return v;
}

Values ItemsOn() { return Values(monitorConfig.itemOn, monitorConfig.itemOn + ReadoutItemCount); }
Values ItemsPresent() { return Values(monitorConfig.itemPresent, monitorConfig.itemPresent + ReadoutItemCount); }
Values StallWatch() { return Values(monitorConfig.stallWatch, monitorConfig.stallWatch + FanChannelCount); }

template <int32_t VoltageSetting::*field>
Values Voltages()
{
    Values v;
    for (const VoltageSetting& channel : monitorConfig.voltage) v.push_back(channel.*field);
    return v;
}

// Every list key × (whole, typo, short, out of order). A typo or a curve out
// of order gives exactly what the missing key gives, and its line stays as
// written through loading and saving, copied nowhere; a short value is the
// form installers write and is used.
struct ListKeyCase {
    const char* key;
    Values (*loaded)();
    const char* whole;
    Values wholeValues;
    const char* typo;
    const char* shortText;
    Values shortValues;
    const char* outOfOrder;  // only fan curves have an order
};

const ListKeyCase ListKeys[] = {
    {"FAN1", Fan1, "0, 30,40 ,50,60,70,80,100,120,90,70", {0, 30, 40, 50, 60, 70, 80, 100, 120, 90, 70},
     "1,30,40,5O,60,70,80,100,120,90,70", "1,30,40,50", {1, 30, 40, 50, 64, 80, 90, 100, 110, 90, 80},
     "1,50,60,70"},  // High keeps 64, below the Medium given
    {"RESET1", Reset1, "1,25,35,45,60,75,90,100,110,90", {1, 25, 35, 45, 60, 75, 90, 100, 110, 90, -7},
     "1,25,35,45,6O,75,90,100,110,90", "0,25,35", {0, 25, 35, -7, -7, -7, -7, -7, -7, -7, -7},
     "1,25,45,35,60,75,90,100,110,90"},
    {"FANONOF", ItemsOn, "1,0,1,1,0,1", {1, 0, 1, 1, 0, 1}, "1,0,l,1,0,1", "0,1,0", {0, 1, 0, 1, 1, 1}, nullptr},
    {"DEFONOF", ItemsPresent, "1,1,0,1,1,0", {1, 1, 0, 1, 1, 0}, "1,1,0,1,1,O", "1,0,1", {1, 0, 1, 1, 1, 1}, nullptr},
    {"FANSTALL", StallWatch, "1,0,1", {1, 0, 1}, "1,0,I", "0,1", {0, 1, 0}, nullptr},
    {"VOLT", Voltages<&VoltageSetting::tolerancePercent>, "5,10,10,33,10,10,10,25", {5, 10, 10, 33, 10, 10, 10, 25},
     "5,1O,10,33,10,10,10,25", "5,5", {5, 5, 0, 0, 0, 0, 0, 0}, nullptr},
    {"VOLTBASE", Voltages<&VoltageSetting::baseVoltage>, "180,1200,-1200,330,250,180,150,150",
     {180, 1200, -1200, 330, 250, 180, 150, 150}, "180,12OO,-1200,330,250,180,150,150", "-500,330",
     {-500, 330, 0, 0, 0, 0, 0, 0}, nullptr},
    {"VOLTENABLE", Voltages<&VoltageSetting::warnEnabled>, "1,0,1,1,1,1,0,1", {1, 0, 1, 1, 1, 1, 0, 1},
     "1,O,1,1,1,1,0,1", "1,0,1", {1, 0, 1, 0, 0, 0, 0, 0}, nullptr},
    {"VOLTONOFF", Voltages<&VoltageSetting::shown>, "1,1,0,1,1,1,1,1", {1, 1, 0, 1, 1, 1, 1, 1}, "1,1,o,1,1,1,1,1",
     "1,1,0,1", {1, 1, 0, 1, 0, 0, 0, 0}, nullptr},
};

TEST(ListKeys, AValueThatDoesNotReadWholeIsAbsentAndItsLineStaysAsWritten)
{
    for (const ListKeyCase& c : ListKeys) {
        SCOPED_TRACE(c.key);
        Load({});
        const Values missing = c.loaded();

        Load({{c.key, c.whole}});
        EXPECT_EQ(c.loaded(), c.wholeValues) << "whole";
        Load({{c.key, c.shortText}});
        EXPECT_EQ(c.loaded(), c.shortValues) << "short";

        for (const char* text : {c.typo, c.outOfOrder}) {
            if (!text) continue;
            Load({{c.key, text}});
            EXPECT_EQ(c.loaded(), missing) << text;
            SaveSettingsTo(Section, 0, 0);
            EXPECT_EQ(section[c.key], text);
            for (const std::string& write : writes) EXPECT_EQ(write.find(text), std::string::npos) << write;
        }
    }
}

TEST(ListKeys, AHeldLineIsWrittenAgainOnceWhatSetsItsKeySetsIt)
{
    Load({{"FAN0", "1,30,40,5O"}, {"FANONOF", "1,x"}, {"VOLTBASE", "1,x"}});
    ReleaseHeldKeys(HeldFan(0) | HeldItemsOn);  // the CPU fan page applied, a readout was switched
    SaveSettingsTo(Section, 0, 0);
    EXPECT_EQ(section["FAN0"], "1,25,32,48,64,80,90,100,110,90,80");
    EXPECT_EQ(section["FANONOF"], "1,1,1,1,1,1");
    EXPECT_EQ(section["VOLTBASE"], "1,x") << "the Voltage page did not apply";

    Load({{"FAN0", "1,30,40,50"}});  // the mended line, and no RESET0 yet
    EXPECT_EQ(section["RESET0"], "1,30,40,50") << "the snapshot is taken from the mended line";
}

// SHAREREADINGS and TRAYTIP change what other programs and the shell are
// given: only the number 1 switches them on, and the monitor never writes
// their lines, which stay as the user wrote them.
TEST(OptInKeys, OnlyTheNumberOneSwitchesOnAndTheLinesAreNeverWritten)
{
    const struct {
        const char* key;
        int32_t MonitorConfig::*field;
    } keys[] = {{"SHAREREADINGS", &MonitorConfig::shareReadings}, {"TRAYTIP", &MonitorConfig::trayTip}};
    for (const auto& k : keys) {
        for (const char* on : {"1", " 1 ", "+1", "01"}) {
            Load({{k.key, on}});
            EXPECT_EQ(monitorConfig.*k.field, 1) << k.key << "=" << on;
        }
        for (const char* off : {"", "0", "2", "-1", "1,1", "1x", "yes", "on", "1.0"}) {
            Load({{k.key, off}});
            EXPECT_EQ(monitorConfig.*k.field, 0) << k.key << "=" << off;
            SaveSettingsTo(Section, 0, 0);
            EXPECT_EQ(section[k.key], off);
            for (const std::string& write : writes) EXPECT_NE(write.find(k.key), 0u) << write;
        }
    }
}

}  // namespace
