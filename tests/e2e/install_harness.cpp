#include "tests/e2e/install_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return "<missing>";
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Patterned(size_t size, char seed)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 7 + (i >> 9));
    return bytes;
}

FILETIME Time(WORD year)
{
    const SYSTEMTIME at = {year, 2, 0, 3, 4, 5, 6, 0};
    FILETIME time;
    SystemTimeToFileTime(&at, &time);
    return time;
}

// Old times, so that a target stamped at installation time would differ.
void BackDate(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const FILETIME created = Time(2000), accessed = Time(2002), written = Time(2001);
    SetFileTime(file, &created, &accessed, &written);
    CloseHandle(file);
}

std::string Directory(UINT(WINAPI* fetch)(LPSTR, UINT))
{
    char path[MAX_PATH];
    fetch(path, sizeof path);
    return path;
}

std::string MonitorTarget() { return Directory(GetWindowsDirectoryA) + "\\Kelvimon.EXE"; }
std::string UninstallerTarget() { return Directory(GetWindowsDirectoryA) + "\\_Unplant.exe"; }
std::string DriverTarget() { return ProgramSystemDirectory() + "\\drivers\\HwPio.sys"; }
std::string DriverName() { return Directory(GetSystemDirectoryA) + "\\drivers\\HwPio.sys"; }
std::string UninstallCommand()
{
    return Directory(GetWindowsDirectoryA) + "\\_Unplant.EXE " + Directory(GetWindowsDirectoryA);
}

std::string ProgramGroupFolder()
{
    char appData[MAX_PATH] = "";
    GetEnvironmentVariableA("APPDATA", appData, sizeof appData);
    return std::string(appData) + "\\Microsoft\\Windows\\Start Menu\\Programs\\Thermivo";
}

// The "Thermivo" section's lines as win.ini holds them, KEY=VALUE.
std::vector<std::string> SectionLines()
{
    char text[8192];
    const DWORD length = GetProfileSectionA("Thermivo", text, sizeof text);
    std::vector<std::string> lines;
    for (DWORD at = 0; at < length; at += static_cast<DWORD>(strlen(text + at)) + 1) lines.push_back(text + at);
    return lines;
}

std::string RegistryValue(const char* path, const char* name)
{
    std::string data = "<missing>";
    RegistryString(HKEY_LOCAL_MACHINE, path, name, &data);
    return data;
}

bool ServiceExists()
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, ServiceName, SERVICE_QUERY_STATUS) : nullptr;
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);
    return service != nullptr;
}

void CreateDriverService()
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE service =
        CreateServiceA(manager, ServiceName, ServiceName, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                       SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, DriverName().c_str(), nullptr, nullptr, nullptr,
                       nullptr, nullptr);
    EXPECT_NE(service, nullptr) << "error " << GetLastError();
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

static std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool DeletionPending(const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return false;
    std::vector<char> data(65536);
    DWORD size = static_cast<DWORD>(data.size());
    const LONG result =
        RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return false;
    // Pairs of source and target; an empty target deletes the source, so
    // an empty string does not end the list: its size does.
    std::vector<std::string> names;
    for (size_t at = 0; at < size; at += names.back().size() + 1) names.emplace_back(&data[at]);
    for (size_t i = 0; i + 1 < names.size(); i += 2)
        if (Lower(names[i]) == Lower("\\??\\" + path) && names[i + 1].empty()) return true;
    return false;
}

std::vector<std::string> InstalledState()
{
    std::vector<std::string> state;
    for (const std::string& file : {MonitorTarget(), DriverTarget(), ProgramGroupFolder()})
        if (Exists(file)) state.push_back(file);
    for (const std::string& line : SectionLines()) state.push_back("win.ini " + line);
    const std::string run = RegistryValue(RunKey, "Thermivo");
    if (run != "<missing>") state.push_back("Run " + run);
    const std::string entry = RegistryValue(UninstallKey, "UninstallString");
    if (entry != "<missing>") state.push_back("Uninstall " + entry);
    if (ServiceExists()) state.push_back("service hwpio");
    return state;
}

Medium PrepareMedium(const char* name, size_t monitorSize, size_t uninstallerSize)
{
    Medium medium;
    medium.folder = ScratchFolder(name);
    medium.monitor = Patterned(monitorSize, 'K');
    medium.uninstaller = Patterned(uninstallerSize, 'U');
    medium.driver = Patterned(4096, 'D');
    WriteBytes(medium.folder + "\\Kelvimon.EXE", medium.monitor);
    WriteBytes(medium.folder + "\\_Unplant.exe", medium.uninstaller);
    WriteBytes(medium.folder + "\\HwPio.sys", medium.driver);
    for (const char* file : {"\\Kelvimon.EXE", "\\_Unplant.exe", "\\HwPio.sys"}) BackDate(medium.folder + file);
    return medium;
}

HWND TextControl(const RunningSetup& setup)
{
    return FindWindowExA(setup.window, nullptr, "Static", nullptr);
}

RunningSetup StartSetup(const std::string& medium, const std::string& installer)
{
    RunningSetup setup;
    setup.program = StartProgram(installer.empty() ? ProgramPath("setup\\KelvimonSetup.exe") : installer, "", medium);
    setup.window = WaitForWindow(setup.program.pid, SetupClass, SetupTitle, 10000);
    EXPECT_NE(setup.window, nullptr) << "no installer window";
    // The window exists before its controls; the welcome text comes last.
    EXPECT_TRUE(WaitUntil([&] { return !WindowText(TextControl(setup)).empty(); }, 10000)) << "no welcome text";
    return setup;
}

bool IsBoxTicked(const RunningSetup& setup)
{
    return SendMessageA(GetDlgItem(setup.window, AutoStartBox), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CloseBoxAndExpectEnd(RunningSetup& setup, HWND box)
{
    PressDialogButton(box, IDOK);
    DWORD exitCode = 1234;
    EXPECT_TRUE(WaitForExit(setup.program, 10000, &exitCode)) << "the installer did not end after OK";
    EXPECT_EQ(exitCode, 0u);
    EndProgram(setup.program);
}

HWND InstallAndWaitForSuccess(const RunningSetup& setup)
{
    PressDialogButton(setup.window, InstallButton);
    HWND box = WaitForDialog(setup.program.pid, SuccessCaption, 30000);
    EXPECT_NE(box, nullptr) << "no success message";
    if (box) {
        EXPECT_EQ(MessageBoxText(box), "Congratulation install OK\n Leave Thermivo Install.");
    }
    return box;
}

void InstallFrom(const std::string& medium, bool autoStart, const std::string& installer)
{
    RunningSetup setup = StartSetup(medium, installer);
    if (!setup.window) return;
    if (autoStart) {
        PressDialogButton(setup.window, AutoStartBox);
        EXPECT_TRUE(WaitUntil([&] { return IsBoxTicked(setup); }, 3000)) << "the start-at-logon box stays unticked";
    }
    HWND box = InstallAndWaitForSuccess(setup);
    if (box) CloseBoxAndExpectEnd(setup, box);
    EndProgram(setup.program);
}
