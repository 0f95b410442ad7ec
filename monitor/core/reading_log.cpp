#include "monitor/core/reading_log.h"

#include <cstring>
#include <initializer_list>

#include "common/runtime/format.h"
#include "monitor/ui/panel_text.h"

namespace {

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

bool IsAbsolutePath(const char* path)
{
    const bool driveLetter = ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':';
    return driveLetter || path[0] == '\\' || path[0] == '/';
}

// A line built in a fixed buffer, always terminated; overflow is set once
// something did not fit.
struct Line {
    char* text;
    size_t size;
    size_t length;
    bool overflow;
};

Line StartLine(char* text, size_t size)
{
    if (size > 0) text[0] = '\0';
    return {text, size, 0, false};
}

void AddChar(Line& line, char c)
{
    if (line.length + 1 >= line.size) {
        line.overflow = true;
        return;
    }
    line.text[line.length++] = c;
    line.text[line.length] = '\0';
}

void Add(Line& line, const char* text)
{
    for (const char* c = text; *c; ++c) AddChar(line, *c);
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

// A header column named by two words, e.g. "CPU (C)" or "Volts +12"; quoted,
// with its quotes doubled, when it holds a comma or a quote.
void AddNameColumn(Line& line, const char* first, const char* second)
{
    char name[TitleSize + 16];
    FormatText(name, sizeof name, "%s %s", first, second);
    const bool quoted = strchr(name, ',') != nullptr || strchr(name, '"') != nullptr;
    AddChar(line, ',');
    if (quoted) AddChar(line, '"');
    for (const char* c = name; *c; ++c) {
        if (*c == '"') AddChar(line, '"');
        AddChar(line, *c);
    }
    if (quoted) AddChar(line, '"');
}

size_t FinishLine(Line& line)
{
    Add(line, "\r\n");
    return line.overflow ? 0 : line.length;
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
    if (IsAbsolutePath(value)) {
        length = FormatText(path, sizeof path, "%s", value);
    } else {
        // The program's folder, up to and including its last separator.
        const char* lastSeparator = strrchr(programPath, '\\');
        const int folderLength = lastSeparator ? static_cast<int>(lastSeparator - programPath + 1) : 0;
        length = FormatText(path, sizeof path, "%.*s%s", folderLength, programPath, value);
    }
    if (length < 0 || static_cast<size_t>(length) >= sizeof path) return false;
    length = FormatText(rotatedPath, sizeof rotatedPath, "%s%s", path, RotatedLogSuffix);
    return length >= 0 && static_cast<size_t>(length) < sizeof rotatedPath;
}

size_t FormatLogHeader(const char (&titles)[FanChannelCount][TitleSize], char* text, size_t size)
{
    Line line = StartLine(text, size);
    Add(line, "Time");
    for (int n = 0; n < FanChannelCount; ++n) AddNameColumn(line, titles[n], "(C)");
    for (int n = 0; n < FanChannelCount; ++n) AddNameColumn(line, titles[n], "fan (RPM)");
    // The unit leads: spreadsheet programs take a cell that begins with a
    // sign, as "+12" does, for a formula.
    for (int k = 0; k < VoltageChannelCount; ++k) AddNameColumn(line, "Volts", PanelVoltageLabel[k]);
    Add(line, ",Case open,Temperature alarm,Voltage alarm,Case alarm,Read without lock,Fan stall alarm");
    return FinishLine(line);
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
