// Prints what one monitoring cycle costs the simulator build of the monitor:
// port accesses (counted by the simulated board) against the least its reads
// need, processor time per 100 cycles, and private memory after 1000 cycles.
// Numbers only; nothing here passes or fails.
#include "tests/e2e/harness.h"

#include <psapi.h>

#include <cstdio>

#include "sim/board_store.h"

namespace {

// Per cycle: bit 7 of 0x14 (read, write), three temperatures, three fan
// counts with the two divisor reads; two port accesses per register access.
constexpr int CycleMinimum = 2 * (2 + 3 + 3 + 2);
constexpr int CaseCheck = 2;

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

void Paint(HWND window)
{
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
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

double ProcessorMs(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& t) { return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4; };
    return ms(kernel) + ms(user);
}

// Wine reports committed private memory as the page-file usage.
size_t PrivateKb(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process, &memory, sizeof memory);
    return memory.PagefileUsage / 1024;
}

}  // namespace

int main()
{
    WriteProfileStringA("Thermivo", "DEFCASE", "1");
    WriteProfileStringA("Thermivo", "FAN0", "1,25,35,45,60,75,90,100,110,90");
    SimBoardInstance();  // this process powers the board up
    Program monitor = StartProgram(BuildPath("monitor\\KelvimonSim.exe"));
    HWND window = WaitForWindow(monitor.pid, "Thermivo", nullptr, 15000);
    if (!window) {
        fprintf(stderr, "the monitor did not start\n");
        return 1;
    }
    Sleep(1500);

    const uint64_t cycle = FewestAccesses([&] { RunCycle(window); });
    const uint64_t paint = FewestAccesses([&] { Paint(window); });
    printf("port accesses per monitoring cycle: %llu (its reads need at least %d, with the case check %d)\n",
           static_cast<unsigned long long>(cycle), CycleMinimum, CycleMinimum + CaseCheck);
    printf("port accesses per panel paint:      %llu (eight voltages, the battery sample, the case flag)\n",
           static_cast<unsigned long long>(paint));

    // 1000 cycles, each with its paint; the clock's granularity is too coarse for 100.
    const size_t privateBefore = PrivateKb(monitor.process);
    const double before = ProcessorMs(monitor.process);
    const DWORD wallBefore = GetTickCount();
    for (int i = 0; i < 1000; ++i) {
        RunCycle(window);
        UpdateWindow(window);
    }
    printf("processor time per 100 cycles with painting: %.1f ms (wall time %lu ms, mostly the 1 ms pauses)\n",
           (ProcessorMs(monitor.process) - before) / 10, (GetTickCount() - wallBefore) / 10);
    printf("private memory: %zu KB before, %zu KB after 1000 cycles\n", privateBefore, PrivateKb(monitor.process));
    EndProgram(monitor);
    return 0;
}
