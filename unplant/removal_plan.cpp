#include "unplant/removal_plan.h"

#include <cstring>

#include "common/bounded_format.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsSilentSwitch(const char* token, size_t length)
{
    return length == 2 && token[0] == '/' && (token[1] == 'S' || token[1] == 's');
}

// Appends whole or not at all; false once the folder no longer fits.
bool AppendWhole(char (&out)[DirectorySize], size_t& length, const char* text, size_t count)
{
    if (count > sizeof out - 1 - length) return false;
    memcpy(out + length, text, count);
    length += count;
    out[length] = '\0';
    return true;
}

void TrimFolder(char* folder, size_t length)
{
    if (length >= 2 && folder[0] == '"' && folder[length - 1] == '"') {
        length -= 2;
        memmove(folder, folder + 1, length);
        folder[length] = '\0';
    }
    // "C:\" keeps its backslash: without it, it would name the drive's current folder.
    const bool driveRoot = length == 3 && folder[1] == ':';
    if (length > 0 && folder[length - 1] == '\\' && !driveRoot) folder[length - 1] = '\0';
}

struct ReasonText {
    uint32_t error;
    const char* text;
};
// The Win32 errors a user can act on; any other is shown by its number.
constexpr ReasonText ReasonTexts[] = {
    {5, "access denied"},                          // ERROR_ACCESS_DENIED: no rights for the step
    {32, "in use by another program"},             // ERROR_SHARING_VIOLATION
    {1053, "the service did not stop in time"},    // ERROR_SERVICE_REQUEST_TIMEOUT
    {1061, "the service cannot be stopped now"},   // ERROR_SERVICE_CANNOT_ACCEPT_CTRL
};

constexpr size_t ReasonSize = 40;

void FormatReason(uint32_t error, char (&reason)[ReasonSize])
{
    for (const ReasonText& known : ReasonTexts) {
        if (known.error == error) {
            FormatWhole(reason, sizeof reason, "%s", known.text);
            return;
        }
    }
    FormatWhole(reason, sizeof reason, "error %lu", static_cast<unsigned long>(error));
}

// One line of the message, or nothing when it would not fit.
void AppendLine(char (&text)[FinalMessageSize], const char* name, const char* reason)
{
    const size_t length = strlen(text);
    if (reason) {
        FormatWhole(text + length, sizeof text - length, "\n%s: %s", name, reason);
    } else {
        FormatWhole(text + length, sizeof text - length, "\n%s", name);
    }
}

const char* ItemName(RemovalItem item, const RemovalPaths& paths)
{
    switch (item) {
    case RemovalItem::DriverService: return "The driver service \"hwpio\"";
    case RemovalItem::DriverFile: return paths.file[DriverFileIndex];
    case RemovalItem::MonitorFile: return paths.file[MonitorFileIndex];
    case RemovalItem::RunValue: return "The start-at-logon value \"Thermivo\"";
    case RemovalItem::UninstallEntry: return "The entry in the list of installed programs";
    case RemovalItem::Settings: return "The \"Thermivo\" section of win.ini";
    case RemovalItem::Uninstaller: return paths.file[UninstallerFileIndex];
    }
    return "";
}

void AppendItems(const RemovalReport& report, const RemovalPaths& paths, ItemState state,
                 char (&text)[FinalMessageSize])
{
    for (size_t i = 0; i < RemovalItemCount; ++i) {
        const ItemResult& result = report.item[i];
        if (result.state != state) continue;
        const char* name = ItemName(static_cast<RemovalItem>(i), paths);
        if (state != ItemState::Remains) {
            AppendLine(text, name, nullptr);
            continue;
        }
        char reason[ReasonSize];
        FormatReason(result.error, reason);
        AppendLine(text, name, reason);
    }
}

bool Any(const RemovalReport& report, ItemState state)
{
    for (const ItemResult& result : report.item)
        if (result.state == state) return true;
    return false;
}

}  // namespace

