// Runs in a pure 32-bit Wine prefix that claims to be NT 4.0, where Wine's
// own loader and kernel load i386 drivers: installs from the release medium
// as a user does, starts the installed monitor, and checks through Windows'
// own records what the service manager and the loader did with HwPio.sys.
// Under Wine the driver's DriverEntry fails (Wine's kernel cannot install an
// I/O permission map), so the monitor must say so and end before it touches
// a port. Prints a line per check and a summary; exits 1 when one fails.
//   driver_wine_check MEDIUM_FOLDER
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

int checkCount, failedCount;

// Prints the check's line, its figures included whether it passes or not.
bool Check(bool ok, const char* format, ...) __attribute__((format(printf, 2, 3)));
bool Check(bool ok, const char* format, ...)
{
    ++checkCount;
    failedCount += !ok;
    std::printf("%s ", ok ? "ok  " : "FAIL");
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
    std::fflush(stdout);
    return ok;
}

struct WindowSearch {
    DWORD pid;
    const char* className;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char className[64], title[128];
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (pid != search->pid || !IsWindowVisible(window) || std::strcmp(className, search->className) != 0 ||
        std::strcmp(title, search->title) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

// A shown top-level window of the process; null when none comes in time.
HWND WaitForWindow(DWORD pid, const char* className, const char* title, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        WindowSearch search = {pid, className, title, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found || GetTickCount() - start >= timeoutMs) return search.found;
        Sleep(50);
    }
}

void Text(HWND window, char* text, size_t size)
{
    text[0] = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, size, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
}

void Press(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

PROCESS_INFORMATION Start(const char* program, const char* folder)
{
    char commandLine[MAX_PATH + 2];
    std::snprintf(commandLine, sizeof commandLine, "\"%s\"", program);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &started))
        Check(false, "%s starts (error %lu)", program, GetLastError());
    return started;
}

