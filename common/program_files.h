// The system's program files and where they go: what the installer copies
// and the uninstaller deletes. The source names and error texts are the
// installer's; the targets are shared.
#pragma once

#include <cstddef>

#include "common/windows_family.h"

constexpr size_t DirectorySize = 260;  // the Windows and system directory buffers, and every target path

constexpr char MonitorProgramFile[] = "Kelvimon.EXE";

enum class TargetFolder { Windows, System };

struct ProgramFile {
    const char* source;  // relative to the installation medium, the current directory
    TargetFolder folder;
    const char* target;  // below that folder
    const char* errorCaption;
    const char* errorText;
};

// Copied in this order; the 95/98 family takes only the first two, since it
// needs no port-access driver.
constexpr ProgramFile ProgramFiles[] = {
    {".\\Kelvimon.EXE", TargetFolder::Windows, MonitorProgramFile, "Copy Kelvimon.exe Error",
     "File may exist or can't find Kelvimon.exe \nin Install disk"},
    {".\\_Unplant.exe", TargetFolder::Windows, "_Unplant.exe", "Copy _Unplant.exe Error",
     "File may exist or can't find _Unplant.exe \nin Install disk"},
    {".\\HwPio.sys", TargetFolder::System, "drivers\\HwPio.sys", "Copy Hwpio.sys Error",
     "File may exist or can't find Hwpio.sys \nin Install disk"},
};
constexpr size_t MonitorFileIndex = 0, UninstallerFileIndex = 1, DriverFileIndex = 2;

size_t ProgramFileCount(WindowsFamily family);

// The full target path of a file below its folder; false when the folder is
// unknown (empty) or the path would not fit a path buffer whole.
bool FormatTargetPath(const char* folder, const ProgramFile& file, char (&path)[DirectorySize]);
