// Where the installed system is known to Windows, outside its program files:
// the monitor's win.ini section, the start-at-logon value and the entry in
// the list of installed programs. The installer creates them, the monitor
// keeps its settings and the start-at-logon value, the uninstaller removes
// them all.
#pragma once

constexpr char SettingsSection[] = "Thermivo";

// Under HKEY_LOCAL_MACHINE, for every user of the machine.
constexpr char RunKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char RunValueName[] = "Thermivo";
constexpr char UninstallKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char UninstallSubkey[] = "Thermivo";
