// A soak of the simulator build of the monitor: 1,000 suspend/resume pairs,
// 1,000 openings and closings of the Options sheet and 100,000 monitoring
// cycles with alarms coming and going; private memory and handles after each
// against the start. Numbers only; nothing here passes or fails.
#include "tests/e2e/harness.h"

#include <prsht.h>
#include <psapi.h>

#include <cstdio>
#include <vector>

#include "sim/board_store.h"
#include "tests/e2e/monitor_harness.h"

namespace {

constexpr int Cycles = 100000;
constexpr int CyclesPerAlarmChange = 50;
constexpr int SheetOpenings = 1000;
constexpr int PowerPairs = 1000;

struct Usage {
    unsigned long privateKb;
    unsigned long handles;
};

// Wine answers GetProcessHandleCount for another process with 0; the
// system's handle list, which it keeps, has the owner of every handle.
struct SystemHandle {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ACCESS_MASK access;
};
struct SystemHandleList {
    ULONG count;
    SystemHandle handle[1];
};
constexpr ULONG SystemHandleInformationClass = 16;
constexpr LONG StatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

unsigned long HandlesOf(DWORD pid)
{
    using QueryFunction = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    static const auto query = reinterpret_cast<QueryFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    static std::vector<uint8_t> buffer(1 << 20);
    LONG status;
    while ((status = query(SystemHandleInformationClass, buffer.data(), static_cast<ULONG>(buffer.size()), nullptr)) ==
           StatusInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0) return 0;
    const auto* list = reinterpret_cast<const SystemHandleList*>(buffer.data());
    unsigned long count = 0;
    for (ULONG i = 0; i < list->count; ++i)
        if (list->handle[i].ownerPid == pid) ++count;
    return count;
}

// Wine reports committed private memory as the page-file usage.
Usage UsageOf(const Program& program)
{
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(program.process, &memory, sizeof memory);
    return {static_cast<unsigned long>(memory.PagefileUsage / 1024), HandlesOf(program.pid)};
}

void Report(const char* phase, const Usage& start, const Usage& now, DWORD ms)
{
    printf("%-34s private memory %6lu KB (start %lu KB, %+ld KB), handles %4lu (start %lu, %+ld), %lu s\n", phase,
           now.privateKb, start.privateKb, static_cast<long>(now.privateKb) - static_cast<long>(start.privateKb),
           now.handles, start.handles, static_cast<long>(now.handles) - static_cast<long>(start.handles),
           static_cast<unsigned long>(ms / 1000));
    fflush(stdout);
}

void SetTemperature(int celsius)
{
    char line[32];
    snprintf(line, sizeof line, "temp0 = %d", celsius);
    SimBoard& board = SimBoardInstance();
    SimBoardLock lock(board);
    char error[80];
    SimApplyScenario(board, line, error, sizeof error);
}

bool OpenAndCloseOptions(const Program& monitor, HWND window)
{
    PostMessageA(window, WM_LBUTTONDOWN, 0, MAKELPARAM(200, 380));
    HWND sheet = WaitForDialog(monitor.pid, "Option", 10000);
    if (!sheet) return false;
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    return WaitUntil([&] { return !IsWindow(sheet); }, 10000, 2);
}

}  // namespace

int main()
{
    WriteProfileStringA("Thermivo", "FAN0", "1,25,35,45,60,75,90,100,110,90");
    WriteProfileStringA("Thermivo", "VOLTBASE", BoardBases);
    WriteProfileStringA("Thermivo", "SOUND", "1");
    SimBoardInstance();  // this process powers the board up
    SetTemperature(40);
    Program monitor;
    HWND window = StartSimulatedMonitor(monitor);
    if (!window) return 1;
    Sleep(1500);
    const Usage start = UsageOf(monitor);
    Report("start", start, start, 0);

    // The short phases first, so that their figures stand even if the long one is cut short.
    DWORD began = GetTickCount();
    for (int i = 0; i < PowerPairs; ++i) {
        SendMessageA(window, WM_POWER, PWR_SUSPENDREQUEST, 0);
        SendMessageA(window, WM_POWER, PWR_SUSPENDRESUME, 0);
    }
    Report("after 1000 suspend/resume pairs", start, UsageOf(monitor), GetTickCount() - began);

    began = GetTickCount();
    int opened = 0;
    char phase[64];
    // Figures along the way tell growth that levels off from a leak.
    for (int i = 0; i < SheetOpenings; ++i) {
        opened += OpenAndCloseOptions(monitor, window) ? 1 : 0;
        if ((i + 1) % 250 == 0) {
            snprintf(phase, sizeof phase, "after %d Options sheets", opened);
            Report(phase, start, UsageOf(monitor), GetTickCount() - began);
        }
    }

    began = GetTickCount();
    for (int i = 0; i < Cycles; ++i) {
        // 75 is the Over limit of the installer's curve: an alarm every other stretch.
        if (i % CyclesPerAlarmChange == 0) SetTemperature((i / CyclesPerAlarmChange) % 2 ? 90 : 40);
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, WM_TIMER, 100, 0, SMTO_NORMAL, 5000, &result);
        UpdateWindow(window);
        if ((i + 1) % 10000 == 0) {
            snprintf(phase, sizeof phase, "after %d cycles", i + 1);
            Report(phase, start, UsageOf(monitor), GetTickCount() - began);
        }
    }
    EndProgram(monitor);
    return 0;
}
