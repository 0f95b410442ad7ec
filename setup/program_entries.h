// The texts that make the installed system known to the shell: the program
// group's commands to Program Manager and the uninstall command. Each is
// refused, never cut, when the Windows directory makes it too long.
#pragma once

#include <cstddef>

constexpr size_t ProgramGroupCommandCount = 4;
constexpr size_t ProgramGroupCommandSize = 260;

struct ProgramGroupCommands {
    char text[ProgramGroupCommandCount][ProgramGroupCommandSize];
};

// Create the group "Thermivo", show it, add the monitor (started visible) and
// the uninstaller (given the Windows directory). False when an item's command
// does not fit: then no command is meant to be sent, rather than a group with
// a cut path in it.
bool FormatProgramGroupCommands(const char* windowsDirectory, ProgramGroupCommands& commands);

constexpr size_t UninstallStringSize = 264;

// "<Windows directory>\_Unplant.EXE <Windows directory>".
bool FormatUninstallString(const char* windowsDirectory, char (&text)[UninstallStringSize]);
