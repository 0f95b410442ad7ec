// Another program beside the monitor that holds the shared chip lock in the
// worst rhythms: whatever the rhythm, and whether the window is shown, hidden
// or minimised, a hot CPU alarms within six seconds, a watched fan that stops
// raises the stall alarm and one that turns never does.
#include "tests/e2e/monitor_harness.h"

#include <cstdio>
#include <tuple>

namespace {

struct Rhythm {
    const char* name;
    const char* boardctl;  // the neighbour
};

constexpr Rhythm Rhythms[] = {
    {"HeldDuringEveryCycleFreeForAPaint", "rhythm cycles 60000"},
    {"HeldForEver", "hold 60000"},
    {"Held900MsOfEverySecond", "rhythm busy 60000"},
};

enum class Window { Shown, Hidden, Minimised };
constexpr const char* WindowNames[] = {"Shown", "Hidden", "Minimised"};

constexpr uint16_t IndexPort = 0x295, DataPort = 0x296;
constexpr uint8_t FirstTemperatureRegister = 0x29, Fan1CountRegister = 0x0E, StoppedCount = 0xFF;

class Neighbour : public MonitorTest, public ::testing::WithParamInterface<std::tuple<Rhythm, Window>> {
protected:
    // Whether the monitor has read the register with this value since the
    // journal entry `since`.
    bool MonitorRead(uint32_t since, uint8_t reg, uint8_t value)
    {
        SimBoardLock lock(board());
        uint8_t index = 0;
        for (uint32_t i = since; i < SimJournalKept(board()); ++i) {
            const SimPortAccess& a = SimJournalEntry(board(), i);
            if (a.source != monitor.pid) continue;
            if (a.port == IndexPort && a.isWrite) index = a.value;
            if (a.port == DataPort && !a.isWrite && index == reg && a.value == value) return true;
        }
        return false;
    }

    // The longest time the CPU's temperature went unread from the board time
    // fromMs on, counted to the end of the journal.
    uint32_t LongestUnreadMs(uint32_t fromMs)
    {
        SimBoardLock lock(board());
        uint32_t last = fromMs, longest = 0;
        for (uint32_t i = 0; i < SimJournalKept(board()); ++i) {
            const SimPortAccess& a = SimJournalEntry(board(), i);
            if (a.source != monitor.pid || a.port != IndexPort || a.value != FirstTemperatureRegister ||
                static_cast<int32_t>(a.timeMs - fromMs) < 0)
                continue;
            if (a.timeMs - last > longest) longest = a.timeMs - last;
            last = a.timeMs;
        }
        const uint32_t now = SimNowMs();
        return now - last > longest ? now - last : longest;
    }

    // A column of a whole line ("" for a line still being written).
    static std::string Column(const std::string& line, size_t column)
    {
        const std::vector<std::string> fields = Split(line, ",");
        return fields.size() == 21 ? fields[column] : "";
    }

    // The first line from `after` on whose column holds the text; "" when
    // none comes within timeoutMs.
    std::string WaitForColumn(size_t after, size_t column, const char* text, DWORD timeoutMs)
    {
        std::string match;
        WaitUntil(
            [&] {
                const std::vector<std::string> lines = LogLines();
                for (size_t i = after; i < lines.size() && match.empty(); ++i)
                    if (Column(lines[i], column) == text) match = lines[i];
                return !match.empty();
            },
            timeoutMs, 100);
        return match;
    }
};

TEST_P(Neighbour, AHotCpuAlarmsWithinSixSecondsAndOnlyAStoppedWatchedFanStalls)
{
    const Rhythm rhythm = std::get<0>(GetParam());
    const Window shown = std::get<1>(GetParam());
    UseLog(ScratchFolder("log") + "\\readings.csv");
    SetProfileValue("SOUND", "1");
    SetProfileValue("FAN0", "1,25,35,45,60,75,90,100,110,90");      // alarm at 75 C
    SetProfileValue("FAN1", "0,25,35,45,60,75,90,100,110,127,90");  // software mode, full duty
    SetProfileValue("FAN2", "0,25,35,45,60,75,90,100,110,127,90");
    SetProfileValue("FANSTALL", "0,1,1");
    Board("temp0 = 40");
    StartMonitor(shown == Window::Hidden ? "HIDE" : "");
    if (shown == Window::Minimised) SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);

