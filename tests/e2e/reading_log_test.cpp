#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/monitor_harness.h"

namespace {

constexpr DWORD LineTimeoutMs = 10000;

// Columns of a line besides those of monitor_harness.h.
constexpr size_t CpuColumn = 1, TwelveVoltColumn = 8, VoltageAlarmColumn = 17, WithoutLockColumn = 19;

// Port accesses of a monitoring cycle with case supervision: the flag's
// read-modify-write, three temperatures, three fan counts with the two
// divisor reads, the case flag; two port accesses per register access.
constexpr int CycleAccesses = 2 * (2 + 3 + 3 + 2 + 1);
// What judging the eight rails adds: each input once and the battery
// sample's read-modify-write of the configuration register.
constexpr int RailAccesses = 2 * (8 + 2);

// The time as "YYYY-MM-DD hh:mm:ss" and twenty columns.
bool IsWholeDataLine(const std::string& line)
{
    int y, mo, d, h, mi, s;
    return Split(line, ",").size() == 21 && line.size() > 19 && line[10] == ' ' && line[19] == ',' &&
           sscanf(line.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &y, &mo, &d, &h, &mi, &s) == 6;
}

// Appends (or writes anew), waiting while the monitor holds the file for a line.
void WriteToFile(const std::string& path, const std::string& text, const char* mode)
{
    FILE* file = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (file = fopen(path.c_str(), mode)) != nullptr; }, 5000)) << path;
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
}

// Lines of a hundred bytes, up to the size.
std::string Padding(size_t size)
{
    std::string text;
    while (text.size() + 100 <= size) text += std::string(98, 'x') + "\r\n";
    return text;
}

// A log that begins with the header and is exactly size bytes long.
std::string LogOfSize(const std::string& header, size_t size)
{
    std::string log = header + "\r\n";
    log += Padding(size - log.size());
    return log + std::string(size - log.size() - 2, 'y') + "\r\n";
}

std::set<std::string> FolderFiles(const std::string& folder)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(found.cFileName);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    return names;
}

class ReadingLog : public MonitorTest {
protected:
    size_t WaitForLineCount(size_t count)
    {
        WaitUntil([&] { return LogLines().size() >= count; }, LineTimeoutMs, 100);
        return LogLines().size();
    }

    // A line after the first `after` whose columns hold the expected texts;
    // "" when none comes.
    std::string WaitForLine(size_t after, const std::vector<std::pair<size_t, std::string>>& expected)
    {
        std::string match;
        WaitUntil(
            [&] {
                const std::vector<std::string> lines = LogLines();
                for (size_t i = after; i < lines.size() && match.empty(); ++i) {
                    const std::vector<std::string> fields = Split(lines[i], ",");
                    bool all = fields.size() == 21;
                    for (const auto& e : expected) all = all && fields[e.first] == e.second;
                    if (all) match = lines[i];
                }
                return !match.empty();
            },
            LineTimeoutMs, 100);
        return match;
    }

    // Port accesses of the next cycles of the monitor's own timer, each
    // counted from one write of the fan-control flag (register 0x14) to the next.
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
        int since = -1;  // nothing counted before the first flag
        for (uint32_t i = 0; i < SimJournalKept(board()); ++i) {
            const SimPortAccess& a = SimJournalEntry(board(), i);
            if (a.port == 0x295 && a.isWrite) index = a.value;
            if (since >= 0) ++since;
            if (a.port == 0x296 && a.isWrite && index == 0x14) {
                if (since >= 0) counts.push_back(since);
                since = 0;
            }
        }
        return counts;
    }
};

