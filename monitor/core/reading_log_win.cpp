#include <windows.h>

#include "common/windows_family.h"
#include "monitor/core/reading_log.h"
#include "monitor/hw/chip.h"
#include "monitor/settings/settings_text.h"
#include "monitor/ui/rail_check.h"

namespace {

struct ReadingLog {
    bool on;  // LOGFILE was given and its path fits
    char path[LogPathSize];
    char rotatedPath[LogPathSize];
    int32_t intervalSeconds;
    int32_t sizeKb;
    bool lineBefore;  // a line has been due before, at lastLineTick
    DWORD lastLineTick;
};
ReadingLog readingLog;

void ReadKey(const char* key, char (&value)[SettingsValueSize])
{
    GetProfileStringA("Thermivo", key, "", value, SettingsValueSize);
}

LogReadings CollectReadings(const CycleFindings& found)
{
    LogReadings r;
    SYSTEMTIME now;
    GetLocalTime(&now);
    r.time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    for (int n = 0; n < FanChannelCount; ++n) {
        r.temperature[n] = monitorConfig.itemOn[n] ? sensorSnapshot[n].temperature : NotLogged;
        r.fanSpeed[n] = monitorConfig.itemOn[n + 3] ? sensorSnapshot[n].fanSpeed : NotLogged;
    }
    // The rails as the last judging read them (the cycle's own while the
    // window is hidden or minimised, else the last paint's), so that the line
    // holds the voltages its voltage alarm was decided on.
    for (int k = 0; k < VoltageChannelCount; ++k)
        r.millivolts[k] = monitorConfig.voltage[k].shown && judgedRails.judged[k] ? judgedRails.millivolts[k] : NotLogged;
    r.caseOpen = found.caseOpen;
    r.temperatureAlarm = found.temperatureAlarm;
    r.voltageAlarm = found.voltageAlarm;
    r.caseAlarm = found.caseOpen == 1 ? 1 : 0;
    r.readWithoutLock = found.readWithoutLock;
    r.fanStall = found.fanStall;
    return r;
}

// Opened for each line and closed after it: between lines any program may
// open, copy, rename or delete the file, and a file that was read-only or a
// folder that was missing is simply found at the next interval. Shared for
// reading only, so nobody else writes into the middle of a line; without
// FILE_SHARE_DELETE, which the 95/98 family rejects.
HANDLE OpenLog()
{
    return CreateFileA(readingLog.path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// One write at the end of the file, whose size is end; a write that fails
// part way is cut back, so that no part of a line stays in the file.
bool AppendWhole(HANDLE file, DWORD end, const char* text, size_t length)
{
    DWORD written = 0;
    if (WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr) && written == length) return true;
    SetFilePointer(file, static_cast<LONG>(end), nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    return false;
}

// The log becomes the ".old" file, replacing an older one. On the NT family
// a reader that holds the log open without FILE_SHARE_DELETE, as most do,
// makes the rename fail: the line waits for the next interval.
bool RenameToRotated()
{
    if (IsWindows9xFamily(GetVersion())) {
        // MoveFileEx is only a stub there.
        DeleteFileA(readingLog.rotatedPath);
        return MoveFileA(readingLog.path, readingLog.rotatedPath) != 0;
    }
    return MoveFileExA(readingLog.path, readingLog.rotatedPath, MOVEFILE_REPLACE_EXISTING) != 0;
}

// Adds the line, first renaming a file that it would take past LOGSIZE and
// beginning every new file with the header. Whatever fails drops the line
// without a word: the monitor may run hidden, and the next interval tries
// again.
void AppendLine(const char* line, size_t length)
{
    HANDLE file = OpenLog();
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD size = GetFileSize(file, nullptr);
    if (LogRotationDue(size, length, readingLog.sizeKb)) {
        CloseHandle(file);
        if (!RenameToRotated()) return;
        file = OpenLog();
        if (file == INVALID_HANDLE_VALUE) return;
        size = GetFileSize(file, nullptr);
    }
    bool whole = size != INVALID_FILE_SIZE && SetFilePointer(file, 0, nullptr, FILE_END) == size;
    if (whole && size == 0) {
        char header[LogLineSize];
        const size_t headerLength = FormatLogHeader(monitorConfig.fanTitle, header, sizeof header);
        whole = headerLength > 0 && AppendWhole(file, 0, header, headerLength);
        size = static_cast<DWORD>(headerLength);
    }
    if (whole) AppendWhole(file, size, line, length);
    CloseHandle(file);
}

}  // namespace

void LoadReadingLogSettings()
{
    char value[SettingsValueSize];
    ReadKey("LOGFILE", value);
    if (value[0] == '\0') return;
    char program[LogPathSize];
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    if (length == 0 || length >= sizeof program) return;
    // A path that does not fit is not cut to one that does: no log at all.
    if (!ResolveLogPaths(value, program, readingLog.path, readingLog.rotatedPath)) return;
    ReadKey("LOGINTERVAL", value);
    readingLog.intervalSeconds = ParseLogInterval(value);
    ReadKey("LOGSIZE", value);
    readingLog.sizeKb = ParseLogSizeKb(value);
    readingLog.on = true;
}

void LogCycleReadings(const CycleFindings& found)
{
    if (!readingLog.on) return;
    const DWORD now = GetTickCount();
    if (readingLog.lineBefore && !LogLineDue(now - readingLog.lastLineTick, readingLog.intervalSeconds)) return;
    readingLog.lineBefore = true;
    readingLog.lastLineTick = now;
    char line[LogLineSize];
    const size_t length = FormatLogLine(CollectReadings(found), line, sizeof line);
    if (length > 0) AppendLine(line, length);
}
