// What the installer puts where, and the texts it shows while doing so. The
// Windows family is decided once, from GetVersion's result, and everything
// that differs between the families follows from that decision.
#pragma once

#include <cstddef>
#include <cstdint>

enum class WindowsFamily { Nt, Windows9x };

WindowsFamily FamilyOfVersion(uint32_t version);

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

size_t ProgramFileCount(WindowsFamily family);

// The full target path of a file below its folder; false when the folder is
// unknown (empty) or the path would not fit a path buffer whole.
bool FormatTargetPath(const char* folder, const ProgramFile& file, char (&path)[DirectorySize]);

constexpr size_t WelcomeTextSize = 1536;  // room for three directories of 259 characters

// The text that names the files and the folders they go to for the family.
bool FormatWelcomeText(WindowsFamily family, const char* windowsDirectory, const char* systemDirectory,
                       char (&text)[WelcomeTextSize]);

constexpr size_t CopyLineSize = 2 * DirectorySize + 16;

// "Copy <source> to <target> ", shown while the file is copied.
bool FormatCopyLine(const char* source, const char* target, char (&line)[CopyLineSize]);

// How much of a file has been copied, 0..100, exact for files of any size.
uint32_t ProgressPercent(uint64_t copied, uint64_t size);
