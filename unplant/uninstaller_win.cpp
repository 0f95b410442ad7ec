#include "unplant/uninstaller.h"

#include "common/bounded_format.h"

namespace {

constexpr char MonitorWindowClass[] = "Thermivo";
constexpr DWORD MonitorCloseWaitMs = 10000;
constexpr DWORD PollMs = 50;

void ShowBox(const char* text, UINT icon)
{
    MessageBoxA(nullptr, text, UninstallerTitle, MB_OK | icon | MB_SETFOREGROUND);
}

bool IsExistingFolder(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FetchDirectory(UINT(WINAPI* fetch)(LPSTR, UINT), char (&buffer)[DirectorySize])
{
    const UINT length = fetch(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) buffer[0] = '\0';
    return buffer[0] != '\0';
}

// The Windows directory named on the command line, or the system's; false
// after the box that says why there is none (unless silent).
bool WindowsDirectoryOf(const char* commandLine, CommandLine& line)
{
    const bool fits = ParseCommandLine(commandLine, line);
    if (fits && line.windowsDirectory[0] == '\0') FetchDirectory(GetWindowsDirectoryA, line.windowsDirectory);
    if (fits && IsExistingFolder(line.windowsDirectory)) return true;
    if (!line.silent) {
        char text[DirectorySize + 64];
        if (!fits || !FormatWhole(text, sizeof text, "\"%s\" is not a folder.\nNothing has been removed.",
                                  line.windowsDirectory))
            FormatWhole(text, sizeof text, "The folder named is too long.\nNothing has been removed.");
        ShowBox(text, MB_ICONERROR);
    }
    return false;
}

// Waits for the window to go and then for its process to end, so that its
// file is free; false when the window is still there at the deadline.
bool WaitForMonitorToEnd(HWND window, HANDLE process, DWORD deadline)
{
    while (IsWindow(window)) {
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0) return false;
        Sleep(PollMs);
    }
    if (process) {
        const LONG left = static_cast<LONG>(deadline - GetTickCount());
        WaitForSingleObject(process, left > 0 ? static_cast<DWORD>(left) : 0);
    }
    return true;
}

UninstallOutcome Uninstall(const CommandLine& line)
{
    char systemDirectory[DirectorySize];
    FetchDirectory(GetSystemDirectoryA, systemDirectory);
    const WindowsFamily family = FamilyOfVersion(GetVersion());
    RemovalPaths paths;
    if (!FormRemovalPaths(family, line.windowsDirectory, systemDirectory, paths)) {
        if (!line.silent)
            ShowBox("The paths of the files to remove would be too long.\nNothing has been removed.", MB_ICONERROR);
        return UninstallOutcome::BadArgument;
    }
    if (!line.silent &&
        MessageBoxA(nullptr, "Do you want to remove QX7305 Thermivo and its settings from this computer?",
                    UninstallerTitle, MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES)
        return UninstallOutcome::Declined;

    if (!CloseMonitor()) {
        if (!line.silent)
            ShowBox("The running Thermivo monitor did not close.\nNothing has been removed; close it and start "
                    "the uninstaller again.",
                    MB_ICONERROR);
        return UninstallOutcome::MonitorStillRunning;
    }
    RemovalReport report = {};
    report.monitorRunsElsewhere = MonitorStillRuns(paths.file[MonitorFileIndex]);
    if (family == WindowsFamily::Nt) RemoveDriver(paths.file[DriverFileIndex], report);
    RemoveMonitorFile(family, paths.file[MonitorFileIndex], report);
    RemoveProgramGroup();
    RemoveRegistryEntries(report);
    RemoveSettings(report);
    RemoveUninstaller(family, paths.file[UninstallerFileIndex], report);

    const UninstallOutcome outcome = OutcomeOf(report);
    if (!line.silent) {
        char text[FinalMessageSize];
        FormatFinalMessage(report, paths, text);
        ShowBox(text, outcome == UninstallOutcome::Removed ? MB_ICONINFORMATION : MB_ICONWARNING);
    }
    return outcome;
}

}  // namespace

bool CloseMonitor()
{
    const DWORD deadline = GetTickCount() + MonitorCloseWaitMs;
    // Only one monitor runs at a time; the loop is for one that starts while
    // the first is closing.
    while (HWND window = FindWindowA(MonitorWindowClass, nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        PostMessageA(window, WM_CLOSE, 0, 0);
        const bool ended = WaitForMonitorToEnd(window, process, deadline);
        if (process) CloseHandle(process);
        if (!ended) return false;
    }
    return true;
}

int RunUninstaller(const char* commandLine)
{
    CommandLine line;
    if (!WindowsDirectoryOf(commandLine, line)) return ExitCodeOf(UninstallOutcome::BadArgument);
    return ExitCodeOf(Uninstall(line));
}
