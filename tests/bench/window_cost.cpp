// Starts a window program and prints what the script that measures it
// cannot see from outside, for scripts/bench.sh, which runs it side by side
// (the monitor, a yardstick window program and an idle prefix, each in a
// Wine prefix of its own) and reads the processor time of all from the host
// meanwhile:
//   first_paint_ms  from the start of the process until its client area
//                   shows the panel's title band (both draw the same
//                   background bitmap there): the median of five starts,
//                   each closed the way the user does but the last
//   private_kb, working_set_kb  when the script has measured: once the
//                   STOP-FILE exists; then the program is ended.
// Usage: window_cost PROGRAM CLASS GO-FILE STOP-FILE [shown|hidden [ARGUMENT]]
//        window_cost idle GO-FILE STOP-FILE
// It brings up the prefix's desktop first and starts the program (with the
// ARGUMENT as its command line) once the GO-FILE exists, so that the script
// can place the desktops side by side on the display and start the programs
// together; "hidden" hides the last start's window once it has painted, as
// the monitor's Hide button does. "idle" starts nothing: its prefix, with
// the desktop and this program waiting, is the one whose server time the
// others' is measured against.
#include "tests/e2e/harness.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int BackgroundBitmapId = 1405;
constexpr int TitleBandTop = 6, TitleBandHeight = 74, PanelWidth = 400;
double NowMs()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Started {
    Program program;
    HWND window = nullptr;
    double firstPaintMs = 0;
};

bool StartUntilPainted(const std::string& path, const std::string& argument, const char* className,
                       const Pixels& background, Started* started)
{
    std::string commandLine = "\"" + path + "\"";
    if (!argument.empty()) commandLine += " " + argument;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    const double start = NowMs();
    if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        fprintf(stderr, "cannot start %s: error %lu\n", path.c_str(), GetLastError());
        return false;
    }
    CloseHandle(info.hThread);
    started->program.process = info.hProcess;
    started->program.pid = info.dwProcessId;
    HWND& window = started->window;
    const bool painted = WaitUntil(
        [&] {
            if (!window) window = FindProcessWindow(info.dwProcessId, className, nullptr);
            return window && BlocksEqual(CaptureClient(window), 0, TitleBandTop, background, 0, TitleBandTop,
                                         PanelWidth, TitleBandHeight);
        },
        60000, 1);
    started->firstPaintMs = NowMs() - start;
    if (!painted) fprintf(stderr, "%s showed no panel\n", path.c_str());
    return painted;
}

// Polls for a file the script creates; the wait for the end of a measurement
// polls seldom, so that it adds little to what its prefix's server does.
void WaitForFile(const char* path, DWORD pollMs)
{
    WaitUntil([&] { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }, 30 * 60 * 1000, pollMs);
}
constexpr DWORD GoPollMs = 5, StopPollMs = 1000;

// Wine ends a desktop shortly after its last window closes; this hidden
// window brings it up now and keeps it between the starts.
void BringUpDesktop()
{
    CreateWindowExA(0, "STATIC", "window_cost", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    printf("desktop_ready=1\n");
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && strcmp(argv[1], "idle") == 0) {
        BringUpDesktop();
        WaitForFile(argv[2], GoPollMs);
        WaitForFile(argv[3], StopPollMs);
        return 0;
    }
    if (argc < 5 || argc > 7 || (argc >= 6 && strcmp(argv[5], "shown") != 0 && strcmp(argv[5], "hidden") != 0)) {
        fprintf(stderr, "usage: window_cost PROGRAM CLASS GO-FILE STOP-FILE [shown|hidden [ARGUMENT]]\n"
                        "       window_cost idle GO-FILE STOP-FILE\n");
        return 2;
    }
    const std::string program = argv[1];
    const char* className = argv[2];
    const bool hide = argc >= 6 && strcmp(argv[5], "hidden") == 0;
    const std::string argument = argc == 7 ? argv[6] : "";
    const Pixels background = BitmapResource(program, BackgroundBitmapId);
    BringUpDesktop();
    WaitForFile(argv[3], GoPollMs);

    constexpr int Starts = 5;
    double firstPaints[Starts];
    Started started;
    for (int i = 0; i < Starts; ++i) {
        started = Started{};
        if (!StartUntilPainted(program, argument, className, background, &started)) {
            EndProgram(started.program);
            return 1;
        }
        firstPaints[i] = started.firstPaintMs;
        printf("first_paint_%d_ms=%.0f\n", i + 1, started.firstPaintMs);
        if (i == Starts - 1) break;
        PostMessageA(started.window, WM_CLOSE, 0, 0);
        WaitForExit(started.program, 10000);
        EndProgram(started.program);
    }
    std::sort(firstPaints, firstPaints + Starts);
    if (hide) ShowWindow(started.window, SW_HIDE);
    printf("first_paint_ms=%.0f\n", firstPaints[Starts / 2]);
    fflush(stdout);

    WaitForFile(argv[4], StopPollMs);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(started.program.process, &memory, sizeof memory);
    printf("private_kb=%zu\nworking_set_kb=%zu\n", memory.PagefileUsage / 1024, memory.WorkingSetSize / 1024);
    EndProgram(started.program);
    return 0;
}
