// boardctl: looks at and changes the simulated board while the simulator
// build of the monitor runs (under the same Wine prefix).
//
//   boardctl status                 readings, fan outputs, case, speaker
//   boardctl set LINE...            scenario lines, e.g. temp0=80 fan1=stopped case=open volt1=10.5
//   boardctl load FILE              a whole scenario file
//   boardctl reg HEX [VALUE]        read or write one register directly
//   boardctl tones                  the speaker's tone log
//   boardctl journal [N]            the last N port accesses (default 40)
//   boardctl hold MS                holds the programs' shared chip lock for MS milliseconds
//   boardctl hammer N               N slow register reads through the ports, each under that lock
//   boardctl rhythm cycles MS       holds that lock during every monitoring cycle, free for a paint between
//   boardctl rhythm busy MS         holds it 900 ms of every second, the monitoring cycles among them
//   boardctl fault                  the monitor's next port read raises an access violation
#include <windows.h>

#include <cstdio>

#include "monitor/hw/chip_mutex.h"
#include "monitor/hw/port_io.h"
#include "sim/board_store.h"
#include "sim/boardctl_args.h"

namespace {

// The board's own numbers, independent of the monitor's register map.
constexpr uint16_t BoardIndexPort = 0x295;
constexpr uint16_t BoardDataPort = 0x296;
constexpr uint8_t FirstTemperatureRegister = 0x29;
constexpr DWORD LockWaitMs = 10000;

int Usage()
{
    fprintf(stderr,
            "usage: boardctl status | set LINE... | load FILE | reg HEX [VALUE] | tones | journal [N]\n"
            "                hold MS | hammer N | rhythm cycles|busy MS | fault\n"
            "scenario lines: temp<n>=C [swing period], fan<n>=rpm|stopped|running, fan<n>.count=N|auto,\n"
            "                volt<n>=V, volt<n>.raw=N, noise=0|1, case=open|closed,\n"
            "                driver=running|stopped|absent, reg<hex>=value\n");
    return 2;
}

void PrintStatus(SimBoard& board)
{
    const uint32_t now = SimNowMs();
    printf("time %u ms, %llu port accesses\n", now, static_cast<unsigned long long>(board.accessCount));
    for (int i = 0; i < 3; ++i)
        printf("temperature input %d (reg %02X): %d C\n", i, 0x29 + i, SimTemperatureAt(board, i, now));
    for (int n = 0; n < 3; ++n) {
        const uint8_t control = board.reg[0x15 + n];
        const char* mode = !(board.reg[0x13] & (1 << n)) ? "full speed"
                           : (control & 0x80)           ? "automatic"
                                                        : "software";
        printf("fan %d: %-10s control %02X duty %3d/127  %5d rpm  count %3u%s\n", n, mode, control,
               SimFanDuty(board, n, now), SimFanRpm(board, n, now), SimFanCount(board, n, now),
               board.fan[n].stopped ? "  (stopped)" : "");
    }
    for (int k = 0; k < 8; ++k) {
        const uint8_t raw = k == 3 ? board.reg[0x23] : SimVoltageReading(board, k, now);
        printf("voltage %d (reg %02X): raw %3u = %7.3f V\n", k, 0x20 + k, raw, SimVoltsFromRaw(k, raw));
    }
    static constexpr const char* DriverStates[] = {"running", "stopped", "absent"};
    printf("case %s, latch %s; driver %s; super I/O %s\n", board.caseOpen ? "open" : "closed",
           (board.reg[0x01] & 0x10) ? "set" : "clear", DriverStates[board.driverState % 3],
           board.superIoConfigMode ? "in configuration mode" : "locked");
    printf("fan control 13..17: %02X %02X %02X %02X %02X\n", board.reg[0x13], board.reg[0x14], board.reg[0x15],
           board.reg[0x16], board.reg[0x17]);
    printf("speaker %s, %u tones logged\n", SimSpeakerSounding(board) ? "sounding" : "silent", board.toneCount);
}

void PrintTones(const SimBoard& board)
{
    const uint32_t first = board.toneCount > SimToneLogSize ? board.toneCount - SimToneLogSize : 0;
    for (uint32_t i = first; i < board.toneCount; ++i) {
        const SimTone& t = board.tone[i % SimToneLogSize];
        if (t.endMs == SimToneSounding)
            printf("%u Hz from %u ms, sounding\n", t.frequencyHz, t.startMs);
        else
            printf("%u Hz from %u ms to %u ms (%u ms)\n", t.frequencyHz, t.startMs, t.endMs, t.endMs - t.startMs);
    }
}

void PrintJournal(const SimBoard& board, uint32_t count)
{
    const uint32_t kept = SimJournalKept(board);
    for (uint32_t i = kept > count ? kept - count : 0; i < kept; ++i) {
        const SimPortAccess& a = SimJournalEntry(board, i);
        printf("%8u ms  %s %03X %02X\n", a.timeMs, a.isWrite ? "out" : "in ", a.port, a.value);
    }
}

int ApplyText(SimBoard& board, const char* text)
{
    char error[200];
    SimBoardLock lock(board);
    if (SimApplyScenario(board, text, error, sizeof error)) return 0;
    fprintf(stderr, "boardctl: %s\n", error);
    return 1;
}

int LoadFile(SimBoard& board, const char* path)
{
    FILE* file = fopen(path, "rb");
    if (!file) {
        fprintf(stderr, "boardctl: cannot open %s\n", path);
        return 1;
    }
    static char text[16384];
    const size_t length = fread(text, 1, sizeof text - 1, file);
    fclose(file);
    text[length] = '\0';
    return ApplyText(board, text);
}

// The shared lock, taken the way the monitor takes it; null, said on
// stderr, when it cannot be had.
HANDLE TakeChipLock(const char* how, uint32_t milliseconds)
{
    HANDLE mutex = OpenSuperIoMutex();
    if (!mutex || !AcquireSuperIoMutex(mutex, LockWaitMs)) {
        fprintf(stderr, "boardctl: cannot take the chip lock\n");
        return nullptr;
    }
    printf("holding the chip lock%s for %u ms\n", how, milliseconds);
    fflush(stdout);
    return mutex;
}

// Another program that uses the chip: it takes the shared lock the way the
// monitor does, so a test can watch the monitor wait and recover.
int HoldChip(uint32_t milliseconds)
{
    HANDLE mutex = TakeChipLock("", milliseconds);
    if (!mutex) return 1;
    Sleep(milliseconds);
    ReleaseMutex(mutex);
    return 0;
}

// Reads the three temperature registers in turn, each index/data pair under
// the shared lock, through the same port door as the monitor. Each pair is
// held open for a millisecond, as a slow bus would, so that a program that
// ignored the lock would land between index and data.
int HammerChip(uint32_t reads)
{
    HANDLE mutex = OpenSuperIoMutex();
    if (!mutex) {
        fprintf(stderr, "boardctl: cannot open the chip lock\n");
        return 1;
    }
    for (uint32_t i = 0; i < reads; ++i) {
        if (!AcquireSuperIoMutex(mutex, LockWaitMs)) {
            fprintf(stderr, "boardctl: the chip lock stayed taken\n");
            return 1;
        }
        PortOut8(BoardIndexPort, static_cast<uint8_t>(FirstTemperatureRegister + i % 3));
        Sleep(1);
        PortIn8(BoardDataPort);
        ReleaseMutex(mutex);
    }
    return 0;
}

// When another program last began a monitoring cycle: its latest read of a
// temperature register, which only a cycle reads. False when none is kept.
bool LatestCycle(SimBoard& board, uint32_t* cycleMs)
{
    SimBoardLock lock(board);
    const uint32_t self = SimAccessSource();
    for (uint32_t i = SimJournalKept(board); i-- > 0;) {
        const SimPortAccess& a = SimJournalEntry(board, i);
        if (a.source != self && a.port == BoardIndexPort && a.isWrite && a.value >= FirstTemperatureRegister &&
            a.value < FirstTemperatureRegister + 3) {
            *cycleMs = a.timeMs;
            return true;
        }
    }
    return false;
}

// The time of another program's latest chip access, and how many it made
// since sinceMs.
uint32_t ChipAccessesSince(SimBoard& board, uint32_t sinceMs, uint32_t* latestMs)
{
    SimBoardLock lock(board);
    const uint32_t self = SimAccessSource();
    uint32_t count = 0;
    for (uint32_t i = SimJournalKept(board); i-- > 0;) {
        const SimPortAccess& a = SimJournalEntry(board, i);
        if (static_cast<int32_t>(a.timeMs - sinceMs) < 0) break;
        if (a.source == self || (a.port != BoardIndexPort && a.port != BoardDataPort)) continue;
        if (count++ == 0) *latestMs = a.timeMs;
    }
    return count;
}

// Lets the lock go and asks the monitor for a paint, until that paint has
// read the chip (or did not come: the window is hidden or minimised).
void LetGoForAPaint(SimBoard& board, HANDLE mutex)
{
    ReleaseMutex(mutex);
    const uint32_t released = SimNowMs();
    if (HWND monitor = FindWindowA("Thermivo", nullptr)) InvalidateRect(monitor, nullptr, FALSE);
    constexpr uint32_t LongestPaintWaitMs = 150, QuietMs = 20;
    for (;;) {
        Sleep(2);
        uint32_t latest = released;
        const bool read = ChipAccessesSince(board, released, &latest) > 0;
        const uint32_t now = SimNowMs();
        if ((read && now - latest >= QuietMs) || now - released >= LongestPaintWaitMs) break;
    }
}

// Another program that keeps the chip in the worst rhythms for the monitor,
// for milliseconds. The monitor's cycles come once a second; the lock is let
// go only between them, half a second after one: for a paint that boardctl
// asks for itself (cycles), or for 100 ms (busy). Cycles that read the chip
// anyway show where the monitor's timer has moved.
int HoldChipInRhythm(SimBoard& board, BoardctlRhythmKind rhythm, uint32_t milliseconds)
{
    uint32_t cycleMs = SimNowMs();
    LatestCycle(board, &cycleMs);
    HANDLE mutex = TakeChipLock(" in a rhythm", milliseconds);
    if (!mutex) return 1;
    constexpr uint32_t BusyFreeMs = 100;
    const uint32_t freeAfterCycleMs = rhythm == RhythmBusy ? 500 - BusyFreeMs / 2 : 500;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        const uint32_t now = SimNowMs();
        while (static_cast<int32_t>(now - (cycleMs + freeAfterCycleMs)) > 0) cycleMs += 1000;
        Sleep(cycleMs + freeAfterCycleMs - now);
        if (rhythm == RhythmBusy) {
            ReleaseMutex(mutex);
            Sleep(BusyFreeMs);
        } else {
            LetGoForAPaint(board, mutex);
        }
        uint32_t latest = 0;
        if (LatestCycle(board, &latest) && static_cast<int32_t>(latest - cycleMs) > 0) cycleMs = latest;
        if (!AcquireSuperIoMutex(mutex, LockWaitMs)) {
            fprintf(stderr, "boardctl: the chip lock stayed taken\n");
            return 1;
        }
    }
    ReleaseMutex(mutex);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    BoardctlCommand command;
    if (!ParseBoardctlArguments(argc, argv, command)) return Usage();
    HANDLE existing = OpenFileMappingA(FILE_MAP_READ, FALSE, "KelvimonSimulatedBoard");
    if (existing)
        CloseHandle(existing);
    else
        fprintf(stderr, "boardctl: no running program holds the simulated board; this board ends with boardctl\n");