// The exit code, or STILL_ACTIVE when the process does not end in time
// (it is ended then).
DWORD WaitForEnd(const PROCESS_INFORMATION& started, DWORD timeoutMs)
{
    DWORD exitCode = STILL_ACTIVE;
    if (WaitForSingleObject(started.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(started.hProcess, &exitCode);
    else
        TerminateProcess(started.hProcess, 1);
    CloseHandle(started.hProcess);
    CloseHandle(started.hThread);
    return exitCode;
}

// Whether the process shows a message box with the caption and text; the
// box is closed with OK.
bool MessageBoxSays(DWORD pid, const char* caption, const char* expected, DWORD timeoutMs)
{
    HWND box = WaitForWindow(pid, "#32770", caption, timeoutMs);
    char text[256];
    Text(box ? GetDlgItem(box, 0xFFFF) : nullptr, text, sizeof text);
    if (box) Press(box, IDOK);
    return box && std::strcmp(text, expected) == 0;
}

std::vector<char> Bytes(const char* path)
{
    std::vector<char> bytes;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) read = 0;
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

void Install(const char* medium)
{
    char setup[MAX_PATH];
    std::snprintf(setup, sizeof setup, "%s\\KelvimonSetup.exe", medium);
    PROCESS_INFORMATION installer = Start(setup, medium);
    HWND window = WaitForWindow(installer.dwProcessId, "QX7305 Thermivo Install", "QX7305 Thermivo", 15000);
    if (Check(window != nullptr, "the installer shows its window")) {
        // Its controls come after the window, the welcome text last.
        char welcome[64] = "";
        for (DWORD start = GetTickCount(); !welcome[0] && GetTickCount() - start < 10000; Sleep(50))
            Text(FindWindowExA(window, nullptr, "Static", nullptr), welcome, sizeof welcome);
        Press(window, 1000);  // Install
        // Each of its program group's DDE commands may wait its full time
        // for a shell that does not answer.
        Check(MessageBoxSays(installer.dwProcessId, "QX7305 Thermivo Install",
                             "Congratulation install OK\n Leave Thermivo Install.", 60000),
              "the installer says it installed");
    }
    const DWORD exitCode = WaitForEnd(installer, 15000);
    Check(exitCode == 0, "the installer ends (exit code %lu)", exitCode);
}

void CheckService(const char* systemFolder)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service =
        manager ? OpenServiceA(manager, "hwpio", SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_START) : nullptr;
    if (Check(service != nullptr, "the service hwpio exists (error %lu)", service ? 0 : GetLastError())) {
        union {
            QUERY_SERVICE_CONFIGA config;
            char bytes[4096];
        } query;
        DWORD needed = 0;
        const bool queried = QueryServiceConfigA(service, &query.config, sizeof query, &needed);
        Check(queried && query.config.dwServiceType == SERVICE_KERNEL_DRIVER &&
                  query.config.dwStartType == SERVICE_DEMAND_START,
              "it is a kernel driver started on demand (type %lu, start %lu)", queried ? query.config.dwServiceType : 0,
              queried ? query.config.dwStartType : 0);
        char installed[MAX_PATH];
        std::snprintf(installed, sizeof installed, "%s\\drivers\\hwpio.sys", systemFolder);
        Check(queried && lstrcmpiA(query.config.lpBinaryPathName, installed) == 0,
              "its image is the file the installer wrote (%s)", queried ? query.config.lpBinaryPathName : "?");

        SERVICE_STATUS status = {};
        QueryServiceStatus(service, &status);
        Check(status.dwCurrentState == SERVICE_STOPPED,
              "after the monitor's start it is stopped (state %lu, exit code %lu)", status.dwCurrentState,
              status.dwWin32ExitCode);
        // Wine's service manager answers 1114 for a file its loader cannot
        // find or map and 1053 when DriverEntry faults (the driver's host
        // process ends); 31 is a DriverEntry that ran and returned a failure.
        const BOOL started = StartServiceA(service, 0, nullptr);
        const DWORD error = started ? 0 : GetLastError();
        Check(!started && error == ERROR_GEN_FAILURE,
              "starting it again fails with error 31, a DriverEntry that ran and failed (error %lu)", error);
        QueryServiceStatus(service, &status);
        Check(status.dwCurrentState == SERVICE_STOPPED, "then it is stopped (state %lu, exit code %lu)",
              status.dwCurrentState, status.dwWin32ExitCode);
        CloseServiceHandle(service);
    }
    if (manager) CloseServiceHandle(manager);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::printf("usage: driver_wine_check MEDIUM_FOLDER\n");
        return 2;
    }
    const char* medium = argv[1];
    char windowsFolder[MAX_PATH], systemFolder[MAX_PATH], path[MAX_PATH], installed[MAX_PATH];
    GetWindowsDirectoryA(windowsFolder, sizeof windowsFolder);
    GetSystemDirectoryA(systemFolder, sizeof systemFolder);

    Install(medium);
    std::snprintf(path, sizeof path, "%s\\HwPio.sys", medium);
    std::snprintf(installed, sizeof installed, "%s\\drivers\\HwPio.sys", systemFolder);
    const std::vector<char> shipped = Bytes(path);
    Check(!shipped.empty() && Bytes(installed) == shipped, "the medium's HwPio.sys is in system32\\drivers");

    // The installed monitor installs and starts the driver's service; the
    // start fails, it says so and ends. A port instruction would have ended
    // it with the privileged-instruction exception's code instead of 0.
    std::snprintf(path, sizeof path, "%s\\Kelvimon.EXE", windowsFolder);
    PROCESS_INFORMATION monitor = Start(path, nullptr);
    Check(MessageBoxSays(monitor.dwProcessId, "Thermivo", "An unexpected error occured", 60000),
          "the monitor says \"An unexpected error occured\"");
    const DWORD exitCode = WaitForEnd(monitor, 15000);
    Check(exitCode == 0, "the monitor ends with exit code 0x%lX, the board untouched", exitCode);

    CheckService(systemFolder);
    HANDLE device =
        CreateFileA("\\\\.\\hwpio", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD openError = device == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (device != INVALID_HANDLE_VALUE) CloseHandle(device);
    Check(device == INVALID_HANDLE_VALUE, "\\\\.\\hwpio does not open (error %lu)", openError);

    std::printf("driver_wine_check: %d checks, %d failed\n", checkCount, failedCount);
    return failedCount ? 1 : 0;
}
