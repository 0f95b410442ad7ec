// Starts a window program and prints what the script that measures it
// cannot see from outside, for scripts/bench.sh, which runs it twice side by
// side (the monitor and the minimal window program, each in a Wine prefix of
// its own) and reads the processor time of both from the host meanwhile:
//   first_paint_ms  from the start of the process until its client area
//                   shows the panel's title band (both draw the same
//                   background bitmap there): the median of five starts,
//                   each closed the way the user does but the last
//   private_kb, working_set_kb  when the script has measured: once the
//                   STOP-FILE exists; then the program is ended.
// Usage: window_cost PROGRAM CLASS GO-FILE STOP-FILE
// It brings up the prefix's desktop first and starts the program once the
// GO-FILE exists, so that the script can place the two desktops side by
// side on the display and start both programs together.
#include "tests/e2e/harness.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>

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

bool StartUntilPainted(const std::string& path, const char* className, const Pixels& background, Started* started)
{
    std::string commandLine = "\"" + path + "\"";
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

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: window_cost PROGRAM CLASS GO-FILE STOP-FILE\n");
        return 2;
    }
    const std::string program = argv[1];
    const char* className = argv[2];
    auto waitForFile = [](const char* path) {
        WaitUntil([&] { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }, 15 * 60 * 1000, 5);
    };
    const Pixels background = BitmapResource(program, BackgroundBitmapId);
    // Wine ends a desktop shortly after its last window closes; this hidden
    // one brings it up now and keeps it between the starts.
    CreateWindowExA(0, "STATIC", "window_cost", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    printf("desktop_ready=1\n");
    fflush(stdout);
    waitForFile(argv[3]);

    constexpr int Starts = 5;
    double firstPaints[Starts];
    Started started;
    for (int i = 0; i < Starts; ++i) {
        started = Started{};
        if (!StartUntilPainted(program, className, background, &started)) {
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
    printf("first_paint_ms=%.0f\n", firstPaints[Starts / 2]);
    fflush(stdout);

    waitForFile(argv[4]);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(started.program.process, &memory, sizeof memory);
    printf("private_kb=%zu\nworking_set_kb=%zu\n", memory.PagefileUsage / 1024, memory.WorkingSetSize / 1024);
    EndProgram(started.program);
    return 0;
}
