#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/bounded_format.h"
#include "setup/install_plan.h"
#include "setup/program_entries.h"

namespace {

std::string Directory(size_t length)
{
    return "C:\\" + std::string(length - 3, 'w');
}

TEST(WindowsFamily, TopBitOfTheVersionMarksThe9xFamily)
{
    EXPECT_EQ(FamilyOfVersion(0x08930005u), WindowsFamily::Nt);  // 2000
    EXPECT_EQ(FamilyOfVersion(0x7FFFFFFFu), WindowsFamily::Nt);
    EXPECT_EQ(FamilyOfVersion(0x80000000u), WindowsFamily::Windows9x);
    EXPECT_EQ(FamilyOfVersion(0xC0000A04u), WindowsFamily::Windows9x);  // 98
}

TEST(WelcomeText, NtNamesThreeFilesAndTheDriversFolder)
{
    char text[WelcomeTextSize];
    ASSERT_TRUE(FormatWelcomeText(WindowsFamily::Nt, "C:\\WINNT", "C:\\WINNT\\system32", text));
    EXPECT_STREQ(text,
                 "Welcome to QX7305 Thermivo Install program.\nTo install Thermivo on your computer now, click "
                 "Install.\nTo exit without install Thermivo, click Exit.\nYour Platform is Window NT/2000,\nthis "
                 "program will copy 3 files to your HD \n1. \"Kelvimon.exe\" to C:\\WINNT directory. \n2. "
                 "\"HwPio.sys\" to C:\\WINNT\\system32\\drivers directory.\n3. \"_Unplant.exe\" to C:\\WINNT "
                 "directory. \n");
}

TEST(WelcomeText, Windows9xNamesTwoFiles)
{
    char text[WelcomeTextSize];
    ASSERT_TRUE(FormatWelcomeText(WindowsFamily::Windows9x, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", text));
    EXPECT_STREQ(text,
                 "Welcome to QX7305 Thermivo Install program.\nTo install Thermivo on your computer now, click "
                 "Install.\nTo exit without install Thermivo, click Exit.\nYour Platform is Window 95/98,\nthis "
                 "program will copy 2 files to your HD \n1. \"Kelvimon.exe\" to C:\\WINDOWS directory. \n2. "
                 "\"_Unplant.exe\" to C:\\WINDOWS directory. \n");
}

TEST(WelcomeText, HoldsThreeDirectoriesOfTheLongestLength)
{
    char text[WelcomeTextSize];
    EXPECT_TRUE(FormatWelcomeText(WindowsFamily::Nt, Directory(259).c_str(), Directory(259).c_str(), text));
}

std::vector<std::string> Targets(WindowsFamily family, const char* windows, const char* system)
{
    std::vector<std::string> targets;
    for (size_t i = 0; i < ProgramFileCount(family); ++i) {
        char path[DirectorySize];
        EXPECT_TRUE(FormatTargetPath(ProgramFiles[i].folder == TargetFolder::Windows ? windows : system,
                                     ProgramFiles[i], path));
        targets.push_back(std::string(ProgramFiles[i].source) + " -> " + path);
    }
    return targets;
}

TEST(ProgramFiles, TheDriverGoesToTheSystemDriversFolderOnNtOnly)
{
    EXPECT_EQ(Targets(WindowsFamily::Nt, "C:\\WINNT", "C:\\WINNT\\system32"),
              (std::vector<std::string>{".\\Kelvimon.EXE -> C:\\WINNT\\Kelvimon.EXE",
                                        ".\\_Unplant.exe -> C:\\WINNT\\_Unplant.exe",
                                        ".\\HwPio.sys -> C:\\WINNT\\system32\\drivers\\HwPio.sys"}));
    EXPECT_EQ(Targets(WindowsFamily::Windows9x, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM"),
              (std::vector<std::string>{".\\Kelvimon.EXE -> C:\\WINDOWS\\Kelvimon.EXE",
                                        ".\\_Unplant.exe -> C:\\WINDOWS\\_Unplant.exe"}));
}

TEST(ProgramFiles, TargetPathTooLongForAPathBufferOrWithoutFolderIsRefused)
{
    char path[DirectorySize];
    const ProgramFile& driver = ProgramFiles[2];
    EXPECT_TRUE(FormatTargetPath(Directory(241).c_str(), driver, path));  // 241 + "\drivers\HwPio.sys" = 259
    EXPECT_EQ(strlen(path), 259u);
    EXPECT_FALSE(FormatTargetPath(Directory(242).c_str(), driver, path));
    EXPECT_STREQ(path, "");
    EXPECT_FALSE(FormatTargetPath("", ProgramFiles[0], path));
}

TEST(CopyProgress, LineNamesSourceAndTargetWithATrailingBlank)
{
    char line[CopyLineSize];
    ASSERT_TRUE(FormatCopyLine(".\\Kelvimon.EXE", "C:\\WINDOWS\\Kelvimon.EXE", line));
    EXPECT_STREQ(line, "Copy .\\Kelvimon.EXE to C:\\WINDOWS\\Kelvimon.EXE ");
}

TEST(CopyProgress, PercentIsExactForFilesBeyondThe32BitProductAndNeverGoesBack)
{
    EXPECT_EQ(ProgressPercent(4096, 4096), 100u);
    EXPECT_EQ(ProgressPercent(0, 0), 100u) << "an empty file is complete, not a division by zero";
    // 45,000,000 * 100 wraps in 32 bits and would show 4 %.
    EXPECT_EQ(ProgressPercent(45000000, 50000000), 90u);
    EXPECT_EQ(ProgressPercent(5ull << 30, 10ull << 30), 50u);

    const uint64_t size = 100000000;
    uint32_t last = 0;
    for (uint64_t copied = 4096; copied < size + 4096; copied += 4096) {
        const uint32_t percent = ProgressPercent(copied < size ? copied : size, size);
        ASSERT_GE(percent, last) << "at " << copied;
        last = percent;
    }
    EXPECT_EQ(last, 100u);
}

TEST(ProgramGroup, CommandsCreateShowAndFillTheGroupTheMonitorStartingVisible)
{
    ProgramGroupCommands commands;
    ASSERT_TRUE(FormatProgramGroupCommands("C:\\WINDOWS", commands));
    EXPECT_STREQ(commands.text[0], "[CreateGroup(Thermivo)]");
    EXPECT_STREQ(commands.text[1], "[ShowGroup(Thermivo,5)]");
    EXPECT_STREQ(commands.text[2], "[AddItem(C:\\WINDOWS\\Kelvimon.EXE,QX7305 Thermivo)]");
    EXPECT_STREQ(commands.text[3], "[AddItem(C:\\WINDOWS\\_Unplant.exe C:\\WINDOWS,UnInstall QX7305 Thermivo)]");
}

TEST(ProgramGroup, ADirectoryThatOverflowsAnItemCommandRefusesTheGroup)
{
    // The uninstaller's item names the directory twice: 51 characters and the
    // zero leave room for two of 104.
    ProgramGroupCommands commands;
    EXPECT_TRUE(FormatProgramGroupCommands(Directory(104).c_str(), commands));
    EXPECT_EQ(strlen(commands.text[3]), 259u);
    EXPECT_FALSE(FormatProgramGroupCommands(Directory(105).c_str(), commands));
}

TEST(UninstallString, RunsTheUninstallerWithTheWindowsDirectoryOrIsRefusedWhole)
{
    char text[UninstallStringSize];
    ASSERT_TRUE(FormatUninstallString("C:\\WINDOWS", text));
    EXPECT_STREQ(text, "C:\\WINDOWS\\_Unplant.EXE C:\\WINDOWS");
    EXPECT_TRUE(FormatUninstallString(Directory(124).c_str(), text));  // 15 + 2 * 124 = 263
    EXPECT_FALSE(FormatUninstallString(Directory(125).c_str(), text));
    EXPECT_STREQ(text, "");
}

}  // namespace
