#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/monitor_harness.h"

namespace {

constexpr DWORD LineTimeoutMs = 10000;

// Port accesses of a monitoring cycle with case supervision: the flag's
// read-modify-write, three temperatures, three fan counts with the two
// divisor reads, the case flag; two port accesses per register access.
constexpr int CycleAccesses = 2 * (2 + 3 + 3 + 2 + 1);
// What a line adds: the eight voltages and the battery sample's
// read-modify-write of the configuration register.
constexpr int LineAccesses = 2 * (8 + 2);

// The header with the second channel's columns as written there.
std::string ExpectedHeader(const char* secondTemperature = "System (C)", const char* secondFan = "System fan (RPM)")
{
    return std::string("Time,CPU (C),") + secondTemperature + ",Panel (C),CPU fan (RPM)," + secondFan +
           ",Panel fan (RPM),Volts VCORE,Volts +12,Volts -12,Volts +3.3,Volts +2.5,Volts +1.8,Volts +1.5,Volts AGP,"
           "Case open,Temperature alarm,Voltage alarm,Case alarm";
}

// The whole file, or "" when it cannot be read (or does not exist).
std::string FileText(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "";
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(file);
    return text;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The lines of the file without their CR LF; a last line without its end
// would be kept as it is, so that a check for whole lines sees it.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
        fields.push_back(line.substr(start, comma - start));
    fields.push_back(line.substr(start));
    return fields;
}

// A data line: the time as "YYYY-MM-DD hh:mm:ss" and the eighteen columns.
bool IsWholeDataLine(const std::string& line)
{
    int y, mo, d, h, mi, s;
    char end;
    return Fields(line).size() == 19 &&
           sscanf(line.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &end) == 7 && end == ',' &&
           line[4] == '-' && line[7] == '-' && line[10] == ' ' && line[13] == ':' && line[16] == ':';
}

void WriteWholeFile(const std::string& path, const std::string& text, DWORD disposition)
{
    HANDLE file = INVALID_HANDLE_VALUE;
    // The monitor holds the file for the moment of a line.
    ASSERT_TRUE(WaitUntil(
        [&] {
            file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition, 0, nullptr);
            return file != INVALID_HANDLE_VALUE;
        },
        5000))
        << path;
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// Lines of a hundred bytes up to the size.
std::string Padding(size_t size)
{
    std::string text;
    while (text.size() + 100 <= size) text += std::string(98, 'x') + "\r\n";
    return text;
}

std::set<std::string> FolderFiles(const std::string& folder)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

class ReadingLog : public MonitorTest {
protected:
    void UseLog(const std::string& path, const char* size = nullptr)
    {
        logPath = path;
        SetProfileValue("LOGFILE", path.c_str());
        SetProfileValue("LOGINTERVAL", "1");
        if (size) SetProfileValue("LOGSIZE", size);
    }

    std::vector<std::string> LogLines() { return Lines(FileText(logPath)); }

    // Waits for a data line after the first `after` lines whose fields hold
    // the expected values (index, text); returns it, or "" on time-out.
    std::string WaitForLine(size_t after, const std::vector<std::pair<size_t, std::string>>& expected)
    {
        std::string match;
        WaitUntil(
            [&] {
                const std::vector<std::string> lines = LogLines();
                for (size_t i = after; i < lines.size(); ++i) {
                    const std::vector<std::string> fields = Fields(lines[i]);
                    bool all = fields.size() == 19;
                    for (const auto& e : expected) all = all && fields[e.first] == e.second;
                    if (all) match = lines[i];
                }
                return !match.empty();
            },
            LineTimeoutMs, 100);
        return match;
    }

    size_t WaitForLineCount(size_t count)
    {
        WaitUntil([&] { return LogLines().size() >= count; }, LineTimeoutMs, 100);
        return LogLines().size();
    }

    // Port accesses of each cycle that the monitor's own timer runs from now
    // on, counted from one write of the fan-control flag to the next.
    std::vector<int> AccessesOfNextCycles(int cycles)
    {
        {
            SimBoardLock lock(board());
            SimClearJournal(board());
        }
        for (int i = 0; i <= cycles; ++i) WaitForTimerCycle();
        SimBoardLock lock(board());
        std::vector<int> counts;
        uint8_t index = 0;
        int since = -1;  // not counting before the first cycle's flag
        for (uint32_t i = 0; i < SimJournalKept(board()); ++i) {
            const SimPortAccess& a = SimJournalEntry(board(), i);
            if (a.port == ChipIndex && a.isWrite) index = a.value;
            if (since >= 0) ++since;
            if (a.port == ChipData && a.isWrite && index == 0x14) {
                if (since >= 0) counts.push_back(since);
                since = 0;
            }
        }
        return counts;
    }

