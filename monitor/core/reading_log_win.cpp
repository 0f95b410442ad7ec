#include <windows.h>

#include "common/windows_family.h"
#include "monitor/core/rail_check.h"
#include "monitor/core/reading_log.h"
#include "monitor/hw/chip.h"
#include "monitor/settings/settings_text.h"

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

// Never with the user's identity: should a path reach a pipe after all, its
// server cannot act as the user. The 95/98 family has no impersonation and
// documents no such flags for its CreateFile, so it is not given them.
DWORD LogFileFlags()
{
    if (IsWindows9xFamily(GetVersion())) return FILE_ATTRIBUTE_NORMAL;
    return FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_ANONYMOUS;
}

// Opened for each line and closed after it: between lines any program may
// open, copy, rename or delete the file, and a file that was read-only or a
// folder that was missing is simply found at the next interval. Shared for
// reading only, so nobody else writes into the middle of a line; without
// FILE_SHARE_DELETE, which the 95/98 family rejects. Read too, to tell the
// log from a file it must not touch.
HANDLE OpenLog()
{
    return CreateFileA(readingLog.path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                       LogFileFlags(), nullptr);
}

// Only a fixed disk of this machine: a network drive letter sends the lines,
// and the user's credentials, to another machine; a removable, CD-ROM or RAM
// drive may lose its medium or its contents. An unknown or missing drive
// is no fixed disk either.
bool OnFixedDisk()
{
    const char root[] = {readingLog.path[0], ':', '\\', '\0'};
    return GetDriveTypeA(root) == DRIVE_FIXED;
}

enum class Contents { OwnLog, Unreadable, Foreign };

// A handle that is not a disk file's (a device or pipe behind the name,
// whose first read may never return) is no log, and is not read.
Contents ContentsOf(HANDLE file)
{
    if (GetFileType(file) != FILE_TYPE_DISK) return Contents::Foreign;
    char start[LogLineSize];
    DWORD read = 0;
    if (!ReadFile(file, start, sizeof start, &read, nullptr)) return Contents::Unreadable;
    return IsOwnLogStart(start, read) ? Contents::OwnLog : Contents::Foreign;
}

// What the rename would replace; nothing there is as good as an old log.
Contents RotatedContents()
{
    HANDLE file = CreateFileA(readingLog.rotatedPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, LogFileFlags(), nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? Contents::OwnLog : Contents::Unreadable;
    const Contents contents = ContentsOf(file);
    CloseHandle(file);
    return contents;
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

// Adds the line to the file of size bytes, beginning an empty file with the
// header.
void WriteLine(HANDLE file, DWORD size, const char* line, size_t length)
{
    bool whole = size != INVALID_FILE_SIZE && SetFilePointer(file, 0, nullptr, FILE_END) == size;
    if (whole && size == 0) {
        char header[LogLineSize];
        const size_t headerLength = FormatLogHeader(monitorConfig.fanTitle, header, sizeof header);
        whole = headerLength > 0 && AppendWhole(file, 0, header, headerLength);
        size = static_cast<DWORD>(headerLength);
    }
    if (whole) AppendWhole(file, size, line, length);
}

// Renames the log, which the next line would take past LOGSIZE, and opens
// the new one; INVALID_HANDLE_VALUE when the line must wait.
HANDLE Rotate()
{
    const Contents old = RotatedContents();
    if (old == Contents::Foreign) readingLog.on = false;
    if (old != Contents::OwnLog || !RenameToRotated()) return INVALID_HANDLE_VALUE;
    return OpenLog();
}

// Adds the line, first renaming a file that it would take past LOGSIZE.
// Whatever fails drops the line without a word: the monitor may run hidden,
// and the next interval tries again. A drive that is not a fixed disk, or a
// file at either name that is neither empty nor a log of this program,
// belongs to someone else: logging ends for the session, and the file stays
// as it was.
void AppendLine(const char* line, size_t length)
{
    if (!OnFixedDisk()) {
        readingLog.on = false;
        return;
    }
    HANDLE file = OpenLog();
    if (file == INVALID_HANDLE_VALUE) return;
    Contents contents = ContentsOf(file);
    if (contents == Contents::OwnLog && LogRotationDue(GetFileSize(file, nullptr), length, readingLog.sizeKb)) {
        CloseHandle(file);
        file = Rotate();
        if (file == INVALID_HANDLE_VALUE) return;
        contents = ContentsOf(file);
    }
    if (contents == Contents::Foreign) readingLog.on = false;
    if (contents == Contents::OwnLog) WriteLine(file, GetFileSize(file, nullptr), line, length);
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
    if (length == 0) return;
    // No system box about a drive or its medium may stop the window's
    // thread, which runs the monitoring cycle. Only for the log's own calls:
    // the mode belongs to the whole process and is passed on to the
    // programs it starts.
    const UINT errorMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    SetErrorMode(errorMode | SEM_FAILCRITICALERRORS);
    AppendLine(line, length);
    SetErrorMode(errorMode);
}