TEST_F(ReadingLog, LinesCarryTheBoardsChangesUnderTheChannelTitles)
{
    UseLog(ScratchFolder("log") + "\\readings.csv");
    SetProfileValue("DEFCASE", "1");
    SetProfileValue("TITLE1", "Board, rear");
    SetProfileValue("FANONOF", "1,1,1,1,1,0");                      // the third fan's readout is off
    SetProfileValue("VOLTONOFF", "1,1,1,1,1,1,1,0");                 // the last rail is not shown
    SetProfileValue("FAN0", InstallerFan);                          // alarm at the Over limit, 75 C
    SetProfileValue("FAN1", "0,25,35,45,60,75,90,100,110,127,90");  // the second fan at full speed
    SetProfileValue("FANSTALL", "0,1,0");                            // and watched
    Board("temp0 = 40\nvolt3.raw = 206\ncase = closed");
    StartMonitor();
    ASSERT_GE(WaitForLineCount(2), 2u) << "no line";
    const std::vector<std::string> lines = LogLines();
    EXPECT_EQ(lines[0], LogHeader("\"Board, rear (C)\"", "\"Board, rear fan (RPM)\""));
    EXPECT_TRUE(IsWholeDataLine(lines[1])) << lines[1];
    const std::vector<std::string> before = Split(lines[1], ",");
    ASSERT_EQ(before.size(), 21u);
    EXPECT_EQ(before[1], "40");
    EXPECT_NE(before[5], "0");
    EXPECT_EQ(before[10], "3.29");
    EXPECT_EQ(before[15], "0");
    EXPECT_EQ(before[FanStallColumn], "0");

    Board("temp0 = 85\nfan1 = stopped\nvolt3.raw = 150\ncase = open");
    // Empty columns for what is not shown; 2.40 V is far from the base of 3.30 V.
    const std::string after = WaitForLine(lines.size(), {{1, "85"}, {5, "0"}, {6, ""}, {10, "2.40"}, {14, ""},
                                                         {15, "1"}, {16, "1"}, {17, "1"}, {18, "1"}, {FanStallColumn, "1"}});
    ASSERT_FALSE(after.empty()) << "last line: " << LogLines().back();
    EXPECT_TRUE(IsWholeDataLine(after)) << after;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char today[16];
    snprintf(today, sizeof today, "%04d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
    EXPECT_EQ(after.substr(0, 10), today);
    SaveScreenshot("reading-log-alarm.bmp");
    CopyFileA(logPath.c_str(), ArtifactPath("reading-log-alarm.csv").c_str(), FALSE);
}

// A hidden window gets no paint, so its cycle reads the shown rails itself,
// each once; a line reads nothing more.
TEST_F(ReadingLog, AHiddenCycleReadsEachShownRailOnceAndALineReadsNothingMore)
{
    SetProfileValue("DEFCASE", "1");
    SetProfileValue("VOLTONOFF", "0,1,0,0,0,0,0,0");  // +12 only
    const std::string programFolder = ProgramPath("monitor");
    const std::set<std::string> programFiles = FolderFiles(programFolder);
    StartMonitor("HIDE");
    for (int count : AccessesOfNextCycles(3)) EXPECT_EQ(count, CycleAccesses + 2) << "without LOGFILE";
    EXPECT_EQ(FolderFiles(programFolder), programFiles);
    CloseMonitor();

    SetProfileValue("VOLTONOFF", "1,1,1,1,1,1,1,1");
    UseLog(ScratchFolder("hidden") + "\\readings.csv");
    StartMonitor("HIDE");
    ASSERT_GE(WaitForLineCount(2), 2u);
    Board("volt3.raw = 150\nvolt2.raw = 5");
    EXPECT_FALSE(WaitForLine(LogLines().size(), {{9, "-11.98"}, {10, "2.40"}}).empty())
        << "last line: " << LogLines().back();
    for (int count : AccessesOfNextCycles(3)) EXPECT_EQ(count, CycleAccesses + RailAccesses);
}

// Most users run the monitor from the tray: started hidden as the Run value
// starts it, or minimised, the voltage alarm comes and goes with the rail as
// it does on screen. In every case each line's voltage-alarm column is the
// verdict on that line's voltages.
class VoltageAlarm : public ReadingLog, public ::testing::WithParamInterface<WindowState> {};

TEST_P(VoltageAlarm, ComesAndGoesWithTheRailWithinThreeSeconds)
{
    const WindowState state = GetParam();
    const std::string how = WindowStateName(state);
    UseLog(ScratchFolder("alarm") + "\\readings.csv");
    SetProfileValue("SOUND", "1");
    StartMonitorIn(state);
    ASSERT_GE(WaitForLineCount(3), 3u);
    const size_t quietLines = LogLines().size();
    const uint32_t quietTones = ToneCount();

    DWORD changed = GetTickCount();
    Board("volt1 = 10.5");
    EXPECT_TRUE(WaitUntil([&] { return ToneCount() > quietTones; }, 3000)) << "no tune";
    // Without the board's noise the rail reads 10.50 V.
    std::string line = WaitForLine(quietLines, {{TwelveVoltColumn, "10.50"}});
    ASSERT_FALSE(line.empty()) << "last line: " << LogLines().back();
    EXPECT_LE(GetTickCount() - changed, 3000u) << "no line with the rail out";
    EXPECT_EQ(Split(line, ",")[VoltageAlarmColumn], "1") << line;
    // Icon 102 and 101 by turns, one change a second.
    EXPECT_TRUE(WaitUntil([&] { return !ShowsNormalIcon(); }, 3000)) << "the alarm icon did not show";
    EXPECT_TRUE(WaitUntil([&] { return ShowsNormalIcon(); }, 2500)) << "the icon did not alternate";
    EXPECT_TRUE(WaitUntil([&] { return !ShowsNormalIcon(); }, 2500)) << "the icon did not alternate";
    EXPECT_EQ(IsWindowVisible(window) != 0, state != WindowState::Hidden);
    EXPECT_EQ(IsIconic(window) != 0, state == WindowState::Minimised);

    const size_t alarmLines = LogLines().size();
    changed = GetTickCount();
    Board("volt1.raw = 191");
    line = WaitForLine(alarmLines, {{TwelveVoltColumn, "12.01"}});
    ASSERT_FALSE(line.empty()) << "last line: " << LogLines().back();
    EXPECT_LE(GetTickCount() - changed, 3000u) << "no line with the rail back";
    EXPECT_EQ(Split(line, ",")[VoltageAlarmColumn], "0") << line;
    EXPECT_TRUE(ReturnsToNormalIcon()) << "the icon is back to normal with the first quiet cycle";
    SaveScreenshot(("voltage-alarm-" + how + ".bmp").c_str());

    const std::vector<std::string> lines = LogLines();
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> fields = Split(lines[i], ",");
        ASSERT_EQ(fields.size(), 21u) << lines[i];
        EXPECT_EQ(fields[VoltageAlarmColumn], fields[TwelveVoltColumn] == "10.50" ? "1" : "0") << lines[i];
    }
    CopyFileA(logPath.c_str(), ArtifactPath(("voltage-alarm-" + how + ".csv").c_str()).c_str(), FALSE);
}