    static constexpr uint16_t ChipIndex = 0x295;
    static constexpr uint16_t ChipData = 0x296;
    std::string logPath;
};

TEST_F(ReadingLog, LinesCarryTheBoardsChangesUnderTheChannelTitles)
{
    UseLog(ScratchFolder("log") + "\\readings.csv");
    SetProfileValue("DEFCASE", "1");
    SetProfileValue("TITLE1", "Board, rear");
    SetProfileValue("FANONOF", "1,1,1,1,1,0");           // the third fan's readout is off
    SetProfileValue("VOLTONOFF", "1,1,1,1,1,1,1,0");      // the last rail is not shown
    SetProfileValue("FAN0", "1,25,35,45,60,75,90,100,110,90");  // alarm at the Over limit, 75 C
    SetProfileValue("FAN1", "0,25,35,45,60,75,90,100,110,127,90");  // the second fan at full speed
    Board("temp0 = 40\nvolt3.raw = 206\ncase = closed");
    StartMonitor();
    ASSERT_GE(WaitForLineCount(2), 2u) << "no line";
    std::vector<std::string> lines = LogLines();
    EXPECT_EQ(lines[0], ExpectedHeader("\"Board, rear (C)\"", "\"Board, rear fan (RPM)\""));
    const std::vector<std::string> before = Fields(lines[1]);
    ASSERT_TRUE(IsWholeDataLine(lines[1])) << lines[1];
    EXPECT_EQ(before[1], "40");
    EXPECT_NE(before[5], "0");
    EXPECT_EQ(before[6], "") << "a readout that is off leaves its column empty";
    EXPECT_EQ(before[10], "3.29");
    EXPECT_EQ(before[14], "");
    EXPECT_EQ(before[15], "0");

    Board("temp0 = 85\nfan1 = stopped\nvolt3.raw = 150\ncase = open");
    const size_t seen = LogLines().size();
    // 2.40 V is far from the base of 3.30 V.
    const std::string after = WaitForLine(seen, {{1, "85"}, {5, "0"}, {6, ""}, {10, "2.40"}, {14, ""},
                                                 {15, "1"}, {16, "1"}, {17, "1"}, {18, "1"}});
    EXPECT_FALSE(after.empty()) << "last line: " << LogLines().back();
    EXPECT_TRUE(IsWholeDataLine(after)) << after;

    SYSTEMTIME now;
    GetLocalTime(&now);
    char today[16];
    snprintf(today, sizeof today, "%04d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
    EXPECT_EQ(after.substr(0, 10), today);
    SaveScreenshot("reading-log-alarm.bmp");
    CopyFileA(logPath.c_str(), ArtifactPath("reading-log-alarm.csv").c_str(), FALSE);
}

TEST_F(ReadingLog, HiddenMonitorReadsTheRailsForEachLineAndNothingElse)
{
    UseLog(ScratchFolder("hidden") + "\\readings.csv");
    SetProfileValue("DEFCASE", "1");
    StartMonitor("HIDE");
    ASSERT_FALSE(IsWindowVisible(window));
    ASSERT_GE(WaitForLineCount(2), 2u);
    // No paint reads the rails while hidden: the line's own read must.
    Board("volt3.raw = 150\nvolt2.raw = 5");
    EXPECT_FALSE(WaitForLine(LogLines().size(), {{9, "-11.98"}, {10, "2.40"}}).empty())
        << "last line: " << LogLines().back();

    const size_t linesBefore = LogLines().size();
    const std::vector<int> counts = AccessesOfNextCycles(3);
    const size_t linesWritten = LogLines().size() - linesBefore;
    int logged = 0;
    for (int count : counts) {
        EXPECT_TRUE(count == CycleAccesses || count == CycleAccesses + LineAccesses) << count;
        if (count == CycleAccesses + LineAccesses) ++logged;
    }
    EXPECT_GE(logged, 1);
    EXPECT_GE(linesWritten, static_cast<size_t>(logged));
}

TEST_F(ReadingLog, WithoutLogFileNoFileAppearsAndCyclesKeepTheirPortAccesses)
{
    SetProfileValue("DEFCASE", "1");
    const std::string programFolder = BuildPath("monitor");
    const std::set<std::string> filesBefore = FolderFiles(programFolder);
    StartMonitor("HIDE");
    for (int count : AccessesOfNextCycles(3)) EXPECT_EQ(count, CycleAccesses);
    EXPECT_EQ(FolderFiles(programFolder), filesBefore);
}

TEST_F(ReadingLog, RotationKeepsExactlyOneOldFileAndCountsWhatIsAlreadyThere)
{
    const std::string folder = ScratchFolder("rotation");
    UseLog(folder + "\\readings.csv", "16");
    // A log left by an earlier run, a few bytes short of 16 KB, and an older
    // rotated one.
    const std::string earlier = "Earlier header\r\n" + Padding(16 * 1024 - 40 - 16);
    WriteWholeFile(logPath, earlier, CREATE_ALWAYS);
    WriteWholeFile(logPath + ".old", "older\r\n", CREATE_ALWAYS);
    StartMonitor();
    ASSERT_TRUE(WaitUntil(
        [&] {
            const std::vector<std::string> lines = LogLines();
            return lines.size() >= 2 && lines[0] == ExpectedHeader();
        },
        LineTimeoutMs, 100))
        << "no new file began";
    EXPECT_EQ(FileText(logPath + ".old"), earlier);

    // The new file grows to a few lines short of the size: rotation follows.
    const size_t size = FileText(logPath).size();
    WriteWholeFile(logPath, Padding(16 * 1024 - 300 - size), OPEN_EXISTING);
    ASSERT_TRUE(WaitUntil(
        [&] {
            const std::vector<std::string> old = Lines(FileText(logPath + ".old"));
            return !old.empty() && old[0] == ExpectedHeader();
        },
        LineTimeoutMs, 100))
        << "the second rotation did not happen";
    const std::string rotated = FileText(logPath + ".old");
    EXPECT_LE(rotated.size(), 16u * 1024);
    EXPECT_EQ(rotated.substr(rotated.size() - 2), "\r\n");
    const std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], ExpectedHeader());
    EXPECT_TRUE(IsWholeDataLine(lines[1])) << lines[1];
    EXPECT_EQ(FolderFiles(folder), (std::set<std::string>{"readings.csv", "readings.csv.old"}));
}

