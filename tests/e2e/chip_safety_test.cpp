// Sharing the chip with other programs, and what a crash of the monitor
// leaves behind, on the shared simulated board.
#include "tests/e2e/monitor_harness.h"

#include <tlhelp32.h>

#include <vector>

namespace {

std::vector<DWORD> ChildProcesses(DWORD pid)
{
    std::vector<DWORD> children;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return children;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (bool more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == pid) children.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return children;
}

uint32_t PortAccessesBy(SimBoard& board, DWORD pid)
{
    SimBoardLock lock(board);
    uint32_t count = 0;
    for (uint32_t i = 0; i < SimJournalKept(board); ++i)
        if (SimJournalEntry(board, i).source == pid) ++count;
    return count;
}

TEST_F(MonitorTest, WhileAnotherProgramHoldsTheChipTheReadingsStayAndComeBackAfter)
{
    SetProfileValue("FANONOF", "1,0,0,1,1,1");
    Board("temp0 = 45\nfan0.count = 135");
    StartMonitor();
    SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    RunCycle();
    ASSERT_EQ(WindowText(window), "CPU T=45C F=5000");

    Program holder = StartProgram(BuildPath("sim\\boardctl.exe"), "hold 4000");
    ASSERT_TRUE(WaitUntil(ChipLockTaken, 5000)) << "boardctl did not take the lock";
    Board("temp0 = 60");
    const uint32_t accessesBefore = PortAccessesBy(board(), monitor.pid);
    for (int i = 0; i < 5; ++i) {
        const DWORD start = GetTickCount();
        PostMessageA(window, WM_TIMER, 100, 0);
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result));
        EXPECT_LT(GetTickCount() - start, 1000u) << "a cycle waits only briefly for the chip";
    }
    EXPECT_TRUE(ChipLockTaken()) << "the hold outlasted the cycles";
    EXPECT_EQ(PortAccessesBy(board(), monitor.pid), accessesBefore) << "no port touched while the chip is held";
    EXPECT_EQ(WindowText(window), "CPU T=45C F=5000") << "the previous readings stay";

    ASSERT_TRUE(WaitForExit(holder, 10000));
    EndProgram(holder);
    RunCycle();
    EXPECT_EQ(WindowText(window), "CPU T=60C F=5000");
}

// Started while another program holds the chip, the monitor's first paint
// reads no rail: a rail never read is not judged, so no alarm follows.
TEST_F(MonitorTest, RailsNotReadYetRaiseNoAlarm)
{
    SetProfileValue("SOUND", "1");
    Program holder = StartProgram(BuildPath("sim\\boardctl.exe"), "hold 40000");
    ASSERT_TRUE(WaitUntil(ChipLockTaken, 5000)) << "boardctl did not take the lock";
    monitor = StartProgram(ProgramPath("monitor\\KelvimonSim.exe"));
    // Each step of the start waits a second for the lock, then goes ahead.
    window = WaitForWindow(monitor.pid, "Thermivo", nullptr, 15000);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return (board().reg[0x13] & 0x07) == 0x07; }, 30000)) << "the fans were not programmed";
    for (int i = 0; i < 3; ++i) {
        PostMessageA(window, WM_TIMER, 100, 0);
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result));
    }
    EXPECT_FALSE(WaitUntil([&] { return ToneCount() > 0; }, 1000)) << "an alarm from rails that were never read";
    EXPECT_TRUE(ChipLockTaken()) << "the hold outlasted the cycles";
    TerminateProcess(holder.process, 1);
    ASSERT_TRUE(WaitForExit(holder, 5000));
    EndProgram(holder);
}

TEST_F(MonitorTest, ChipLockLeftByAProgramThatDiedIsTakenOver)
{
    SetProfileValue("FANONOF", "1,0,0,1,1,1");
    Board("temp0 = 45\nfan0.count = 135");
    StartMonitor();
    SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    Program holder = StartProgram(BuildPath("sim\\boardctl.exe"), "hold 60000");
    ASSERT_TRUE(WaitUntil(ChipLockTaken, 5000)) << "boardctl did not take the lock";
    TerminateProcess(holder.process, 1);
    ASSERT_TRUE(WaitForExit(holder, 5000));
    EndProgram(holder);
    Board("temp0 = 52");
    RunCycle();
    EXPECT_EQ(WindowText(window), "CPU T=52C F=5000");
}