INSTANTIATE_TEST_SUITE_P(Log, VoltageAlarm,
                         ::testing::Values(WindowState::Hidden, WindowState::Minimised, WindowState::Shown),
                         WindowStateCase);

// Another program keeps the chip lock for 30 s while the CPU overheats: once
// its readings would be five seconds old the monitor reads anyway, raises the
// alarm and marks the lines read without the lock, until the lock is free.
TEST_F(ReadingLog, AChipLockKeptByAnotherProgramDelaysTheAlarmAtMostSixSeconds)
{
    UseLog(ScratchFolder("held") + "\\readings.csv");
    SetProfileValue("SOUND", "1");
    SetProfileValue("FAN0", InstallerFan);  // alarm at 75 C
    Board("temp0 = 40");
    StartMonitor("HIDE");
    ASSERT_GE(WaitForLineCount(2), 2u);
    const uint32_t quietTones = ToneCount();
    Program holder = StartProgram(BuildPath("sim\\boardctl.exe"), "hold 30000");
    ASSERT_TRUE(WaitUntil(ChipLockTaken, 5000)) << "boardctl did not take the lock";
    const size_t heldLines = LogLines().size();
    const DWORD taken = GetTickCount();
    Board("temp0 = 95");
    EXPECT_TRUE(WaitUntil([&] { return ToneCount() > quietTones; }, 6000)) << "no alarm within 6 s";
    const std::string line = WaitForLine(heldLines, {{CpuColumn, "95"}});
    ASSERT_FALSE(line.empty()) << "last line: " << LogLines().back();
    EXPECT_LE(GetTickCount() - taken, 6000u) << "no line with the reading within 6 s";
    EXPECT_EQ(Split(line, ",")[TemperatureAlarmColumn], "1") << line;
    EXPECT_EQ(Split(line, ",")[WithoutLockColumn], "1") << line;
    for (size_t i = heldLines; i < LogLines().size() && LogLines()[i] != line; ++i)
        EXPECT_EQ(Split(LogLines()[i], ",")[WithoutLockColumn], "0") << "stale, but not read without the lock";
    EXPECT_TRUE(ChipLockTaken()) << "the hold lasts";

    TerminateProcess(holder.process, 1);
    ASSERT_TRUE(WaitForExit(holder, 5000));
    EndProgram(holder);
    EXPECT_FALSE(WaitForLine(LogLines().size(), {{CpuColumn, "95"}, {WithoutLockColumn, "0"}}).empty())
        << "read with the lock again once it is free";
}

