#include <gtest/gtest.h>

#include <string>

#include "common/autostart.h"

namespace {

TEST(AutoStartCommand, NamesTheMonitorInTheWindowsDirectoryAndStartsItHidden)
{
    char command[AutoStartCommandSize];
    ASSERT_TRUE(FormatAutoStartCommand("C:\\WINDOWS", command));
    EXPECT_STREQ(command, "C:\\WINDOWS\\Kelvimon.EXE HIDE");
}

TEST(AutoStartCommand, RefusesADirectoryTooLongToFitWholeAndLeavesNothingBehind)
{
    // "\Kelvimon.EXE HIDE" takes 18 characters and the zero one more, so 237
    // characters of directory are the most that fit the 256-byte buffer.
    const std::string longest = "C:\\" + std::string(234, 'd');
    char command[AutoStartCommandSize];
    ASSERT_TRUE(FormatAutoStartCommand(longest.c_str(), command));
    EXPECT_EQ(std::string(command), longest + "\\Kelvimon.EXE HIDE");

    const std::string tooLong = longest + "e";
    EXPECT_FALSE(FormatAutoStartCommand(tooLong.c_str(), command));
    EXPECT_STREQ(command, "");
}

TEST(AutoStartCommand, RefusesAnEmptyDirectory)
{
    char command[AutoStartCommandSize] = "stale";
    EXPECT_FALSE(FormatAutoStartCommand("", command));
    EXPECT_STREQ(command, "");
}

}  // namespace
