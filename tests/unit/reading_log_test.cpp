#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "monitor/core/reading_log.h"

namespace {

TEST(ReadingLogKeys, IntervalOutsideOneToAnHourIsTheDefault)
{
    EXPECT_EQ(ParseLogInterval("1"), 1);
    EXPECT_EQ(ParseLogInterval(" 3600 "), 3600);
    for (const char* text : {"", "0", "3601", "-5", "+5", "5s", "1 0", "abc", "99999999999999999999"})
        EXPECT_EQ(ParseLogInterval(text), DefaultLogIntervalSeconds) << text;
}

TEST(ReadingLogKeys, SizeIsRaisedToSixteenAndCappedNonNumbersAreTheDefault)
{
    EXPECT_EQ(ParseLogSizeKb("64"), 64);
    EXPECT_EQ(ParseLogSizeKb("0"), SmallestLogSizeKb);
    EXPECT_EQ(ParseLogSizeKb("15"), SmallestLogSizeKb);
    EXPECT_EQ(ParseLogSizeKb("99999999999999999999"), LargestLogSizeKb);
    for (const char* text : {"", "-100", "1MB", "x"}) EXPECT_EQ(ParseLogSizeKb(text), DefaultLogSizeKb) << text;
}

TEST(ReadingLogKeys, RelativePathsStartInTheProgramFolderAndTooLongOnesAreRefused)
{
    char path[LogPathSize];
    char rotated[LogPathSize];
    ASSERT_TRUE(ResolveLogPaths("logs\\r.csv", "C:\\WINDOWS\\Kelvimon.EXE", path, rotated));
    EXPECT_STREQ(path, "C:\\WINDOWS\\logs\\r.csv");
    EXPECT_STREQ(rotated, "C:\\WINDOWS\\logs\\r.csv.old");
    // The name the system opens, without the dots and blanks it ignores.
    ASSERT_TRUE(ResolveLogPaths("r.CSV. .", "C:\\WINDOWS\\Kelvimon.EXE", path, rotated));
    EXPECT_STREQ(rotated, "C:\\WINDOWS\\r.CSV.old");
    for (const char* full : {"D:\\r.csv", "d:/logs/r.Csv"}) {
        ASSERT_TRUE(ResolveLogPaths(full, "C:\\Kelvimon.EXE", path, rotated));
        EXPECT_STREQ(path, full);
    }
    // From a drive's current folder or the current drive's root: wherever
    // that is, a share too.
    for (const char* current : {"d:r.csv", "C:..\\r.csv", "\\r.csv", "/logs/r.csv"})
        EXPECT_FALSE(ResolveLogPaths(current, "C:\\Kelvimon.EXE", path, rotated)) << current;
    // With ".old" and the terminator exactly the buffer; the program folder
    // counts for a relative path.
    const std::string longest = "C:\\" + std::string(LogPathSize - 12, 'a') + ".csv";
    EXPECT_TRUE(ResolveLogPaths(longest.c_str(), "C:\\Kelvimon.EXE", path, rotated));
    EXPECT_FALSE(ResolveLogPaths(("C:\\b" + longest.substr(3)).c_str(), "C:\\Kelvimon.EXE", path, rotated));
    EXPECT_FALSE(ResolveLogPaths(longest.c_str() + 3, "C:\\WINDOWS\\Kelvimon.EXE", path, rotated));
}

TEST(ReadingLogKeys, PathsOnlyReachCsvFilesOnThisMachinesDrives)
{
    // The drive's kind (a network letter such as Z:) only the system knows.
    for (const char* path : {"C:\\logs\\readings.csv", "C:\\CONSOLE.csv", "C:\\com10.CSV", "C:\\COM0.csv",
                             "C:\\a.con.csv", "C:\\nul-data\\lpt.csv", "C:\\auxiliary.Csv", "Z:\\x.csv", "C:\\x.csv.",
                             "C:\\x.csv . ", "C:\\kelvi.cmd.csv", "C:/logs/r.csv"})
        EXPECT_TRUE(LogPathAllowed(path)) << path;
    // Other machines and the device namespaces; paths that follow a current
    // folder; files a program could run or load; devices in any folder, in
    // any case, with an extension, trailing dots or blanks, or as a folder,
    // the 95/98 family's boot drivers too; streams and wildcards.
    for (const char* path :
         {"\\\\server\\share\\r.csv", "//server/share/r.csv", "\\/server\\r.csv", "\\\\.\\pipe\\x.csv",
          "\\\\?\\C:\\r.csv", "\\??\\C:\\r.csv", "c:readings.csv", "\\logs\\r.csv", "/r.csv", "r.csv",
          "C:\\Start Menu\\Programs\\Startup\\kelvi.cmd", "C:\\AUTOEXEC.BAT", "C:\\r.csv.cmd", "C:\\r.csv.cmd.",
          "C:\\readings", "C:\\csv", "C:\\r.csv\\", "C:\\r.csvx", "C:\\logs\\NUL.csv", "C:\\logs\\con.csv",
          "C:\\Prn.log.csv", "C:\\aux..csv", "C:\\com1 .csv", "C:\\ lpt9.csv", "C:/Com3.csv", "C:\\LPT\xB9.csv",
          "C:\\nul\\r.csv", "C:\\CLOCK$.csv", "C:\\conout$.csv", "C:\\config$.csv", "C:\\XMSXXXX0.CSV",
          "C:\\emmxxxx0\\r.csv", "C:\\IFS$HLP$.csv", "C:\\r.csv:hidden.csv", "C:\\AUTOEXEC.BAT::$DATA.csv",
          "C:\\COM1:.csv", "C:\\r*.csv", "C:\\r?.csv"})
        EXPECT_FALSE(LogPathAllowed(path)) << path;

    char path[LogPathSize];
    char rotated[LogPathSize];
    EXPECT_FALSE(ResolveLogPaths("\\\\server\\share\\r.csv", "C:\\Kelvimon.EXE", path, rotated));
    EXPECT_FALSE(ResolveLogPaths("r.csv", "\\\\server\\share\\Kelvimon.EXE", path, rotated));
    EXPECT_FALSE(ResolveLogPaths("prn.csv", "C:\\WINDOWS\\Kelvimon.EXE", path, rotated));
    EXPECT_FALSE(ResolveLogPaths("kelvi.cmd. ", "C:\\WINDOWS\\Kelvimon.EXE", path, rotated));
}

TEST(ReadingLogKeys, OnlyAnEmptyFileOrOneBeginningWithTheHeaderIsTheLogs)
{
    char titles[FanChannelCount][TitleSize] = {"CPU", "System", "Panel"};
    char header[LogLineSize];
    const size_t length = FormatLogHeader(titles, header, sizeof header);
    const std::string ours = header;
    // Titles renamed since, and lines after the header.
    snprintf(titles[0], sizeof titles[0], "Board, rear");
    FormatLogHeader(titles, header, sizeof header);
    for (const std::string& start : {std::string(), ours, std::string(header) + "2026-12-07 03:04:05,45\r\n"})
        EXPECT_TRUE(IsOwnLogStart(start.data(), start.size())) << start;

    std::string noVolts = ours;
    noVolts.replace(noVolts.find("Volts +12"), 9, "Volts +13");
    for (const std::string& start :
         {std::string("@ECHO OFF\r\nPATH C:\\DOS\r\n"), ours.substr(0, length - 2), ours.substr(0, length - 1),
          "Timestamp" + ours.substr(4), "\xEF\xBB\xBF" + ours, "x\r\n" + ours, noVolts, std::string(1, '\0') + ours})
        EXPECT_FALSE(IsOwnLogStart(start.data(), start.size())) << start;
    EXPECT_FALSE(IsOwnLogStart(ours.data(), length - 1)) << "a header cut by the bytes read";
}

LogReadings SomeReadings()
{
    LogReadings r;
    r.time = {2026, 12, 7, 3, 4, 5};
    const int32_t temperatures[3] = {45, -5, NotLogged};
    const int32_t fans[3] = {5192, 0, NotLogged};
    const int32_t millivolts[8] = {1800, 12040, -11988, 3296, -500, 16, NotLogged, 0};
    memcpy(r.temperature, temperatures, sizeof temperatures);
    memcpy(r.fanSpeed, fans, sizeof fans);
    memcpy(r.millivolts, millivolts, sizeof millivolts);
    r.caseOpen = 1;
    r.temperatureAlarm = 0;
    r.voltageAlarm = 1;
    r.caseAlarm = 1;
    r.readWithoutLock = 1;
    r.fanStall = 1;
    return r;
}

TEST(ReadingLogLines, ValuesAsThePanelShowsThemEmptyColumnsForWhatIsNotShown)
{
    char line[LogLineSize];
    const size_t length = FormatLogLine(SomeReadings(), line, sizeof line);
    EXPECT_STREQ(line, "2026-12-07 03:04:05,45,-5,,5192,0,,1.80,12.04,-11.98,3.29,-0.50,0.01,,0.00,1,0,1,1,1,1\r\n");
    EXPECT_EQ(length, strlen(line));

    LogReadings noCase = SomeReadings();
    noCase.caseOpen = NotLogged;
    noCase.caseAlarm = 0;
    noCase.fanStall = NotLogged;
    FormatLogLine(noCase, line, sizeof line);
    EXPECT_NE(strstr(line, ",0.00,,0,1,0,1,\r\n"), nullptr) << line;
}

TEST(ReadingLogLines, HeaderNamesColumnsByTitleAndPanelLabelAndQuotesCommas)
{
    const char titles[FanChannelCount][TitleSize] = {"CPU", "Board, rear", "Say \"hi\""};
    char line[LogLineSize];
    FormatLogHeader(titles, line, sizeof line);
    EXPECT_STREQ(line,
                 "Time,CPU (C),\"Board, rear (C)\",\"Say \"\"hi\"\" (C)\",CPU fan (RPM),\"Board, rear fan (RPM)\","
                 "\"Say \"\"hi\"\" fan (RPM)\",Volts VCORE,Volts +12,Volts -12,Volts +3.3,Volts +2.5,Volts +1.8,"
                 "Volts +1.5,Volts AGP,Case open,Temperature alarm,Voltage alarm,Case alarm,Read without lock,Fan stall alarm\r\n");
}

// A spreadsheet program runs a cell that begins a formula; the title's cell
// keeps its text behind an apostrophe, and stays one cell.
TEST(ReadingLogLines, ATitleThatWouldBeginAFormulaIsLedByAnApostrophe)
{
    const struct {
        const char* title;
        const char* column;
    } cases[] = {
        {"=cmd|' /C calc'!A0", "'=cmd|' /C calc'!A0 (C)"},
        {"+1", "'+1 (C)"},
        {"-12 V rail", "'-12 V rail (C)"},
        {"@SUM(A1)", "'@SUM(A1) (C)"},
        {"  =1+1", "'  =1+1 (C)"},
        {"\t=1+1", "'\t=1+1 (C)"},
        {"=HYPERLINK(\"x\",1)", "\"'=HYPERLINK(\"\"x\"\",1) (C)\""},
        {"CPU=hot", "CPU=hot (C)"},
        {"", " (C)"},
    };
    for (const auto& c : cases) {
        char titles[FanChannelCount][TitleSize] = {"CPU", "System", "Panel"};
        snprintf(titles[0], sizeof titles[0], "%s", c.title);
        char line[LogLineSize];
        FormatLogHeader(titles, line, sizeof line);
        EXPECT_EQ(std::string(line).substr(5, strlen(c.column) + 1), std::string(c.column) + ",") << c.title;
    }
}

TEST(ReadingLogLines, TheLongestHeaderFitsAndATooSmallBufferGivesNoLine)
{
    char titles[FanChannelCount][TitleSize];
    for (auto& title : titles) {
        memset(title, '"', TitleSize - 1);
        title[0] = '=';
        title[TitleSize - 1] = '\0';
    }
    char line[LogLineSize];
    EXPECT_GT(FormatLogHeader(titles, line, sizeof line), 0u);

    char small[40];
    memset(small, 'x', sizeof small);
    EXPECT_EQ(FormatLogLine(SomeReadings(), small, sizeof small), 0u);
    EXPECT_EQ(strlen(small), sizeof small - 1);
}

TEST(ReadingLogTiming, EveryCycleOfAOneSecondIntervalAndRotationBeforeTheSizeIsPassed)
{
    EXPECT_TRUE(LogLineDue(980, 1));  // a timer cycle a little early
    EXPECT_FALSE(LogLineDue(300, 1));  // an extra cycle in between
    EXPECT_FALSE(LogLineDue(8990, 10));
    EXPECT_FALSE(LogRotationDue(16 * 1024 - 100, 100, 16));
    EXPECT_TRUE(LogRotationDue(16 * 1024 - 100, 101, 16));
    EXPECT_FALSE(LogRotationDue(0, 100000, 16));  // a new file takes its first line whatever its length
}

}  // namespace
