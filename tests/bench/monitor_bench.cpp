// Prints what one monitoring cycle costs the simulator build of the monitor:
// port accesses (counted by the simulated board) against the least its reads
// need, processor time per 100 cycles, private memory after 1000 cycles,
// processor time over a quiet minute with the warning sound enabled, and over
// a minute with a reading-log line every second against none.
// Numbers only; nothing here passes or fails.
#include "tests/e2e/harness.h"

#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "sim/board_store.h"
#include "tests/e2e/monitor_harness.h"

namespace {

// Per cycle: bit 7 of 0x14 (read, write), three temperatures, three fan
// counts with the two divisor reads; two port accesses per register access.
constexpr int CycleMinimum = 2 * (2 + 3 + 3 + 2);
constexpr int CaseCheck = 2;
// A cycle of a hidden window reads the shown rails itself: eight inputs and
// the battery sample's read-modify-write.
constexpr int RailReads = 2 * (8 + 2);

uint64_t Accesses()
{
    SimBoard& board = SimBoardInstance();
    SimBoardLock lock(board);
    return board.accessCount;
}

void RunCycle(HWND window)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_TIMER, 100, 0, SMTO_NORMAL, 5000, &result);
}

// A cycle and the paint it asks for, which the monitor runs once its queue
// is empty: waits until the accesses of both have happened.
void RunCycleAndPaint(HWND window, uint64_t accessesOfBoth)
{
    const uint64_t before = Accesses();
    RunCycle(window);
    const DWORD start = GetTickCount();
    while (Accesses() - before < accessesOfBoth && GetTickCount() - start < 1000) Sleep(1);
}

// The fewest accesses seen over several tries, so that a cycle of the
// monitor's own timer falling in between does not count.
uint64_t FewestAccesses(const std::function<void()>& action)
{
    uint64_t fewest = ~0ull;
    for (int i = 0; i < 20; ++i) {
        const uint64_t before = Accesses();
        action();
        const uint64_t used = Accesses() - before;
        if (used < fewest) fewest = used;
    }
    return fewest;
}

// Wine reports committed private memory as the page-file usage.
size_t PrivateKb(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process, &memory, sizeof memory);
    return memory.PagefileUsage / 1024;
}

constexpr int LogSeconds = 60;

// Processor time of a monitor started with the given log (none when null),
// over LogSeconds on its own timer; -1 when it did not start.
double ProcessorMsOnItsOwn(const char* logPath)
{
    WriteProfileStringA("Thermivo", "LOGFILE", logPath);
    WriteProfileStringA("Thermivo", "LOGINTERVAL", logPath ? "1" : nullptr);
    Program monitor = StartProgram(BuildPath("monitor\\KelvimonSim.exe"));
    double used = -1;
    if (WaitForWindow(monitor.pid, "Thermivo", nullptr, 15000)) {
        Sleep(1500);
        const double before = ThreadsProcessorMs(monitor.pid);
        Sleep(LogSeconds * 1000);
        used = ThreadsProcessorMs(monitor.pid) - before;
    }
    EndProgram(monitor);
    WriteProfileStringA("Thermivo", "LOGFILE", nullptr);
    return used;
}

int CountLines(const char* path)
{
    FILE* file = fopen(path, "rb");
    if (!file) return 0;
    int lines = 0;
    for (int c; (c = fgetc(file)) != EOF;)
        if (c == '\n') ++lines;
    fclose(file);
    return lines;
}

}  // namespace

int main()
{
    WriteProfileStringA("Thermivo", "DEFCASE", "1");
    WriteProfileStringA("Thermivo", "FAN0", "1,25,35,45,60,75,90,100,110,90");
    WriteProfileStringA("Thermivo", "VOLTBASE", BoardBases);  // no voltage alarm
    WriteProfileStringA("Thermivo", "SOUND", "1");
    SimBoardInstance();  // this process powers the board up
    Program monitor;
    HWND window = StartSimulatedMonitor(monitor);
    if (!window) return 1;
    Sleep(1500);

    // Another process cannot paint the window for sure just once (the
    // monitor may paint on its own before a sent WM_PAINT arrives), so a
    // paint is what a cycle with its paint takes beyond the cycle.
    const uint64_t cycle = FewestAccesses([&] { RunCycle(window); });
    const uint64_t cycleAndPaint = FewestAccesses([&] {
        RunCycle(window);
        Sleep(300);
    });
    const uint64_t paint = cycleAndPaint - cycle;
    printf("port accesses per monitoring cycle: %llu (its reads need at least %d, with the case check %d)\n",
           static_cast<unsigned long long>(cycle), CycleMinimum, CycleMinimum + CaseCheck);
    printf("port accesses per panel paint:      %llu (eight voltages, the battery sample, the case flag)\n",
           static_cast<unsigned long long>(paint));
    ShowWindow(window, SW_HIDE);
    const uint64_t hiddenCycle = FewestAccesses([&] { RunCycle(window); });
    ShowWindow(window, SW_SHOW);
    printf("port accesses per cycle while hidden: %llu (at least %d: the case check and the eight rails)\n",
           static_cast<unsigned long long>(hiddenCycle), CycleMinimum + CaseCheck + RailReads);

    // 1000 cycles, each with its paint; the clock's granularity is too coarse for 100.
    const size_t privateBefore = PrivateKb(monitor.process);
    const double before = ThreadsProcessorMs(monitor.pid);
    const DWORD wallBefore = GetTickCount();
    for (int i = 0; i < 1000; ++i) {
        RunCycleAndPaint(window, cycleAndPaint);
    }
    printf("processor time per 100 cycles with painting: %.1f ms (wall time %lu ms, mostly the 1 ms pauses)\n",
           (ThreadsProcessorMs(monitor.pid) - before) / 10, (GetTickCount() - wallBefore) / 10);
    printf("private memory: %zu KB before, %zu KB after 1000 cycles\n", privateBefore, PrivateKb(monitor.process));

    // A quiet minute on the monitor's own timer, the sound worker waiting.
    const DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
    const uint32_t tonesBefore = SimBoardInstance().toneCount;
    const double minuteBefore = ThreadsProcessorMs(monitor.pid);
    const double othersBefore = ThreadsProcessorMs(monitor.pid, windowThread);
    Sleep(60000);
    printf("processor time over 60 s with sound enabled and no alarm: %.1f ms, of it %.1f ms outside the window's "
           "thread (%u tones)\n",
           ThreadsProcessorMs(monitor.pid) - minuteBefore, ThreadsProcessorMs(monitor.pid, windowThread) - othersBefore,
           SimBoardInstance().toneCount - tonesBefore);
    EndProgram(monitor);

    // The reading log's cost: the same quiet time on the monitor's own
    // timer, without a log and with a line every second.
    WriteProfileStringA("Thermivo", "SOUND", "0");
    const double withoutLog = ProcessorMsOnItsOwn(nullptr);
    char logPath[MAX_PATH];
    GetTempPathA(sizeof logPath, logPath);
    strncat(logPath, "kelvimon-bench.csv", sizeof logPath - strlen(logPath) - 1);
    DeleteFileA(logPath);
    const double withLog = ProcessorMsOnItsOwn(logPath);
    printf("processor time over %d s without the reading log: %.1f ms, with a line every second: %.1f ms "
           "(%d lines)\n",
           LogSeconds, withoutLog, withLog, CountLines(logPath) - 1);
    DeleteFileA(logPath);
    return 0;
}
