#include <windows.h>

#include <cstdio>

#include "sim/board_store.h"

// The first process that opens the section powers the board up, from the
// scenario file named by KELVIMON_SCENARIO when there is one; later processes
// wait until it is ready and share it.
namespace {

constexpr const char* SectionName = "KelvimonSimulatedBoard";

void LoadScenarioFile(SimBoard& board, const char* path)
{
    FILE* file = fopen(path, "rb");
    if (!file) {
        fprintf(stderr, "simulated board: cannot open scenario %s\n", path);
        return;
    }
    static char text[16384];
    const size_t length = fread(text, 1, sizeof text - 1, file);
    fclose(file);
    text[length] = '\0';
    char error[200];
    if (!SimApplyScenario(board, text, error, sizeof error)) fprintf(stderr, "simulated board: %s: %s\n", path, error);
}

SimBoard* AttachBoard()
{
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SimBoard), SectionName);
    if (!section) ExitProcess(3);
    const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    auto* board = static_cast<SimBoard*>(MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SimBoard)));
    if (!board) ExitProcess(3);
    if (created) {
        SimResetBoard(*board, GetTickCount());
        char path[MAX_PATH];
        const DWORD length = GetEnvironmentVariableA("KELVIMON_SCENARIO", path, sizeof path);
        if (length > 0 && length < sizeof path) {
            LoadScenarioFile(*board, path);
            board->reg[0x23] = board->voltageRaw[3];
        }
        board->magic = SimBoardMagic;
    } else {
        for (int wait = 0; wait < 5000 && board->magic != SimBoardMagic; ++wait) Sleep(1);
    }
    return board;  // the section stays mapped for the life of the process
}

}  // namespace

SimBoard& SimBoardInstance()
{
    static SimBoard* board = AttachBoard();
    return *board;
}

uint32_t SimNowMs()
{
    return GetTickCount() - SimBoardInstance().epochTick;
}

uint32_t SimAccessSource()
{
    return GetCurrentProcessId();
}

void SimRaiseRequestedFault(SimBoard& board)
{
    if (InterlockedExchange(reinterpret_cast<volatile LONG*>(&board.faultRequested), 0) == 0) return;
    RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
}

void SimRaiseRevokedPortFault(const SimBoard& board)
{
    if (SimPortsRevoked(board, GetCurrentProcessId()))
        RaiseException(EXCEPTION_PRIV_INSTRUCTION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
}
