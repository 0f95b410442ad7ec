// The reading log: an opt-in CSV record of the readings, one line per
// interval, for what happened while nobody watched. This part needs no
// platform call: the values of the LOGFILE, LOGINTERVAL and LOGSIZE keys, the
// header and the lines, and when the file is renamed to make room.
// reading_log_win.cpp reads the keys and writes the file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "monitor/settings/monitor_config.h"

// The log's path and the name it is renamed to, each with its terminator;
// the size of a Windows path buffer.
constexpr size_t LogPathSize = 260;
constexpr const char* RotatedLogSuffix = ".old";

constexpr int32_t DefaultLogIntervalSeconds = 10;
constexpr int32_t LongestLogIntervalSeconds = 3600;
constexpr int32_t DefaultLogSizeKb = 1024;
constexpr int32_t SmallestLogSizeKb = 16;
// Keeps the size in bytes within a signed 32-bit file size.
constexpr int32_t LargestLogSizeKb = 2 * 1024 * 1024 - 1;

// Big enough for the longest header (every title 63 quotes long) and any line.
constexpr size_t LogLineSize = 2048;

// LOGINTERVAL: whole seconds from 1 to 3600, blanks around allowed; anything
// else (empty, signs, letters, out of range) is the default.
int32_t ParseLogInterval(const char* text);
// LOGSIZE: whole kilobytes, at least 16 (smaller sizes are raised to it);
// text that is not a number is the default.
int32_t ParseLogSizeKb(const char* text);

// LOGFILE: a full path ("C:\..") is taken as it is, a relative one from the
// folder of programPath, both without the dots and blanks at the end that
// the system ignores. A path from the current folder of a drive ("C:x.csv")
// or from the root of the current drive ("\x.csv") is refused: either
// follows a current folder, which may be anywhere, another machine's share
// included. False, and logging off, for those, when the path with the
// rotation suffix would not fit LogPathSize, or when the path is not
// LogPathAllowed.
bool ResolveLogPaths(const char* value, const char* programPath, char (&path)[LogPathSize],
                     char (&rotatedPath)[LogPathSize]);

// Whether the log may write to the path: only a .CSV file (any case, judged
// without trailing dots and blanks), which no program runs, given by its
// full path on a drive of this machine. Refused are any other path (another
// machine's share, which would be sent the user's credentials, the device
// namespaces \\.\ and \\?\, which reach pipes and devices, paths relative to
// a current folder), wildcards and '?', a colon other than the drive's (a
// file's stream, or "COM1:"), and a device name as any part of the path,
// with any extension and trailing dots or blanks, as the system takes
// "C:\logs\nul .csv" for NUL. Whether the drive is a fixed disk of this
// machine, and the file a disk file, only the system can tell:
// reading_log_win.cpp asks it before each line.
bool LogPathAllowed(const char* path);

// Whether a file that begins with these bytes (its first length bytes, or all
// of it when shorter than LogLineSize) may be appended to, rotated or
// replaced: it is empty, or its first line is this log's header. The channel
// titles in the header may have changed since, so the header is known by its
// first column and its voltage columns.
bool IsOwnLogStart(const char* start, size_t length);

// An empty column: a channel that is not present or not shown, or the case
// flag without case supervision.
constexpr int32_t NotLogged = INT32_MIN;

struct LogTime {
    int32_t year, month, day, hour, minute, second;
};

// One line: the readings of the cycle that writes it.
struct LogReadings {
    LogTime time;  // local
    int32_t temperature[FanChannelCount];      // degrees Celsius
    int32_t fanSpeed[FanChannelCount];         // RPM
    int32_t millivolts[VoltageChannelCount];  // as the panel takes them
    int32_t caseOpen;                          // 0/1
    // 0/1, as the cycle decided them; the voltage alarm is the verdict on
    // the line's voltages.
    int32_t temperatureAlarm, voltageAlarm, caseAlarm;
    // 0/1: the cycle read the chip without the lock another program kept.
    int32_t readWithoutLock;
    int32_t fanStall;  // 0/1, NotLogged when no fan is watched
};

// The header line: the columns named with the channel titles and, after
// "Volts", the panel's voltage labels; titles with a comma or quote are
// quoted, and a title that a spreadsheet program would take for the start
// of a formula is led by an apostrophe. Both end with CR LF and return their length, or 0 when the buffer
// is too small.
size_t FormatLogHeader(const char (&titles)[FanChannelCount][TitleSize], char* line, size_t size);
// "2026-12-07 03:14:15,45,34,29,5192,0,,1.80,12.04,-11.98,..." with the
// voltages as the panel shows them, without its blanks and unit.
size_t FormatLogLine(const LogReadings& readings, char* line, size_t size);

// Whether a line is due, elapsedMs after the last one. Half a second of slack
// lets a line go out on every cycle of a one-second interval although the
// timer's cycles come a little early or late.
bool LogLineDue(uint32_t elapsedMs, int32_t intervalSeconds);
// Whether the file, of fileSize bytes, must be renamed before a line of
// lineLength bytes is added. A file with nothing in it never is.
bool LogRotationDue(uint32_t fileSize, size_t lineLength, int32_t sizeKb);

// What the monitoring cycle found, for the line it writes: its alarm sources
// (0/1), the case flag when it read one (NotLogged otherwise), whether it
// read without the chip lock (0/1), and the stall alarm when a fan is
// watched (NotLogged otherwise).
struct CycleFindings {
    int32_t temperatureAlarm;
    int32_t voltageAlarm;
    int32_t caseOpen;
    int32_t readWithoutLock;
    int32_t fanStall;
};

// The file side, in reading_log_win.cpp. LoadReadingLogSettings runs once,
// right after the settings are loaded; LogCycleReadings at the end of every
// monitoring cycle writes the line when one is due, with the rails as they
// were judged last.
void LoadReadingLogSettings();
void LogCycleReadings(const CycleFindings& found);
