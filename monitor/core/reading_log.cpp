#include "monitor/core/reading_log.h"

#include <cstring>
#include <initializer_list>

#include "common/runtime/format.h"
#include "common/text_line.h"
#include "monitor/core/reading_text.h"

namespace {

// The header's first column; the line begins with it.
constexpr const char* LogHeaderStart = "Time";
// The only kind of file the log writes: text that no program runs.
constexpr const char* LogExtension = ".CSV";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A whole decimal number with optional blanks around it; values beyond
// INT32_MAX saturate. False for anything else.
bool ParseWholeNumber(const char* text, int32_t* value)
{
    const char* c = text;
    while (IsBlank(*c)) ++c;
    if (*c < '0' || *c > '9') return false;
    int64_t number = 0;
    for (; *c >= '0' && *c <= '9'; ++c)
        if (number <= INT32_MAX) number = number * 10 + (*c - '0');
    while (IsBlank(*c)) ++c;
    if (*c != '\0') return false;
    *value = number > INT32_MAX ? INT32_MAX : static_cast<int32_t>(number);
    return true;
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool IsDriveLetter(char c)
{
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

// "C:\..." or "C:/...": a drive and the path from its root.
bool IsFullPath(const char* path)
{
    return IsDriveLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]);
}

// The system ignores dots and blanks at the end of a name: "x.cmd. " is
// x.cmd.
size_t NameEnd(const char* path, size_t length)
{
    while (length > 0 && (path[length - 1] == '.' || path[length - 1] == ' ')) --length;
    return length;
}

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Whether name[0, length) is the upper-case word, in any case.
bool SameName(const char* name, size_t length, const char* word)
{
    size_t i = 0;
    for (; i < length && word[i] != '\0'; ++i)
        if (Upper(name[i]) != word[i]) return false;
    return i == length && word[i] == '\0';
}

// Names that open a device in every folder. CLOCK$ is one on the 95/98
// family; CONIN$ and CONOUT$ open the console. The 95/98 family also takes
// the names of the drivers loaded at boot, here those it commonly loads
// (configuration, memory managers, the file system helper, the version
// table, double buffering); another driver's name, such as a CD-ROM
// driver's, the log refuses once it has opened it and seen no disk file.
constexpr const char* DeviceNames[] = {"CON",      "PRN",      "AUX",      "NUL",      "CLOCK$",   "CONIN$",
                                       "CONOUT$",  "CONFIG$",  "XMSXXXX0", "EMMXXXX0", "EMMQXXX0", "IFS$HLP$",
                                       "SETVERXX", "DBLBUFF$"};

// A device name followed by one digit from 1 to 9; the code page's
// superscript one, two and three count as digits too.
constexpr const char* NumberedDeviceNames[] = {"COM", "LPT"};

bool IsDeviceNumber(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return (c >= '1' && c <= '9') || u == 0xB9 || u == 0xB2 || u == 0xB3;
}

// Whether one part of a path, between separators, names a device: the system
// looks only at what comes before the first dot, without the blanks around it.
bool NamesDevice(const char* part, size_t length)
{
    size_t end = 0;
    while (end < length && part[end] != '.') ++end;
    size_t begin = 0;
    while (begin < end && part[begin] == ' ') ++begin;
    while (end > begin && part[end - 1] == ' ') --end;
    const char* name = part + begin;
    const size_t nameLength = end - begin;
    for (const char* device : DeviceNames)
        if (SameName(name, nameLength, device)) return true;
    for (const char* device : NumberedDeviceNames)
        if (nameLength == 4 && SameName(name, 3, device) && IsDeviceNumber(name[3])) return true;
    return false;
}

// Whether text[0, length) holds part.
bool Holds(const char* text, size_t length, const char* part)
{
    const size_t partLength = strlen(part);
    for (size_t i = 0; i + partLength <= length; ++i)
        if (memcmp(text + i, part, partLength) == 0) return true;
    return false;
}

// A column: a comma, then the number or nothing.
void AddNumberColumn(Line& line, int32_t value)
{
    AddChar(line, ',');
    if (value == NotLogged) return;
    char text[16];
    FormatText(text, sizeof text, "%d", value);
    Add(line, text);
}

// A column with the panel's text of a voltage without its alignment blanks
// and its unit: " 1.74V" gives 1.74, "- 0.50V" gives -0.50.
void AddVoltsColumn(Line& line, int32_t millivolts)
{
    AddChar(line, ',');
    if (millivolts == NotLogged) return;
    char text[16];
    FormatVoltage(text, sizeof text, millivolts);
    for (const char* c = text; *c; ++c)
        if (*c != ' ' && *c != 'V') AddChar(line, *c);
}

// Whether a spreadsheet program would take a cell of this text for a
// formula, which can run commands: it begins, after any blanks, with one of
// the characters that start one, or with a tab or carriage return, which
// some programs drop before they look.
bool BeginsFormula(const char* cell)
{
    while (*cell == ' ') ++cell;
    return *cell != '\0' && strchr("=+-@\t\r", *cell) != nullptr;
}

// A header column named by two words, e.g. "CPU (C)" or "Volts +12"; quoted,
// with its quotes doubled, when it holds a comma or a quote. A title that
// would begin a formula is led by an apostrophe, which keeps the cell text.
void AddNameColumn(Line& line, const char* first, const char* second)
{
    char name[TitleSize + 16];
    FormatText(name, sizeof name, "%s%s %s", BeginsFormula(first) ? "'" : "", first, second);
    const bool quoted = strchr(name, ',') != nullptr || strchr(name, '"') != nullptr;
    AddChar(line, ',');
    if (quoted) AddChar(line, '"');
    for (const char* c = name; *c; ++c) {
        if (*c == '"') AddChar(line, '"');
        AddChar(line, *c);
    }
    if (quoted) AddChar(line, '"');
}

// The header's voltage columns. The unit leads: spreadsheet programs take a
// cell that begins with a sign, as "+12" does, for a formula.
void AddVoltageNames(Line& line)
{
    for (int k = 0; k < VoltageChannelCount; ++k) AddNameColumn(line, "Volts", PanelVoltageLabel[k]);
}

}  // namespace

