#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "unplant/removal_plan.h"

namespace {

struct ParsedLine {
    bool fits;
    std::string folder;
    bool silent;
};

ParsedLine Parse(const std::string& text)
{
    CommandLine line;
    const bool fits = ParseCommandLine(text.c_str(), line);
    return {fits, line.windowsDirectory, line.silent};
}

TEST(UninstallerCommandLine, TakesTheFolderAndASilentSwitchAnywhereInAnyCase)
{
    struct Case {
        const char* text;
        const char* folder;
        bool silent;
    };
    constexpr Case cases[] = {
        {"C:\\WINDOWS", "C:\\WINDOWS", false},
        {"C:\\WINDOWS /S", "C:\\WINDOWS", true},
        {"/s   C:\\WINDOWS  ", "C:\\WINDOWS", true},
        {"\"C:\\My Windows\\\" /S", "C:\\My Windows", true},
        {"C:\\My  Windows /s", "C:\\My  Windows", true},
        {"C:\\a /S b", "C:\\a b", true},
        {"\"C:\\a /S b\"", "C:\\a /S b", false},
        {"C:\\WINDOWS\\", "C:\\WINDOWS", false},
        {"C:\\", "C:\\", false},
        {"/Silent", "/Silent", false},
        {"C:\\WINDOWS/S", "C:\\WINDOWS/S", false},
        {"", "", false},
        {" /S ", "", true},
    };
    for (const Case& c : cases) {
        const ParsedLine parsed = Parse(c.text);
        EXPECT_TRUE(parsed.fits) << c.text;
        EXPECT_EQ(parsed.folder, c.folder) << c.text;
        EXPECT_EQ(parsed.silent, c.silent) << c.text;
    }
}

TEST(UninstallerCommandLine, AFolderTooLongIsRefusedWholeAndTheSwitchStillCounts)
{
    const std::string longest = "C:\\" + std::string(256, 'w');
    EXPECT_EQ(Parse(longest + " /S").folder, longest);
    const ParsedLine tooLong = Parse("/S " + longest + "x");
    EXPECT_FALSE(tooLong.fits);
    EXPECT_EQ(tooLong.folder, "");
    EXPECT_TRUE(tooLong.silent) << "a bad argument must not bring up a box under /S";
}

TEST(RemovalPaths, NameTheInstalledFilesOfTheFamilyOrNothingWhenOneWouldNotFit)
{
    RemovalPaths paths;
    ASSERT_TRUE(FormRemovalPaths(WindowsFamily::Nt, "C:\\WINNT", "C:\\WINNT\\system32", paths));
    EXPECT_STREQ(paths.file[MonitorFileIndex], "C:\\WINNT\\Kelvimon.EXE");
    EXPECT_STREQ(paths.file[UninstallerFileIndex], "C:\\WINNT\\_Unplant.exe");
    EXPECT_STREQ(paths.file[DriverFileIndex], "C:\\WINNT\\system32\\drivers\\HwPio.sys");

    ASSERT_TRUE(FormRemovalPaths(WindowsFamily::Windows9x, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", paths));
    EXPECT_STREQ(paths.file[DriverFileIndex], "") << "the 95/98 family has no driver";

    // The Windows directory fits its buffer, the monitor's path would not.
    const std::string windows = "C:\\" + std::string(250, 'w');
    EXPECT_FALSE(FormRemovalPaths(WindowsFamily::Nt, windows.c_str(), "C:\\WINNT\\system32", paths));
    for (const char* path : paths.file) EXPECT_STREQ(path, "");
}

std::string Lines(const char* lines)
{
    std::string all;
    for (; *lines; lines += strlen(lines) + 1) all += std::string(lines) + "|";
    return all;
}

TEST(StartupDeletion, AddsOneNulLineAndKeepsWhatOthersScheduled)
{
    char lines[64] = {};
    ASSERT_TRUE(AddStartupDeletion(lines, sizeof lines, "C:\\WINDOWS\\_UNPLANT.EXE"));
    EXPECT_EQ(Lines(lines), "NUL=C:\\WINDOWS\\_UNPLANT.EXE|");
    ASSERT_TRUE(AddStartupDeletion(lines, sizeof lines, "C:\\WINDOWS\\_UNPLANT.EXE"));
    EXPECT_EQ(Lines(lines), "NUL=C:\\WINDOWS\\_UNPLANT.EXE|") << "a second run adds no second line";

    char other[64] = "NUL=C:\\OLD.EXE\0C:\\NEW.DLL=C:\\TMP.DLL\0";
    ASSERT_TRUE(AddStartupDeletion(other, sizeof other, "C:\\WIN\\_UNPLANT.EXE"));
    EXPECT_EQ(Lines(other), "NUL=C:\\OLD.EXE|C:\\NEW.DLL=C:\\TMP.DLL|NUL=C:\\WIN\\_UNPLANT.EXE|");
    EXPECT_FALSE(AddStartupDeletion(other, sizeof other, "C:\\WIN\\TOO_LONG.EXE"));
    EXPECT_EQ(Lines(other), "NUL=C:\\OLD.EXE|C:\\NEW.DLL=C:\\TMP.DLL|NUL=C:\\WIN\\_UNPLANT.EXE|");
}

class FinalMessage : public ::testing::Test {
protected:
    void SetUp() override { FormRemovalPaths(WindowsFamily::Nt, "C:\\WINNT", "C:\\WINNT\\system32", paths); }
    std::string Text()
    {
        char text[FinalMessageSize];
        FormatFinalMessage(report, paths, text);
        return text;
    }
    RemovalPaths paths;
    RemovalReport report = {};
};

TEST_F(FinalMessage, EverythingRemovedSaysSoAndNamesWhatGoesAtTheNextStart)
{
    EXPECT_EQ(Text(), "QX7305 Thermivo and its settings have been removed from this computer.");
    EXPECT_EQ(ExitCodeOf(OutcomeOf(report)), 0);

    ResultOf(report, RemovalItem::Uninstaller) = {ItemState::RemovedAtRestart, 0};
    ResultOf(report, RemovalItem::DriverFile) = {ItemState::RemovedAtRestart, 0};
    EXPECT_EQ(Text(),
              "QX7305 Thermivo and its settings have been removed from this computer.\n\n"
              "Windows removes these when it next starts:\n\n"
              "C:\\WINNT\\system32\\drivers\\HwPio.sys\nC:\\WINNT\\_Unplant.exe");
    EXPECT_EQ(ExitCodeOf(OutcomeOf(report)), 0);
}

TEST_F(FinalMessage, ListsEachThingThatRemainsWithItsReason)
{
    ResultOf(report, RemovalItem::DriverService) = {ItemState::Remains, 5};
    ResultOf(report, RemovalItem::MonitorFile) = {ItemState::Remains, 32};
    ResultOf(report, RemovalItem::RunValue) = {ItemState::Remains, 1234};
    ResultOf(report, RemovalItem::Uninstaller) = {ItemState::RemovedAtRestart, 0};
    EXPECT_EQ(Text(),
              "QX7305 Thermivo could not be removed completely. These remain:\n\n"
              "The driver service \"hwpio\": access denied\n"
              "C:\\WINNT\\Kelvimon.EXE: in use by another program\n"
              "The start-at-logon value \"Thermivo\": error 1234\n\n"
              "Windows removes these when it next starts:\n\n"
              "C:\\WINNT\\_Unplant.exe");
    EXPECT_EQ(ExitCodeOf(OutcomeOf(report)), 1);
}

// The driver and the files stay for the monitor that still runs; what
// remains for another reason still decides the exit code.
TEST_F(FinalMessage, AMonitorRunningElsewhereIsSaidAndHasItsOwnExitCode)
{
    report.monitorRunsElsewhere = true;
    for (RemovalItem item : {RemovalItem::DriverService, RemovalItem::DriverFile, RemovalItem::MonitorFile})
        ResultOf(report, item) = {ItemState::RemovedAtRestart, 0};
    EXPECT_EQ(Text(),
              "QX7305 Thermivo and its settings have been removed from this computer.\n\n"
              "A Thermivo monitor is still running elsewhere on this computer, for example for another user. Its "
              "driver keeps running, so that the monitor keeps control of the fans until it ends.\n\n"
              "Windows removes these when it next starts:\n\n"
              "The driver service \"hwpio\"\nC:\\WINNT\\system32\\drivers\\HwPio.sys\nC:\\WINNT\\Kelvimon.EXE");
    EXPECT_EQ(ExitCodeOf(OutcomeOf(report)), 3);

    ResultOf(report, RemovalItem::Settings) = {ItemState::Remains, 5};
    EXPECT_EQ(ExitCodeOf(OutcomeOf(report)), 1);
}

}  // namespace