TEST_F(ReadingLog, RotationKeepsExactlyOneOldFileAndCountsWhatIsAlreadyThere)
{
    const std::string folder = ScratchFolder("rotation");
    UseLog(folder + "\\readings.csv", "16");
    // A log of an earlier run, with other titles, a few bytes short of 16 KB,
    // and an older one.
    const std::string earlier = LogOfSize(LogHeader("Board (C)", "Board fan (RPM)"), 16 * 1024 - 40);
    WriteToFile(logPath, earlier, "wb");
    WriteToFile(logPath + ".old", LogHeader() + "\r\nolder\r\n", "wb");
    StartMonitor();
    const auto beginsWithHeader = [](const std::string& path) {
        return FileText(path).rfind(LogHeader() + "\r\n", 0) == 0;
    };
    ASSERT_TRUE(WaitUntil([&] { return beginsWithHeader(logPath); }, LineTimeoutMs, 100)) << "no new file began";
    EXPECT_EQ(FileText(logPath + ".old"), earlier);

    // A few lines short of the size: the monitor's next lines rotate again.
    WriteToFile(logPath, Padding(16 * 1024 - 300 - FileText(logPath).size()), "ab");
    ASSERT_TRUE(WaitUntil([&] { return beginsWithHeader(logPath + ".old"); }, LineTimeoutMs, 100))
        << "the second rotation did not happen";
    const std::string rotated = FileText(logPath + ".old");
    EXPECT_LE(rotated.size(), 16u * 1024);
    EXPECT_EQ(rotated.substr(rotated.size() - 2), "\r\n");
    // Between the rename and the header there is a moment without a log.
    EXPECT_TRUE(WaitUntil([&] { return beginsWithHeader(logPath); }, LineTimeoutMs, 100));
    EXPECT_EQ(FolderFiles(folder), (std::set<std::string>{"readings.csv", "readings.csv.old"}));
}

// Runs a program of the machine under Wine (given by its path on Z:) that
// makes or removes the file name in the folder; whether the folder then
// lists it as asked. (Wine gives no exit code of such a program, and neither
// the attributes nor the deletion of a device file, but lists it.)
bool RunHostProgram(const std::string& program, const std::string& arguments, const std::string& folder,
                    const std::string& name, bool listed)
{
    Program tool = StartProgram(program, arguments);
    const bool done = WaitUntil([&] { return FolderFiles(folder).count(name) == (listed ? 1u : 0u); }, 10000);
    EndProgram(tool);
    return done;
}

// Where a file of drive C: lies on the machine under Wine.
std::string HostPath(const std::string& path)
{
    const char* prefix = getenv("WINEPREFIX");
    std::string host = std::string(prefix ? prefix : "") + "/drive_c/" + path.substr(3);
    for (char& c : host) c = c == '\\' ? '/' : c;
    return host;
}