TEST_F(MonitorTest, TwoProgramsHammeringTheChipNeverSplitAnIndexFromItsData)
{
    StartMonitor();
    Program hammer = StartProgram(BuildPath("sim\\boardctl.exe"), "hammer 500");
    while (IsRunning(hammer)) {
        PostMessageA(window, WM_TIMER, 100, 0);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE);
        Sleep(2);
    }
    DWORD exitCode = 99;
    ASSERT_TRUE(WaitForExit(hammer, 10000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);

    SimBoard& b = board();
    SimBoardLock lock(b);
    uint32_t indexSource = 0;
    bool indexSeen = false;
    int switches = 0;
    uint32_t previousSource = 0;
    for (uint32_t i = 0; i < SimJournalKept(b); ++i) {
        const SimPortAccess& a = SimJournalEntry(b, i);
        if (a.port != 0x295 && a.port != 0x296) continue;
        if (a.source != previousSource) ++switches;
        previousSource = a.source;
        if (a.port == 0x295 && a.isWrite) {
            indexSource = a.source;
            indexSeen = true;
        } else if (a.port == 0x296 && indexSeen) {
            ASSERT_EQ(a.source, indexSource) << "journal entry " << i << ": a data access after another's index";
        }
    }
    EXPECT_GT(switches, 10) << "both programs used the chip in turns";
}

// The crash comes while the sound worker plays the alarm tune, which may hold
// locks of the sound library: the process must still end, at once.
TEST_F(MonitorTest, CrashInsideTheTuneGivesTheBoardBackSilencesTheSpeakerAndEndsAtOnce)
{
    SetProfileValue("FAN0", InstallerFan);  // alarm above 75 C
    SetProfileValue("FAN1", "0,25,35,45,60,75,90,100,110,20");
    SetProfileValue("SOUND", "1");
    Board("temp0 = 80");
    // Hidden, so that no paint reads the chip: Wine delivers a paint through
    // a kernel callback and swallows a fault inside it, which would then
    // never reach the guard.
    StartMonitor("HIDE");
    EXPECT_EQ(board().reg[0x15], 0x80);
    EXPECT_EQ(board().reg[0x16], 20);
    // The fault is asked for just after a note began, so that the tune is
    // under way when a port read raises it; as "boardctl fault" does, which
    // would take longer than a note to start.
    bool requested = false;
    for (int attempt = 0; attempt < 10 && !requested; ++attempt) {
        WaitForTimerCycle();
        const uint32_t tones = ToneCount();
        if (WaitUntil([&] { return ToneCount() > tones; }, 400, 1)) {
            InterlockedExchange(reinterpret_cast<volatile LONG*>(&board().faultRequested), 1);
            requested = true;
        }
    }
    ASSERT_TRUE(requested) << "no note began between two cycles";
    ASSERT_TRUE(WaitUntil([&] { return board().faultRequested == 0; }, 5000, 1)) << "no port read faulted";
    // The system's crash handling would start a program of its own (a crash
    // reporter or debugger) for the monitor; the guard ends the monitor first.
    bool reporterStarted = false;
    WaitUntil(
        [&] {
            reporterStarted = reporterStarted || !ChildProcesses(monitor.pid).empty();
            return !IsRunning(monitor);
        },
        2000, 5);
    DWORD exitCode = 0;
    ASSERT_TRUE(WaitForExit(monitor, 0, &exitCode)) << "the monitor did not end within 2 s of its crash";
    EXPECT_FALSE(reporterStarted) << "the system's crash handling ran";
    EXPECT_EQ(exitCode, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    const uint8_t* r = board().reg;
    EXPECT_EQ(std::vector<int>(r + 0x13, r + 0x18), (std::vector<int>{0x03, 0x05, 0x50, 0x60, 0x3C}));
    EXPECT_EQ(board().port61 & 0x03, 0) << "the speaker is silent";
}

}  // namespace
