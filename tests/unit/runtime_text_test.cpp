#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
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
    // Precision is the least number of digits, none for a zero of precision 0.
    EXPECT_FORMATS_AS_HOST(64, "%.3d|%.0d|%3.0d|%.d|%5.3d|%-5.3d|%.3u|%.12d", 5, 0, 0, 0, -7, 7, 9u, INT_MIN);
    EXPECT_FORMATS_AS_HOST(64, "%.*d|%.*d|%*.*ld|%-*.*lu|%.10u", 4, -12, -3, 42, 8, 5, -123456l, 6, 2, 7ul, UINT_MAX);
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

// What the runtime does with a format the build would refuse, read from an
// exact copy on the heap, so that AddressSanitizer sees a read past its end.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
int FormatAtRunTime(char* out, size_t size, const char* format, ...)
{
    const size_t length = strlen(format) + 1;
    std::unique_ptr<char[]> copy(new char[length]);
    memcpy(copy.get(), format, length);
    va_list arguments;
    va_start(arguments, format);
    const int result = FormatTextV(out, size, copy.get(), arguments);
    va_end(arguments);
    return result;
}
#pragma GCC diagnostic pop

TEST(FormatText, ConversionsOutsideTheSetFailTheBuildAndTheRun)
{
    for (const char* format : {"%d %x", "%i", "%+d", "% d", "%#u", "%hd", "%lld", "%p", "%f", "%n", "%05s", "%ls",
                               "%lc", "%.2c", "%0c", "%l%", "%-%", "%99999999999d", "%2147483648d", "%.2147483648s",
                               "abc%", "%", "%-", "%5", "%l", "%.*", "%05", "%.", "%-0*.*l"}) {
        EXPECT_FALSE(FormatSupported(format)) << format;
        char text[16] = "previous";
        EXPECT_EQ(FormatAtRunTime(text, sizeof text, format, 1, 2, 3, 4), -1) << format;
        EXPECT_STREQ(text, "") << format;
    }
    for (const char* format : {"", "%d%u%s%c%%", "%-05.3ld|%0*lu|%-*.*s|%*c|%.0s", "100%%", "%2147483647d"})
        EXPECT_TRUE(FormatSupported(format)) << format;
    for (const char* format : {"%x", "%5d", "%*d", "%%", "%s", "%ld", "%", "%d%"})
        EXPECT_FALSE(ScanFormatSupported(format)) << format;
    EXPECT_TRUE(ScanFormatSupported("%d, %d;x"));
}

// The C library fails these too, after seconds of counting. (Through
// FormatAtRunTime: the compiler refuses such constant arguments already.)
TEST(FormatText, TextLongerThanAnIntFailsAtOnceWithTheBufferEnded)
{
    char text[8] = "previou";
    EXPECT_EQ(FormatAtRunTime(text, sizeof text, "%*d", INT_MIN, 5), -1);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(FormatAtRunTime(text, sizeof text, "ab%*d%*s", INT_MAX - 5, 5, 10, "x"), -1);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(FormatAtRunTime(text, sizeof text, "%.*u%2147483647c", INT_MAX, 1u, 'x'), -1);
    EXPECT_EQ(FormatAtRunTime(text, sizeof text, "x%2147483647d", 7), -1);
    EXPECT_EQ(FormatAtRunTime(text, sizeof text, "%2147483647d", 7), INT_MAX);
    EXPECT_STREQ(text, "       ");
    EXPECT_EQ(FormatAtRunTime(text, sizeof text, "%-*d", INT_MIN + 1, 7), INT_MAX);
    EXPECT_STREQ(text, "7      ");
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

extern "C" {
void* RuntimeMemcpy(void* destination, const void* source, size_t count);
void* RuntimeMemmove(void* destination, const void* source, size_t count);
void* RuntimeMemset(void* destination, int value, size_t count);
int RuntimeMemcmp(const void* first, const void* second, size_t count);
void* RuntimeMemchr(const void* block, int value, size_t count);
size_t RuntimeStrlen(const char* text);
int RuntimeStrncmp(const char* first, const char* second, size_t count);
int RuntimeStrcmp(const char* first, const char* second);
char* RuntimeStrchr(const char* text, int c);
char* RuntimeStrrchr(const char* text, int c);
}

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

// The programs' memory and string functions against the host's, on bytes
// above 0x7F too: every length at several offsets, moves that overlap
// forwards and backwards, comparisons that stop at a terminator or a count,
// searches for a byte that is there once, more often, not at all, or is the
// terminator.
TEST(RuntimeMemory, EveryFunctionGivesTheHostLibrarysResult)
{
    unsigned char pattern[48];
    for (size_t i = 0; i < sizeof pattern; ++i) pattern[i] = static_cast<unsigned char>(i * 37 + 200);
    for (size_t at = 0; at < 4; ++at) {
        for (size_t count = 0; count + at <= 40; ++count) {
            unsigned char ours[48], host[48];
            memset(ours, 0x5A, sizeof ours);
            memset(host, 0x5A, sizeof host);
            EXPECT_EQ(RuntimeMemcpy(ours + at, pattern, count), ours + at);
            memcpy(host + at, pattern, count);
            EXPECT_EQ(memcmp(ours, host, sizeof ours), 0) << "memcpy of " << count << " at " << at;
            EXPECT_EQ(RuntimeMemset(ours + at, 0x1A5 - static_cast<int>(count), count), ours + at);
            memset(host + at, 0x1A5 - static_cast<int>(count), count);
            EXPECT_EQ(memcmp(ours, host, sizeof ours), 0) << "memset of " << count << " at " << at;
            for (size_t to = 0; to < 8; ++to) {
                memcpy(ours, pattern, sizeof ours);
                memcpy(host, pattern, sizeof host);
                EXPECT_EQ(RuntimeMemmove(ours + to, ours + at, count), ours + to);
                memmove(host + to, host + at, count);
                EXPECT_EQ(memcmp(ours, host, sizeof ours), 0)
                    << "memmove of " << count << " from " << at << " to " << to;
            }
            EXPECT_EQ(Sign(RuntimeMemcmp(pattern + at, pattern, count)), Sign(memcmp(pattern + at, pattern, count)));
            EXPECT_EQ(RuntimeMemchr(pattern, pattern[at + 3], count), memchr(pattern, pattern[at + 3], count));
        }
    }
    const char* texts[] = {"", "a", "ab", "abc", "abd", "abcab", "ab\xE4", "ab\x7F", "\xE4"};
    for (const char* text : texts) {
        EXPECT_EQ(RuntimeStrlen(text), strlen(text)) << text;
        for (int c : {0x61, 0x62, 0x63, 0x7A, 0, 0xE4, -28, 0x161})
            EXPECT_TRUE(RuntimeStrchr(text, c) == strchr(text, c) && RuntimeStrrchr(text, c) == strrchr(text, c))
                << text << " " << c;
        for (const char* other : texts) {
            EXPECT_EQ(Sign(RuntimeStrcmp(text, other)), Sign(strcmp(text, other))) << text << " " << other;
            for (size_t count = 0; count < 5; ++count)
                EXPECT_EQ(Sign(RuntimeStrncmp(text, other, count)), Sign(strncmp(text, other, count)))
                    << text << " " << other << " " << count;
        }
    }
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