// A path the log must not write to is never written: its folder stays as it
// was, logging is off for the session, the window answers, and the pipe's
// server sees no client. The name rules are the unit tests'; these are the
// cases only the system can judge (the kind of a drive, whether a name is a
// disk file), and some of the names.
TEST_F(ReadingLog, OnlyCsvFilesOnThisMachinesFixedDisksAreLogged)
{
    const std::string folder = ScratchFolder("paths");
    const char* pipeName = "\\\\.\\pipe\\kelvimon-log";
    HANDLE pipe = CreateNamedPipeA(pipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE, 1, 4096, 4096,
                                   0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    OVERLAPPED connection = {};
    connection.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ConnectNamedPipe(pipe, &connection);
    // Devices behind names on a fixed disk: a read of the pipe would wait
    // for ever.
    const std::string fifo = folder + "\\fifo.csv";
    const std::string null = folder + "\\null.csv";
    ASSERT_TRUE(RunHostProgram("Z:\\usr\\bin\\mkfifo", HostPath(fifo), folder, "fifo.csv", true));
    ASSERT_TRUE(RunHostProgram("Z:\\usr\\bin\\ln", "-s /dev/null " + HostPath(null), folder, "null.csv", true));
    const struct {
        std::string logFile;
        std::string folder;   // where it would be
        std::string written;  // the file that receives the lines, "" when refused
    } cases[] = {
        {pipeName, folder, ""},
        {"\\\\?\\" + folder + "\\readings.csv", folder, ""},
        {"\\\\localhost\\share\\readings.csv", folder, ""},
        {folder + "\\NUL.csv", folder, ""},
        {folder + "\\com1 .csv", folder, ""},
        {folder + "\\readings.csv:hidden", folder, ""},
        {folder + "\\kelvi.cmd", folder, ""},
        // Floppy, RAM disk, network and CD-ROM drives of the template prefix
        // (scripts/wine-env.sh).
        {"A:\\readings.csv", "A:", ""},
        {"M:\\readings.csv", "M:", ""},
        {"N:\\readings.csv", "N:", ""},
        {"R:\\readings.csv", "R:", ""},
        {null, folder, ""},
        {fifo, folder, ""},
        {folder + "\\readings.csv", folder, "readings.csv"},
        {folder + "/Console.Csv", folder, "Console.Csv"},
        {folder + "\\COM10.csv. ", folder, "COM10.csv"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logFile);
        UseLog(c.logFile);
        const std::set<std::string> before = FolderFiles(c.folder);
        StartMonitor("HIDE");
        if (c.written.empty()) {
            WaitForTimerCycle();
            WaitForTimerCycle();
            EXPECT_EQ(FolderFiles(c.folder), before);
            // Off for the session: a device's name, once free, is not
            // written either.
            const std::string name = c.logFile.substr(c.logFile.find_last_of("\\/") + 1);
            if (before.count(name)) {
                EXPECT_TRUE(RunHostProgram("Z:\\usr\\bin\\rm", HostPath(c.logFile), c.folder, name, false));
                WaitForTimerCycle();
                WaitForTimerCycle();
                EXPECT_EQ(FolderFiles(c.folder).count(name), 0u) << "logging went on";
            }
            DWORD_PTR result = 0;
            EXPECT_TRUE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result))
                << "the window does not answer";
        } else {
            logPath = c.folder + "\\" + c.written;
            EXPECT_GE(WaitForLineCount(2), 2u) << "no line";
            std::set<std::string> expected = before;
            expected.insert(c.written);
            EXPECT_EQ(FolderFiles(c.folder), expected);
            DeleteFileA(logPath.c_str());
        }
        CloseMonitor();
    }
    EXPECT_EQ(WaitForSingleObject(connection.hEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the pipe was opened";
    CloseHandle(connection.hEvent);
    CloseHandle(pipe);
}

// Another program's file at the log's name or at the ".old" name, with the
// log due for rotation: nothing is written, renamed or replaced, and logging
// ends for the session, so no later interval can touch them.
TEST_F(ReadingLog, AFileThatIsNotALogIsLeftAsItWas)
{
    const std::string folder = ScratchFolder("foreign");
    const std::string foreign = "@ECHO OFF\r\nPATH C:\\DOS;C:\\WINDOWS\r\n" + Padding(17 * 1024);
    const std::string log = LogOfSize(LogHeader(), 16 * 1024 - 40);
    for (const bool foreignOld : {false, true}) {
        SCOPED_TRACE(foreignOld ? "at the .old name" : "at the log's name");
        UseLog(folder + "\\readings.csv", "16");
        const std::map<std::string, std::string> files =
            foreignOld ? std::map<std::string, std::string>{{"readings.csv", log}, {"readings.csv.old", foreign}}
                       : std::map<std::string, std::string>{{"readings.csv", foreign}};
        for (const auto& file : files) WriteToFile(folder + "\\" + file.first, file.second, "wb");
        StartMonitor("HIDE");
        for (int cycle = 0; cycle < 4; ++cycle) WaitForTimerCycle();
        for (const auto& file : files) {
            EXPECT_TRUE(FileText(folder + "\\" + file.first) == file.second) << file.first << " changed";
            DeleteFileA((folder + "\\" + file.first).c_str());
        }
        EXPECT_EQ(FolderFiles(folder), std::set<std::string>()) << "a file was added";
        // Off for the session: not even a free name is written to again.
        WaitForTimerCycle();
        WaitForTimerCycle();
        EXPECT_EQ(FolderFiles(folder), std::set<std::string>()) << "logging went on";
        CloseMonitor();
    }
}

TEST_F(ReadingLog, AMissingFolderOrALockedFileDropsLinesSilentlyUntilItIsWritable)
{
    const std::string folder = ScratchFolder("failing") + "\\later";
    UseLog(folder + "\\readings.csv");
    StartMonitor();
    WaitForTimerCycle();
    WaitForTimerCycle();
    EXPECT_EQ(GetFileAttributesA(logPath.c_str()), INVALID_FILE_ATTRIBUTES);
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
    EXPECT_EQ(lines[0], LogHeader());
    for (size_t i = 1; i < lines.size(); ++i) EXPECT_TRUE(IsWholeDataLine(lines[i])) << i << ": " << lines[i];
    EXPECT_EQ(FileText(logPath).back(), '\n');
}

}  // namespace
