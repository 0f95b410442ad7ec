#include <windows.h>

#include "common/system_entries.h"
#include "setup/install_ini.h"
#include "setup/installer.h"
#include "setup/program_entries.h"

namespace {

bool ReadFileByte(void* file, char* byte)
{
    DWORD read = 0;
    return ReadFile(static_cast<HANDLE>(file), byte, 1, &read, nullptr) && read == 1;
}

void WriteSetting(void*, const IniSetting& setting)
{
    WriteProfileStringA(SettingsSection, setting.key, setting.value);
}

bool SetString(HKEY key, const char* name, const char* text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(lstrlenA(text) + 1)) == ERROR_SUCCESS;
}

}  // namespace

// Seeds the monitor's section from install.ini when the medium has one, else
// from the built-in defaults; never both.
void WriteDefaultSettings()
{
    HANDLE file = CreateFileA("install.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        for (const IniSetting& setting : DefaultSettings) WriteSetting(nullptr, setting);
        return;
    }
    ForEachIniSetting({ReadFileByte, file}, WriteSetting, nullptr);
    CloseHandle(file);
}

// The entry in the list of installed programs. The command is formed before
// anything is written, so that a directory too long for it leaves no entry
// that names the program but cannot remove it.
int RegisterUninstall()
{
    char command[UninstallStringSize];
    if (!FormatUninstallString(installer.windowsDirectory, command)) return 0;

    HKEY parent;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKeyPath, 0, KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                      &parent) != ERROR_SUCCESS)
        return 0;
    HKEY entry;
    DWORD disposition = 0;
    int written = 0;
    if (RegCreateKeyExA(parent, UninstallSubkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &entry,
                        &disposition) == ERROR_SUCCESS) {
        if ((disposition == REG_CREATED_NEW_KEY || disposition == REG_OPENED_EXISTING_KEY) &&
            SetString(entry, "DisplayName", "Thermivo") && SetString(entry, "UninstallString", command))
            written = 1;
        RegCloseKey(entry);
    }
    RegCloseKey(parent);
    return written;
}