TEST_F(ReadingLog, AMissingFolderOrALockedFileDropsLinesSilentlyUntilItIsWritable)
{
    const std::string folder = ScratchFolder("failing") + "\\later";
    UseLog(folder + "\\readings.csv");
    StartMonitor();
    WaitForTimerCycle();
    WaitForTimerCycle();
    EXPECT_FALSE(Exists(logPath));
    EXPECT_EQ(FindProcessWindow(monitor.pid, "#32770", nullptr), nullptr) << "a message box appeared";

    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_GE(WaitForLineCount(2), 2u) << "logging did not begin once the folder existed";

    // Wine running as root writes into read-only files, so the file is made
    // unwritable the other way a user meets: a program holds it open and
    // lets nobody write, as spreadsheet programs do.
    HANDLE holder = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(WaitUntil(
        [&] {
            holder = CreateFileA(logPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            return holder != INVALID_HANDLE_VALUE;
        },
        5000));
    const size_t linesLocked = LogLines().size();
    WaitForTimerCycle();
    WaitForTimerCycle();
    EXPECT_EQ(LogLines().size(), linesLocked) << "lines went into a file nobody may write";
    EXPECT_TRUE(IsRunning(monitor));
    EXPECT_EQ(FindProcessWindow(monitor.pid, "#32770", nullptr), nullptr) << "a message box appeared";

    CloseHandle(holder);
    EXPECT_GT(WaitForLineCount(linesLocked + 1), linesLocked) << "logging did not resume";
    const std::vector<std::string> lines = LogLines();
    EXPECT_EQ(lines[0], ExpectedHeader());
    for (size_t i = 1; i < lines.size(); ++i) EXPECT_TRUE(IsWholeDataLine(lines[i])) << i << ": " << lines[i];
    const std::string text = FileText(logPath);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

}  // namespace