bool ParseCommandLine(const char* text, CommandLine& line)
{
    line.silent = false;
    line.windowsDirectory[0] = '\0';
    size_t length = 0;
    bool fits = true;
    bool quoted = false;
    size_t i = 0;
    while (text[i]) {
        const size_t gap = i;
        while (IsBlank(text[i])) ++i;
        if (!text[i]) break;
        // A token runs to the next blank outside quotes.
        const size_t token = i;
        while (text[i] && (quoted || !IsBlank(text[i]))) {
            if (text[i] == '"') quoted = !quoted;
            ++i;
        }
        if (IsSilentSwitch(text + token, i - token)) {
            line.silent = true;
            continue;
        }
        // Blanks between the folder's words are part of its name.
        const size_t from = length > 0 ? gap : token;
        fits = fits && AppendWhole(line.windowsDirectory, length, text + from, i - from);
    }
    if (!fits) {
        line.windowsDirectory[0] = '\0';
        return false;
    }
    TrimFolder(line.windowsDirectory, length);
    return true;
}

bool FormRemovalPaths(WindowsFamily family, const char* windowsDirectory, const char* systemDirectory,
                      RemovalPaths& paths)
{
    for (char* path : paths.file) path[0] = '\0';
    for (size_t i = 0; i < ProgramFileCount(family); ++i) {
        const ProgramFile& file = ProgramFiles[i];
        const char* folder = file.folder == TargetFolder::Windows ? windowsDirectory : systemDirectory;
        if (!FormatTargetPath(folder, file, paths.file[i])) {
            for (char* path : paths.file) path[0] = '\0';
            return false;
        }
    }
    return true;
}

bool AddStartupDeletion(char* lines, size_t size, const char* shortPath)
{
    char entry[DirectorySize + 4];
    if (!FormatWhole(entry, sizeof entry, "NUL=%s", shortPath)) return false;
    size_t end = 0;
    while (end < size && lines[end] != '\0') {
        if (strcmp(lines + end, entry) == 0) return true;
        end += strlen(lines + end) + 1;
    }
    const size_t length = strlen(entry);
    if (end + length + 2 > size) return false;  // the line, its zero and the closing empty line
    memcpy(lines + end, entry, length + 1);
    lines[end + length + 1] = '\0';
    return true;
}

void FormatFinalMessage(const RemovalReport& report, const RemovalPaths& paths, char (&text)[FinalMessageSize])
{
    if (Any(report, ItemState::Remains)) {
        FormatWhole(text, sizeof text, "QX7305 Thermivo could not be removed completely. These remain:\n");
        AppendItems(report, paths, ItemState::Remains, text);
    } else {
        FormatWhole(text, sizeof text, "QX7305 Thermivo and its settings have been removed from this computer.");
    }
    if (report.monitorRunsElsewhere) {
        const size_t length = strlen(text);
        FormatWhole(text + length, sizeof text - length,
                    "\n\nA Thermivo monitor is still running elsewhere on this computer, for example for another "
                    "user. Its driver keeps running, so that the monitor keeps control of the fans until it ends.");
    }
    if (Any(report, ItemState::RemovedAtRestart)) {
        const size_t length = strlen(text);
        FormatWhole(text + length, sizeof text - length, "\n\nWindows removes these when it next starts:\n");
        AppendItems(report, paths, ItemState::RemovedAtRestart, text);
    }
}

UninstallOutcome OutcomeOf(const RemovalReport& report)
{
    if (Any(report, ItemState::Remains)) return UninstallOutcome::SomethingRemains;
    return report.monitorRunsElsewhere ? UninstallOutcome::RemovedWhileMonitorRuns : UninstallOutcome::Removed;
}

int ExitCodeOf(UninstallOutcome outcome)
{
    switch (outcome) {
    case UninstallOutcome::Removed: return 0;
    case UninstallOutcome::SomethingRemains:
    case UninstallOutcome::Declined: return 1;
    case UninstallOutcome::BadArgument:
    case UninstallOutcome::MonitorStillRunning: return 2;
    case UninstallOutcome::RemovedWhileMonitorRuns: return 3;
    }
    return 2;
}
