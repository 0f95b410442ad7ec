#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "common/runtime/command_line.h"
#include "common/runtime/format.h"
#include "common/runtime/scan.h"

namespace {

// Formats through the programs' runtime and through the host's C library
// into buffers of the given size and compares the texts and the lengths
// (the size hidden from the compiler, which would object to cutting).
#define EXPECT_FORMATS_AS_HOST(size, ...)                                              \
    do {                                                                               \
        char ours[size + 1] = "";                                                      \
        char host[size + 1] = "";                                                      \
        const volatile size_t room = size;                                             \
        const int ourLength = FormatText(ours, room, __VA_ARGS__);                     \
        const int hostLength = snprintf(host, room, __VA_ARGS__);                      \
        EXPECT_EQ(ourLength, hostLength) << #__VA_ARGS__ << " into " << size;          \
        EXPECT_STREQ(ours, host) << #__VA_ARGS__ << " into " << size;                  \
    } while (0)

TEST(FormatText, ConversionsInUseGiveTheHostLibrarysText)
{
    EXPECT_FORMATS_AS_HOST(64, "%d|%d|%d|%d", 0, -7, INT_MAX, INT_MIN);
    EXPECT_FORMATS_AS_HOST(64, "%02d-%02d-%04d %02d:%02d", 3, 12, 1999, 0, 59);
    EXPECT_FORMATS_AS_HOST(64, "%03do%c|%04do%c|%05d |%2d.%02dV", 45, 'C', -12, 'F', 4800, 3, 5);
    EXPECT_FORMATS_AS_HOST(64, "%03d|%2d|%-4d|%-4s|%6s|%c|%3c", -5, -5, 42, "ab", "ab", 'x', 'y');
    EXPECT_FORMATS_AS_HOST(64, "error %lu, %u, %ld", 4294967295ul, 0u, -1l);
    EXPECT_FORMATS_AS_HOST(64, "%s\\%s HIDE %% [%.*s] [%.*s] [%.3s]", "C:\\WINDOWS", "KELVIMON.EXE", 3, "Chassis",
                           -1, "whole", "ab");
    EXPECT_FORMATS_AS_HOST(64, "%*d|%-*d|%*s", 5, 42, 5, 42, -4, "ab");
}

TEST(FormatText, CutTextStillTellsTheWholeLength)
{
    EXPECT_FORMATS_AS_HOST(8, "%s and %d", "twelve chars", 12345);
    EXPECT_FORMATS_AS_HOST(1, "%05d", 7);
    EXPECT_FORMATS_AS_HOST(5, "%d", -1234);
    EXPECT_FORMATS_AS_HOST(5, "%d", -12345);
    char untouched[2] = {'x', 'y'};
    EXPECT_EQ(FormatText(untouched, 0, "%d", 123), 3);
    EXPECT_EQ(untouched[0], 'x');
}

TEST(FormatText, ConversionItDoesNotKnowLeavesTheBufferEmpty)
{
    char text[16] = "previous";
    EXPECT_EQ(FormatText(text, sizeof text, "%d %x", 1, 2u), -1);
    EXPECT_STREQ(text, "");
}

struct Scanned {
    int count;
    int values[3];
};

Scanned ScanThree(const char* text)
{
    Scanned s = {0, {111, 222, 333}};
    s.count = ScanText(text, "%d,%d,%d", &s.values[0], &s.values[1], &s.values[2]);
    return s;
}

TEST(ScanText, NumbersInRangeReadAsTheHostLibraryReadsThem)
{
    for (const char* text : {"1,2,3", " 4, -5,+6", "\t7,8", "9,,10", "11,x", "12 ,13", "x", "", "   ", ",1", "-",
                             "+,1", "2147483647,-2147483648,0", "007,-0,12abc", "1,2,3,4"}) {
        Scanned host = {0, {111, 222, 333}};
        host.count = sscanf(text, "%d,%d,%d", &host.values[0], &host.values[1], &host.values[2]);
        const Scanned ours = ScanThree(text);
        EXPECT_EQ(ours.count, host.count) << '"' << text << '"';
        for (int i = 0; i < 3; ++i) EXPECT_EQ(ours.values[i], host.values[i]) << '"' << text << "\" value " << i;
    }
}

TEST(ScanText, NumbersBeyondTheRangeReadAsItsNearestEnd)
{
    // The host libraries disagree here (some wrap, some clamp); the programs
    // have always read these as the end of the range.
    const Scanned s = ScanThree("1,2147483648,-2147483649");
    EXPECT_EQ(s.count, 3);
    EXPECT_EQ(s.values[0], 1);
    EXPECT_EQ(s.values[1], INT_MAX);
    EXPECT_EQ(s.values[2], INT_MIN);
    EXPECT_EQ(ScanThree("99999999999999999999999,-99999999999999999999999").values[1], INT_MIN);
}

TEST(ScanText, BlanksInTheFormatSkipAnyBlanks)
{
    int a = 0, b = 0;
    EXPECT_EQ(ScanText("1 ,\t2", "%d , %d", &a, &b), 2);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(ScanText(" ", " ,%d", &a), -1);
}

TEST(ProgramArguments, StartAfterTheProgramNameAndItsBlanks)
{
    const struct {
        const char* commandLine;
        const char* arguments;
    } cases[] = {
        {"KELVIMON.EXE HIDE", "HIDE"},
        {"\"C:\\Program Files\\K.exe\"  \t HIDE x", "HIDE x"},
        {"\"C:\\a b\\K.exe\"HIDE", "HIDE"},
        {"\"unclosed quote HIDE", ""},
        {"C:\\WINDOWS\\_Unplant.EXE", ""},
        {"_Unplant.EXE C:\\WINDOWS /S", "C:\\WINDOWS /S"},
        {"", ""},
        {"A\xE4\xF6.EXE X", "X"},
    };
    for (const auto& c : cases) EXPECT_STREQ(ArgumentsAfterProgramName(c.commandLine), c.arguments) << c.commandLine;
}

}  // namespace
