// Installing with the real installer from a prepared installation medium, and
// looking at what an installation leaves on the machine: the program files,
// the win.ini section, the registry entries and the program group.
#pragma once

#include <string>
#include <vector>

#include "tests/e2e/harness.h"

constexpr char SetupClass[] = "QX7305 Thermivo Install";
constexpr char SetupTitle[] = "QX7305 Thermivo";
constexpr char SuccessCaption[] = "QX7305 Thermivo Install";
constexpr int InstallButton = 1000;
constexpr int ExitButton = 1001;
constexpr int AutoStartBox = 1002;
constexpr char UninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Thermivo";
constexpr char ServiceName[] = "hwpio";
constexpr char RunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// ---- files, win.ini and registry

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);  // "<missing>" when it cannot be read
bool Exists(const std::string& path);
std::string Patterned(size_t size, char seed);
FILETIME Time(WORD year);  // a fixed moment of that year
void BackDate(const std::string& path);

std::string Directory(UINT(WINAPI* fetch)(LPSTR, UINT));
std::string MonitorTarget();
std::string UninstallerTarget();
std::string DriverTarget();  // where the file is
// The name the programs give it: in a WoW64 prefix a 32-bit program's system
// folder is syswow64 under system32's name.
std::string DriverName();
std::string UninstallCommand();
std::string ProgramGroupFolder();  // where Wine's Program Manager service keeps the group
std::vector<std::string> SectionLines();
std::string RegistryValue(const char* path, const char* name);  // "<missing>" when absent

// The port driver's service "hwpio", as the monitor leaves it on an NT
// machine (the simulator build finds the simulated device and creates none).
bool ServiceExists();
void CreateDriverService();
// Whether Windows NT is to delete the file at its next start.
bool DeletionPending(const std::string& path);
// What an installation leaves behind, apart from the uninstaller's own file,
// one line per thing.
std::vector<std::string> InstalledState();

// ---- the installer

struct Medium {
    std::string folder;
    std::string monitor, uninstaller, driver;
};

// A medium with the three program files (any bytes), back-dated.
Medium PrepareMedium(const char* name, size_t monitorSize = 5000, size_t uninstallerSize = 1200);

struct RunningSetup {
    Program program;
    HWND window = nullptr;
};

HWND TextControl(const RunningSetup& setup);
// The build's installer, or the given one (e.g. the medium's own copy).
RunningSetup StartSetup(const std::string& medium, const std::string& installer = "");
bool IsBoxTicked(const RunningSetup& setup);
// Presses OK on the box and expects the installer to end as Exit ends it.
void CloseBoxAndExpectEnd(RunningSetup& setup, HWND box);
// Installs and waits for the success message; every DDE command may take
// its full time-out when no shell answers.
HWND InstallAndWaitForSuccess(const RunningSetup& setup);
// A whole installation, the start-at-logon box ticked when asked.
void InstallFrom(const std::string& medium, bool autoStart = false, const std::string& installer = "");
