#include "monitor/core/reading_log.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

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

// Appends to a fixed buffer and remembers when something did not fit; the
// text is always terminated.
class LineWriter {
public:
    LineWriter(char* line, size_t size) : line_(line), size_(size)
    {
        if (size_ > 0) line_[0] = '\0';
    }
    void Add(const char* text)
    {
        for (const char* c = text; *c; ++c) AddChar(*c);
    }
    void AddChar(char c)
    {
        if (length_ + 1 >= size_) {
            overflow_ = true;
            return;
        }
        line_[length_++] = c;
        line_[length_] = '\0';
    }
    void AddNumber(int32_t value)
    {
        if (value == NotLogged) return;
        char text[16];
        snprintf(text, sizeof text, "%d", value);
        Add(text);
    }
    // The panel's text of a voltage without its alignment blanks and its
    // unit: " 1.74V" gives 1.74, "- 0.50V" gives -0.50.
    void AddVolts(int32_t millivolts)
    {
        if (millivolts == NotLogged) return;
        char text[16];
        FormatVoltage(text, sizeof text, millivolts);
        for (const char* c = text; *c; ++c)
            if (*c != ' ' && *c != 'V') AddChar(*c);
    }
    // A CSV field, quoted with its quotes doubled when it holds a comma or
    // a quote.
    void AddField(const char* text)
    {
        const bool quoted = strpbrk(text, ",\"") != nullptr;
        if (quoted) AddChar('"');
        for (const char* c = text; *c; ++c) {
            if (*c == '"') AddChar('"');
            AddChar(*c);
        }
        if (quoted) AddChar('"');
    }
    size_t Finish()
    {
        Add("\r\n");
        return overflow_ ? 0 : length_;
    }

private:
    char* line_;
    size_t size_;
    size_t length_ = 0;
    bool overflow_ = false;
};

// A column named by two words, e.g. "CPU (C)" or "Volts +12".
void AddColumn(LineWriter& out, const char* first, const char* second)
{
    char field[TitleSize + 16];
    snprintf(field, sizeof field, "%s %s", first, second);
    out.AddChar(',');
    out.AddField(field);
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
        length = snprintf(path, sizeof path, "%s", value);
    } else {
        // The program's folder, up to and including its last separator.
        const char* lastSeparator = strrchr(programPath, '\\');
        const int folderLength = lastSeparator ? static_cast<int>(lastSeparator - programPath + 1) : 0;
        length = snprintf(path, sizeof path, "%.*s%s", folderLength, programPath, value);
    }
    if (length < 0 || static_cast<size_t>(length) >= sizeof path) return false;
    length = snprintf(rotatedPath, sizeof rotatedPath, "%s%s", path, RotatedLogSuffix);
    return length >= 0 && static_cast<size_t>(length) < sizeof rotatedPath;
}

size_t FormatLogHeader(const char (&titles)[FanChannelCount][TitleSize], char* line, size_t size)
{
    LineWriter out(line, size);
    out.Add("Time");
    for (int n = 0; n < FanChannelCount; ++n) AddColumn(out, titles[n], "(C)");
    for (int n = 0; n < FanChannelCount; ++n) AddColumn(out, titles[n], "fan (RPM)");
    // The unit leads: spreadsheet programs take a cell that begins with a
    // sign, as "+12" does, for a formula.
    for (int k = 0; k < VoltageChannelCount; ++k) AddColumn(out, "Volts", PanelVoltageLabel[k]);
    out.Add(",Case open,Temperature alarm,Voltage alarm,Case alarm");
    return out.Finish();
}

size_t FormatLogLine(const LogReadings& r, char* line, size_t size)
{
    LineWriter out(line, size);
    char time[80];
    snprintf(time, sizeof time, "%04d-%02d-%02d %02d:%02d:%02d", r.time.year, r.time.month, r.time.day,
             r.time.hour, r.time.minute, r.time.second);
    out.Add(time);
    for (int32_t temperature : r.temperature) {
        out.AddChar(',');
        out.AddNumber(temperature);
    }
    for (int32_t rpm : r.fanSpeed) {
        out.AddChar(',');
        out.AddNumber(rpm);
    }
    for (int32_t mv : r.millivolts) {
        out.AddChar(',');
        out.AddVolts(mv);
    }
    for (int32_t flag : {r.caseOpen, r.temperatureAlarm, r.voltageAlarm, r.caseAlarm}) {
        out.AddChar(',');
        out.AddNumber(flag);
    }
    return out.Finish();
}

bool LogLineDue(uint32_t elapsedMs, int32_t intervalSeconds)
{
    return elapsedMs >= static_cast<uint32_t>(intervalSeconds) * 1000u - 500u;
}

bool LogRotationDue(uint32_t fileSize, size_t lineLength, int32_t sizeKb)
{
    return fileSize > 0 && fileSize + lineLength > static_cast<uint64_t>(sizeKb) * 1024u;
}