    SimBoard& board = SimBoardInstance();
    switch (command.action) {
    case BoardctlStatus: {
        SimBoardLock lock(board);
        PrintStatus(board);
        return 0;
    }
    case BoardctlSet:
        for (int i = command.firstText; i < argc; ++i)
            if (ApplyText(board, argv[i]) != 0) return 1;
        return 0;
    case BoardctlLoad: return LoadFile(board, argv[command.firstText]);
    case BoardctlReg: {
        SimBoardLock lock(board);
        if (command.writeValue) board.reg[command.reg] = command.value;
        printf("%02X = %02X\n", command.reg, board.reg[command.reg]);
        return 0;
    }
    case BoardctlTones: {
        SimBoardLock lock(board);
        PrintTones(board);
        return 0;
    }
    case BoardctlJournal: {
        SimBoardLock lock(board);
        PrintJournal(board, command.count);
        return 0;
    }
    case BoardctlHold: return HoldChip(command.count);
    case BoardctlHammer: return HammerChip(command.count);
    case BoardctlRhythm: return HoldChipInRhythm(board, command.rhythm, command.count);
    case BoardctlFault:
        InterlockedExchange(reinterpret_cast<volatile LONG*>(&board.faultRequested), 1);
        return 0;
    }
    return Usage();
}
