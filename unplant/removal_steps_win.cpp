#include "common/autostart.h"
#include "common/bounded_format.h"
#include "common/instance_guard.h"
#include "common/program_manager.h"
#include "common/system_entries.h"
#include "unplant/uninstaller.h"

namespace {

constexpr char PortDriverService[] = "hwpio";
constexpr DWORD ServiceStopWaitMs = 5000;
constexpr DWORD PollMs = 100;

constexpr ItemResult Removed = {ItemState::Removed, 0};
constexpr ItemResult RemovedAtRestart = {ItemState::RemovedAtRestart, 0};

ItemResult Remains(DWORD error)
{
    return {ItemState::Remains, error};
}

bool IsAbsent(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

ItemResult DeleteIfPresent(const char* path)
{
    if (DeleteFileA(path)) return Removed;
    const DWORD error = GetLastError();
    return IsAbsent(error) ? Removed : Remains(error);
}

// True when the service is not running.
bool IsStopped(SC_HANDLE service)
{
    SERVICE_STATUS status;
    return QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOPPED;
}

// True once the service has stopped, or when it was not running.
bool StopService(SC_HANDLE service)
{
    SERVICE_STATUS status;
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) return GetLastError() == ERROR_SERVICE_NOT_ACTIVE;
    for (DWORD waited = 0; status.dwCurrentState != SERVICE_STOPPED; waited += PollMs) {
        if (waited >= ServiceStopWaitMs) return false;
        Sleep(PollMs);
        if (!QueryServiceStatus(service, &status)) return false;
    }
    return true;
}

ItemResult RemoveDriverService(bool mayStop)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return Remains(GetLastError());
    SC_HANDLE service = OpenServiceA(manager, PortDriverService, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
    if (!service) {
        const DWORD error = GetLastError();
        CloseServiceHandle(manager);
        return error == ERROR_SERVICE_DOES_NOT_EXIST ? Removed : Remains(error);
    }
    const bool stopped = mayStop ? StopService(service) : IsStopped(service);
    ItemResult result = stopped ? Removed : RemovedAtRestart;
    // A service still running is only marked; it goes when it has stopped,
    // at the latest at the next start.
    if (!DeleteService(service) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE) result = Remains(GetLastError());
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return result;
}

// Whether the key, or a value of it, is there; read access suffices to know,
// so that a user without the rights to delete is told only about what exists.
bool RegistryEntryExists(const char* path, const char* valueName)
{
    HKEY key;
    const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key);
    if (IsAbsent(static_cast<DWORD>(opened))) return false;
    if (opened != ERROR_SUCCESS) return true;
    const bool exists =
        !valueName || !IsAbsent(static_cast<DWORD>(RegQueryValueExA(key, valueName, nullptr, nullptr, nullptr, nullptr)));
    RegCloseKey(key);
    return exists;
}

ItemResult RemoveUninstallEntry()
{
    HKEY parent;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKeyPath, 0, KEY_READ | KEY_WRITE, &parent);
    if (result == ERROR_SUCCESS) {
        result = RegDeleteKeyA(parent, UninstallSubkey);
        RegCloseKey(parent);
    }
    return result == ERROR_SUCCESS || IsAbsent(static_cast<DWORD>(result)) ? Removed
                                                                           : Remains(static_cast<DWORD>(result));
}

// Whether two paths name the same file, also when one is the short form.
bool IsSameFile(const char* a, const char* b)
{
    char shortA[MAX_PATH], shortB[MAX_PATH];
    const DWORD lengthA = GetShortPathNameA(a, shortA, sizeof shortA);
    const DWORD lengthB = GetShortPathNameA(b, shortB, sizeof shortB);
    if (lengthA == 0 || lengthA >= sizeof shortA || lengthB == 0 || lengthB >= sizeof shortB)
        return lstrcmpiA(a, b) == 0;
    return lstrcmpiA(shortA, shortB) == 0;
}

