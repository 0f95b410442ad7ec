// End-to-end test harness: runs inside Wine as a Windows program, starts the
// real programs, finds and drives their windows with messages, and reads
// back win.ini, the registry and pixels. Every test runs in a Wine prefix of
// its own (scripts/run-e2e.sh), so tests may change anything in it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A file of the win64 build, e.g. BuildPath("sim\\boardctl.exe"): the test
// programs and tools.
std::string BuildPath(const char* relative);
// A program under test, e.g. ProgramPath("monitor\\KelvimonSim.exe"): from the
// build that KELVIMON_PROGRAMS names (the win32 build, run by 32-bit Wine), or
// else from the win64 build.
std::string ProgramPath(const char* relative);
// Whether the programs under test are 32-bit. In a WoW64 prefix they see the
// system folder and the machine's software registry through their 32-bit
// views (syswow64, WOW6432Node); this 64-bit test program opens the same ones.
bool ProgramsAre32Bit();
REGSAM ProgramRegistryView();  // KEY_WOW64_32KEY or 0, to add to a key's access
std::string ProgramSystemDirectory();
// The installation medium whose monitor is the simulator build of the
// programs under test: build/medium-sim32 or build/medium-sim.
std::string SimulatorMedium();
// A file in the folder where the run keeps screenshots for a person to see.
std::string ArtifactPath(const char* name);
// A fresh empty folder of this test's own, e.g. a prepared installation medium.
std::string ScratchFolder(const char* name);

struct Program {
    HANDLE process = nullptr;
    DWORD pid = 0;
};
Program StartProgram(const std::string& exePath, const std::string& arguments = "",
                     const std::string& workingDirectory = "");
bool WaitForExit(const Program& program, DWORD timeoutMs, DWORD* exitCode = nullptr);
// Runs boardctl with the arguments to its end; its exit code.
DWORD RunBoardctl(const std::string& arguments);
// Runs a console program to its end, with what it writes to its output and
// error output; its exit code, or STILL_ACTIVE when it has not ended after
// timeoutMs (it is ended then).
DWORD RunConsoleProgram(const std::string& exePath, const std::string& arguments, std::string* output,
                        std::string* errors, DWORD timeoutMs = 10000);
// The whole file, or "" when it cannot be read.
std::string FileText(const std::string& path);
bool IsRunning(const Program& program);
// Starts the simulator build of the monitor and waits for its window; null,
// with a message on stderr, when it does not come within 15 s.
HWND StartSimulatedMonitor(Program& monitor);
// Ends the program if it still runs and releases its handle.
void EndProgram(Program& program);

// The threads of a process, and the processor time they used in ms, leaving
// out one of them if given. Wine reports no times for another process as a
// whole, only for its threads.
std::vector<DWORD> ProcessThreads(DWORD pid);
double ThreadsProcessorMs(DWORD pid, DWORD leftOut = 0);
// Suspends (hold) or resumes every thread of a process, to look at it at a
// moment of the test's choosing.
void HoldProcess(DWORD pid, bool hold);

// Polls until the condition holds; false on time-out.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs = 20);

// A top-level window of the process, by class (or null) and title (or null).
HWND FindProcessWindow(DWORD pid, const char* className, const char* title);
HWND WaitForWindow(DWORD pid, const char* className, const char* title, DWORD timeoutMs);
// The same, once it is shown: a window may exist, with its title, well before
// it has its controls and texts.
HWND WaitForShownWindow(DWORD pid, const char* className, const char* title, DWORD timeoutMs);
bool WaitForWindowGone(HWND window, DWORD timeoutMs);
std::vector<HWND> ProcessWindows(DWORD pid, const char* className);
// Dialog boxes and message boxes are of class "#32770". A dialog shows only
// after WM_INITDIALOG has run, so the one returned has its controls and texts.
HWND WaitForDialog(DWORD pid, const char* title, DWORD timeoutMs);
// The text of a message box (its static control 0xFFFF).
std::string MessageBoxText(HWND box);
// Presses a button of a dialog (by control id) the way a click does.
void PressDialogButton(HWND dialog, int id);

std::string WindowText(HWND window);  // top-level windows and child controls alike

// win.ini, section "Thermivo" unless given.
bool ProfileHasKey(const char* key, const char* section = "Thermivo");
std::string ProfileValue(const char* key, const char* section = "Thermivo");
void SetProfileValue(const char* key, const char* value, const char* section = "Thermivo");
void DeleteProfileSection(const char* section = "Thermivo");

bool RegistryString(HKEY root, const char* path, const char* name, std::string* data);

// Pixels. A window's client area as 0x00RRGGBB values, row by row; the
// window must be uncovered on the screen.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;
    uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};
Pixels CaptureClient(HWND window);
Pixels CaptureScreen();
// A bitmap resource of a program file, as the program would draw it.
Pixels BitmapResource(const std::string& exePath, int id);
// Whether a w x h block of a at (ax, ay) equals the block of b at (bx, by).
bool BlocksEqual(const Pixels& a, int ax, int ay, const Pixels& b, int bx, int by, int width, int height);
// Whether every pixel of the block has the colour.
bool BlockIs(const Pixels& a, int x, int y, int width, int height, uint32_t rgb);
// Writes a BMP into the artifact folder; the runner turns it into a PNG.
bool SaveArtifact(const Pixels& pixels, const char* name);
bool SaveScreenshot(const char* name);