    // Fan 1 reads 0 rpm once, with the lock. The monitor is held still
    // (outside the lock) until the neighbour has the lock, so that no cycle
    // comes between; then the fan turns again and the CPU is hot.
    const uint32_t since = SimJournalKept(board());
    Board("fan1 = stopped");
    ASSERT_TRUE(WaitUntil([&] { return MonitorRead(since, Fan1CountRegister, StoppedCount); }, 3000, 5));
    ASSERT_TRUE(WaitUntil(
        [&] {
            HoldProcess(monitor.pid, true);
            if (!ChipLockTaken()) return true;
            HoldProcess(monitor.pid, false);
            return false;
        },
        3000, 1))
        << "the monitor kept the lock";
    Program neighbour = StartProgram(BuildPath("sim\\boardctl.exe"), rhythm.boardctl);
    const bool neighbourHolds = WaitUntil(ChipLockTaken, 10000);
    Board("fan1 = running\ntemp0 = 95");
    const uint32_t quietTones = ToneCount();  // the monitor is held: no tone begins
    const size_t quietLines = LogLines().size();
    const uint32_t hotMs = SimNowMs();
    const DWORD hot = GetTickCount();
    HoldProcess(monitor.pid, false);
    ASSERT_TRUE(neighbourHolds) << "the neighbour did not take the lock";

    const bool hotAlarm = !WaitForColumn(quietLines, TemperatureAlarmColumn, "1", 6000).empty();
    const DWORD alarmMs = GetTickCount() - hot;
    EXPECT_TRUE(hotAlarm) << "no temperature alarm within 6 s";
    EXPECT_TRUE(WaitUntil([&] { return ToneCount() > quietTones; }, 1000)) << "the alarm is not heard";
    // Long enough for three cycles on the turning fan's old reading.
    ASSERT_TRUE(WaitUntil([&] { return LogLines().size() >= quietLines + 7; }, 12000)) << "no lines";
    const std::vector<std::string> lines = LogLines();
    for (size_t i = quietLines; i < lines.size(); ++i)
        EXPECT_NE(Column(lines[i], FanStallColumn), "1") << "a turning fan stalled: " << lines[i];

    Board("fan2 = stopped");
    const DWORD stopped = GetTickCount();
    const std::string stalled = WaitForColumn(lines.size(), FanStallColumn, "1", 25000);
    const DWORD stallMs = GetTickCount() - stopped;
    EXPECT_FALSE(stalled.empty()) << "the stopped fan raised no stall alarm; last line: " << LogLines().back();
    EXPECT_TRUE(IsRunning(neighbour)) << "the neighbour lost its rhythm";
    printf("%s, %s: temperature alarm after %lu ms, stall alarm after %lu ms; the CPU's temperature went unread "
           "for at most %u ms\n",
           rhythm.name, WindowNames[static_cast<int>(shown)], static_cast<unsigned long>(alarmMs),
           static_cast<unsigned long>(stallMs), LongestUnreadMs(hotMs));
    EndProgram(neighbour);
}

INSTANTIATE_TEST_SUITE_P(Rhythms, Neighbour,
                         ::testing::Combine(::testing::ValuesIn(Rhythms),
                                            ::testing::Values(Window::Shown, Window::Hidden, Window::Minimised)),
                         [](const ::testing::TestParamInfo<std::tuple<Rhythm, Window>>& param) {
                             return std::string(std::get<0>(param.param).name) +
                                    WindowNames[static_cast<int>(std::get<1>(param.param))];
                         });

}  // namespace
