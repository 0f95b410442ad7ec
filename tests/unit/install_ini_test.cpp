#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "setup/install_ini.h"

namespace {

struct Bytes {
    std::string data;
    size_t at = 0;
};

bool NextByte(void* context, char* byte)
{
    auto* bytes = static_cast<Bytes*>(context);
    if (bytes->at >= bytes->data.size()) return false;
    *byte = bytes->data[bytes->at++];
    return true;
}

std::vector<std::string> Lines(const std::string& data)
{
    Bytes bytes{data};
    std::vector<std::string> lines;
    char line[IniLineSize];
    while (const size_t length = ReadIniLine({NextByte, &bytes}, line)) {
        EXPECT_EQ(length, strlen(line));
        lines.push_back(line);
    }
    return lines;
}

using Settings = std::vector<std::pair<std::string, std::string>>;

Settings SettingsOf(const std::string& data)
{
    Bytes bytes{data};
    Settings settings;
    ForEachIniSetting(
        {NextByte, &bytes},
        [](void* context, const IniSetting& setting) {
            static_cast<Settings*>(context)->emplace_back(setting.key, setting.value);
        },
        &settings);
    return settings;
}

using LineList = std::vector<std::string>;

TEST(InstallIniLines, EndAtLineFeedWithAPrecedingCarriageReturnDropped)
{
    EXPECT_EQ(Lines("FAN0=1,25\r\nTITLE0=CPU\nLAST=1"), (LineList{"FAN0=1,25", "TITLE0=CPU", "LAST=1"}));
    EXPECT_EQ(Lines("A=1\r2\r\n"), (LineList{"A=1\r2"})) << "only a carriage return before the line end goes";
}

TEST(InstallIniLines, ZeroByteEndsALineAndAtTheStartEndsTheFile)
{
    EXPECT_EQ(Lines(std::string("A=1\0B=2\n", 8)), (LineList{"A=1", "B=2"}));
    EXPECT_EQ(Lines(std::string("A=1\n\0B=2\n", 9)), (LineList{"A=1"}));
}

TEST(InstallIniLines, FirstEmptyLineEndsTheUsefulContent)
{
    EXPECT_EQ(Lines("A=1\n\nB=2\n"), (LineList{"A=1"}));
    EXPECT_EQ(Lines("A=1\r\n\r\nB=2\r\n"), (LineList{"A=1"}));
    EXPECT_TRUE(Lines("\r\nA=1\n").empty());
    EXPECT_TRUE(Lines("").empty());
}

TEST(InstallIniLines, OverlongLineIsCutTo259CharactersWithoutTouchingWhatFollowsTheBuffer)
{
    struct {
        char line[IniLineSize];
        char guard[8];
    } memory;
    memset(memory.guard, 'G', sizeof memory.guard);
    const std::string exact(259, 'e');
    const std::string overlong = "K=" + std::string(400, 'v');
    Bytes bytes{exact + "\r\n" + overlong + "\r\nNEXT=1\n"};

    EXPECT_EQ(ReadIniLine({NextByte, &bytes}, memory.line), 259u);
    EXPECT_EQ(std::string(memory.line), exact) << "259 characters and a CR LF: all kept, the CR dropped";
    EXPECT_EQ(ReadIniLine({NextByte, &bytes}, memory.line), 259u);
    EXPECT_EQ(std::string(memory.line), overlong.substr(0, 259));
    EXPECT_EQ(ReadIniLine({NextByte, &bytes}, memory.line), 6u);
    EXPECT_STREQ(memory.line, "NEXT=1") << "the cut line's rest does not become a line of its own";
    EXPECT_EQ(std::string(memory.guard, sizeof memory.guard), std::string(8, 'G'));
}

TEST(InstallIniSettings, KeyEndsAtTheFirstEqualsAndBothSidesStayAsTheyStand)
{
    EXPECT_EQ(SettingsOf("KEY=X=Y\nEMPTY=\n TITLE0 = CPU fan \n"),
              (Settings{{"KEY", "X=Y"}, {"EMPTY", ""}, {" TITLE0 ", " CPU fan "}}));
}

TEST(InstallIniSettings, LinesWithoutEqualsAreSkippedAndAnEmptyLineStopsTheRest)
{
    EXPECT_EQ(SettingsOf("[Thermivo]\r\nTITLE0=CPU\r\njust words\r\nFANMAP=2\r\n\r\nFAN0=9\r\n"),
              (Settings{{"TITLE0", "CPU"}, {"FANMAP", "2"}}));
}

}  // namespace
