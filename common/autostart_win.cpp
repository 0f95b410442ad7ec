#include <windows.h>

#include "common/autostart.h"
#include "common/system_entries.h"

namespace {

constexpr REGSAM WriteAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

}  // namespace

int SetAutoStart()
{
    char windowsDirectory[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(windowsDirectory, sizeof windowsDirectory);
    if (length == 0 || length >= sizeof windowsDirectory) return 0;
    return SetAutoStartIn(windowsDirectory);
}

int SetAutoStartIn(const char* windowsDirectory)
{
    char command[AutoStartCommandSize];
    if (!FormatAutoStartCommand(windowsDirectory, command)) return 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RunKeyPath, 0, WriteAccess, &key) != ERROR_SUCCESS) return 0;
    const LONG result = RegSetValueExA(key, RunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                                       static_cast<DWORD>(lstrlenA(command) + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

int ClearAutoStart()
{
    return DeleteAutoStartValue() == ERROR_SUCCESS;
}

uint32_t DeleteAutoStartValue()
{
    HKEY key;
    const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, RunKeyPath, 0, WriteAccess, &key);
    if (opened != ERROR_SUCCESS) return static_cast<uint32_t>(opened);
    const LONG result = RegDeleteValueA(key, RunValueName);
    RegCloseKey(key);
    return static_cast<uint32_t>(result);
}

int IsAutoStartSet()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RunKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    BYTE data[MAX_PATH];
    DWORD size = sizeof data;
    const LONG result = RegQueryValueExA(key, RunValueName, nullptr, nullptr, data, &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}
