// What the uninstaller _Unplant decides without a Win32 call: its command
// line, the paths of what it removes, the line that has the 95/98 family
// delete a file at the next start, the final message and the exit code.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/program_files.h"

constexpr char UninstallerTitle[] = "UnInstall QX7305 Thermivo";

// "_Unplant.exe WINDIR [/S]": the switch is any blank-separated "/S" in any
// case; everything else, without one pair of enclosing quotes and without a
// trailing backslash, names the Windows directory (empty when not given).
struct CommandLine {
    char windowsDirectory[DirectorySize];
    bool silent;
};
// False when the folder named would not fit whole.
bool ParseCommandLine(const char* text, CommandLine& line);

// What the uninstaller removes, in the order it removes it.
enum class RemovalItem { DriverService, DriverFile, MonitorFile, RunValue, UninstallEntry, Settings, Uninstaller };
constexpr size_t RemovalItemCount = 7;

enum class ItemState : uint8_t {
    Removed,           // or was not there
    RemovedAtRestart,  // scheduled: Windows finishes it when it next starts
    Remains,
};
struct ItemResult {
    ItemState state;
    uint32_t error;  // the Win32 error that kept it, when it remains
};
struct RemovalReport {
    ItemResult item[RemovalItemCount];
    // A monitor still runs where the uninstaller cannot close it (another
    // user's session, another desktop, a monitor without a window): its
    // driver keeps running and goes, with the files, at the next start.
    bool monitorRunsElsewhere;
};
inline ItemResult& ResultOf(RemovalReport& report, RemovalItem item)
{
    return report.item[static_cast<size_t>(item)];
}

// The program files' full paths, by their index in ProgramFiles; the driver's
// only on the NT family. False, with nothing formed, when a path would not
// fit: the uninstaller then removes nothing rather than a cut path.
struct RemovalPaths {
    char file[3][DirectorySize];
};
bool FormRemovalPaths(WindowsFamily family, const char* windowsDirectory, const char* systemDirectory,
                      RemovalPaths& paths);

// The [rename] section of WININIT.INI as zero-terminated lines ending in an
// empty one: appends "NUL=<short path>", which deletes the file when the
// 95/98 family next starts, unless the same line is there already. False,
// with the lines unchanged, when it does not fit.
bool AddStartupDeletion(char* lines, size_t size, const char* shortPath);

// Room for every item at once, the three program paths at their longest.
constexpr size_t FinalMessageSize = 2048;

// Says that everything has been removed, or names each thing that remains
// and why; says that a monitor still runs elsewhere; files that go only at
// the next start are named as such.
void FormatFinalMessage(const RemovalReport& report, const RemovalPaths& paths, char (&text)[FinalMessageSize]);

// 0 everything removed (or nothing was there), 1 something remains or the
// user chose not to remove anything, 2 a bad argument or a monitor that
// would not close, 3 removed while a monitor runs elsewhere, which keeps its
// driver until the next start.
enum class UninstallOutcome {
    Removed,
    SomethingRemains,
    Declined,
    BadArgument,
    MonitorStillRunning,
    RemovedWhileMonitorRuns,
};
UninstallOutcome OutcomeOf(const RemovalReport& report);
int ExitCodeOf(UninstallOutcome outcome);