int32_t ParseLogInterval(const char* text)
{
    int32_t seconds = 0;
    if (!ParseWholeNumber(text, &seconds) || seconds < 1 || seconds > LongestLogIntervalSeconds)
        return DefaultLogIntervalSeconds;
    return seconds;
}

int32_t ParseLogSizeKb(const char* text)
{
    int32_t kb = 0;
    if (!ParseWholeNumber(text, &kb)) return DefaultLogSizeKb;
    if (kb < SmallestLogSizeKb) return SmallestLogSizeKb;
    return kb > LargestLogSizeKb ? LargestLogSizeKb : kb;
}

bool ResolveLogPaths(const char* value, const char* programPath, char (&path)[LogPathSize],
                     char (&rotatedPath)[LogPathSize])
{
    int length = 0;
    if (IsDriveLetter(value[0]) && value[1] == ':') {
        // A drive with no root after it follows that drive's current folder.
        if (!IsSeparator(value[2])) return false;
        length = FormatText(path, sizeof path, "%s", value);
    } else if (IsSeparator(value[0])) {
        // From the current drive's root, or another machine.
        return false;
    } else {
        // The program's folder, up to and including its last separator.
        const char* lastSeparator = strrchr(programPath, '\\');
        const int folderLength = lastSeparator ? static_cast<int>(lastSeparator - programPath + 1) : 0;
        length = FormatText(path, sizeof path, "%.*s%s", folderLength, programPath, value);
    }
    if (length < 0 || static_cast<size_t>(length) >= sizeof path) return false;
    path[NameEnd(path, static_cast<size_t>(length))] = '\0';
    length = FormatText(rotatedPath, sizeof rotatedPath, "%s%s", path, RotatedLogSuffix);
    return length >= 0 && static_cast<size_t>(length) < sizeof rotatedPath && LogPathAllowed(path);
}

bool LogPathAllowed(const char* path)
{
    if (!IsFullPath(path)) return false;
    const char* rest = path + 2;
    for (const char* c = rest; *c != '\0'; ++c)
        if (*c == ':' || *c == '?' || *c == '*') return false;
    const size_t end = NameEnd(path, strlen(path));
    if (end < 4 || !SameName(path + end - 4, 4, LogExtension)) return false;
    while (*rest != '\0') {
        size_t length = 0;
        while (rest[length] != '\0' && !IsSeparator(rest[length])) ++length;
        if (NamesDevice(rest, length)) return false;
        rest += length;
        if (*rest != '\0') ++rest;
    }
    return true;
}

size_t FormatLogHeader(const char (&titles)[FanChannelCount][TitleSize], char* text, size_t size)
{
    Line line = StartLine(text, size);
    Add(line, LogHeaderStart);
    for (int n = 0; n < FanChannelCount; ++n) AddNameColumn(line, titles[n], "(C)");
    for (int n = 0; n < FanChannelCount; ++n) AddNameColumn(line, titles[n], "fan (RPM)");
    AddVoltageNames(line);
    Add(line, ",Case open,Temperature alarm,Voltage alarm,Case alarm,Read without lock,Fan stall alarm");
    return FinishLine(line);
}

bool IsOwnLogStart(const char* start, size_t length)
{
    if (length == 0) return true;
    size_t lineLength = 0;
    while (lineLength + 1 < length && !(start[lineLength] == '\r' && start[lineLength + 1] == '\n')) ++lineLength;
    if (lineLength + 1 >= length) return false;
    const size_t headerStartLength = strlen(LogHeaderStart);
    if (lineLength <= headerStartLength || memcmp(start, LogHeaderStart, headerStartLength) != 0 ||
        start[headerStartLength] != ',')
        return false;
    char names[LogLineSize];
    Line voltageNames = StartLine(names, sizeof names);
    AddVoltageNames(voltageNames);
    AddChar(voltageNames, ',');
    return Holds(start + headerStartLength, lineLength - headerStartLength, names);
}

size_t FormatLogLine(const LogReadings& r, char* text, size_t size)
{
    Line line = StartLine(text, size);
    char time[80];
    FormatText(time, sizeof time, "%04d-%02d-%02d %02d:%02d:%02d", r.time.year, r.time.month, r.time.day,
               r.time.hour, r.time.minute, r.time.second);
    Add(line, time);
    for (int32_t temperature : r.temperature) AddNumberColumn(line, temperature);
    for (int32_t rpm : r.fanSpeed) AddNumberColumn(line, rpm);
    for (int32_t mv : r.millivolts) AddVoltsColumn(line, mv);
    for (int32_t flag : {r.caseOpen, r.temperatureAlarm, r.voltageAlarm, r.caseAlarm, r.readWithoutLock, r.fanStall})
        AddNumberColumn(line, flag);
    return FinishLine(line);
}

bool LogLineDue(uint32_t elapsedMs, int32_t intervalSeconds)
{
    return elapsedMs >= static_cast<uint32_t>(intervalSeconds) * 1000u - 500u;
}

bool LogRotationDue(uint32_t fileSize, size_t lineLength, int32_t sizeKb)
{
    return fileSize > 0 && fileSize + lineLength > static_cast<uint64_t>(sizeKb) * 1024u;
}