// The 95/98 family deletes at its next start what WININIT.INI's [rename]
// section names after "NUL=", in short form. The section is rewritten whole,
// so a section too long to read whole is left alone rather than cut.
ItemResult DeleteAtNextStart9x(const char* path)
{
    char windowsDirectory[DirectorySize], wininit[DirectorySize], shortPath[DirectorySize];
    const UINT windowsLength = GetWindowsDirectoryA(windowsDirectory, sizeof windowsDirectory);
    const DWORD shortLength = GetShortPathNameA(path, shortPath, sizeof shortPath);
    if (windowsLength == 0 || windowsLength >= sizeof windowsDirectory || shortLength == 0 ||
        shortLength >= sizeof shortPath ||
        !FormatWhole(wininit, sizeof wininit, "%s\\WININIT.INI", windowsDirectory))
        return Remains(ERROR_FILENAME_EXCED_RANGE);

    char lines[8192];
    const DWORD length = GetPrivateProfileSectionA("rename", lines, sizeof lines, wininit);
    if (length >= sizeof lines - 2) return Remains(ERROR_INSUFFICIENT_BUFFER);
    lines[length] = '\0';
    lines[length + 1] = '\0';
    if (!AddStartupDeletion(lines, sizeof lines, shortPath)) return Remains(ERROR_INSUFFICIENT_BUFFER);
    if (!WritePrivateProfileSectionA("rename", lines, wininit)) return Remains(GetLastError());
    return RemovedAtRestart;
}

ItemResult DeleteAtNextStartNt(const char* path)
{
    if (MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return RemovedAtRestart;
    return Remains(GetLastError());
}

ItemResult DeleteAtNextStart(WindowsFamily family, const char* path)
{
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES && IsAbsent(GetLastError())) return Removed;
    return family == WindowsFamily::Nt ? DeleteAtNextStartNt(path) : DeleteAtNextStart9x(path);
}

}  // namespace

bool MonitorStillRuns(const char* monitorPath)
{
    if (MonitorInstanceGuardHeld()) return true;
    // NT maps a running program's file as an image and 95/98 keeps it open;
    // either refuses an exclusive open for writing, whichever session or
    // desktop the program runs on. A file that cannot be judged (no right
    // to write it) counts as in use: stopping the driver wrongly would
    // strand the fans, keeping it wrongly only delays its removal.
    HANDLE file = CreateFileA(monitorPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    return !IsAbsent(GetLastError());
}

void RemoveDriver(const char* driverPath, RemovalReport& report)
{
    const bool monitorRuns = report.monitorRunsElsewhere;
    ResultOf(report, RemovalItem::DriverService) = RemoveDriverService(!monitorRuns);
    if (monitorRuns) {
        ResultOf(report, RemovalItem::DriverFile) = DeleteAtNextStart(WindowsFamily::Nt, driverPath);
        return;
    }
    ItemResult file = DeleteIfPresent(driverPath);
    // A driver still loaded keeps its file until the next start.
    if (file.state == ItemState::Remains && MoveFileExA(driverPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        file = RemovedAtRestart;
    ResultOf(report, RemovalItem::DriverFile) = file;
}

void RemoveMonitorFile(WindowsFamily family, const char* monitorPath, RemovalReport& report)
{
    // A monitor that runs from another copy leaves this file free.
    ItemResult file = DeleteIfPresent(monitorPath);
    if (file.state == ItemState::Remains && report.monitorRunsElsewhere) file = DeleteAtNextStart(family, monitorPath);
    ResultOf(report, RemovalItem::MonitorFile) = file;
}

void RemoveProgramGroup()
{
    const char* const commands[] = {"[DeleteGroup(Thermivo)]"};
    SendProgramManagerCommands(commands, 1);
}

void RemoveRegistryEntries(RemovalReport& report)
{
    if (RegistryEntryExists(RunKeyPath, RunValueName)) {
        const uint32_t error = DeleteAutoStartValue();
        ResultOf(report, RemovalItem::RunValue) = error == 0 || IsAbsent(error) ? Removed : Remains(error);
    }
    char entryPath[DirectorySize];
    FormatWhole(entryPath, sizeof entryPath, "%s\\%s", UninstallKeyPath, UninstallSubkey);
    if (RegistryEntryExists(entryPath, nullptr)) ResultOf(report, RemovalItem::UninstallEntry) = RemoveUninstallEntry();
}

void RemoveSettings(RemovalReport& report)
{
    const DWORD error = WriteProfileStringA(SettingsSection, nullptr, nullptr) ? 0 : GetLastError();
    // Deleting a section that is not there may report failure; what counts
    // is whether a key is left.
    char probe[64];
    if (GetProfileSectionA(SettingsSection, probe, sizeof probe) > 0)
        ResultOf(report, RemovalItem::Settings) = Remains(error);
}

void RemoveUninstaller(WindowsFamily family, const char* uninstallerPath, RemovalReport& report)
{
    char ownPath[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, ownPath, sizeof ownPath);
    ItemResult& result = ResultOf(report, RemovalItem::Uninstaller);
    if (length == 0 || length >= sizeof ownPath || !IsSameFile(ownPath, uninstallerPath)) {
        result = DeleteIfPresent(uninstallerPath);
    } else {
        result = DeleteAtNextStart(family, uninstallerPath);
    }
}
