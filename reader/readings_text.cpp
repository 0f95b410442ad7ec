#include "reader/readings_text.h"

#include <initializer_list>

#include "common/runtime/format.h"
#include "common/text_line.h"

namespace {

constexpr size_t TitleBytes = sizeof ThermivoTemperature::title;
constexpr size_t LabelBytes = sizeof ThermivoRail::label;
constexpr size_t NameSize = TitleBytes + 8;  // a title and " fan"

// A name from the block, up to its terminator or its field's end, with
// control characters shown as '?' so that a name cannot start lines of its own.
void CopyName(char (&name)[NameSize], const char* field, size_t fieldSize, const char* suffix)
{
    size_t n = 0;
    for (; n < fieldSize && field[n] != '\0'; ++n) {
        const unsigned char c = static_cast<unsigned char>(field[n]);
        name[n] = c < 0x20 || c == 0x7F ? '?' : field[n];
    }
    FormatText(name + n, sizeof name - n, "%s", suffix);
}

bool On(int32_t flag)
{
    return flag != 0;
}

bool Taken(uint32_t ageMs)
{
    return ageMs != THERMIVO_NEVER_READ;
}

// "12.04", "-11.98": truncated hundredths, as the panel shows a rail.
void FormatVolts(char (&text)[16], int32_t millivolts)
{
    const uint32_t magnitude = millivolts < 0 ? 0u - static_cast<uint32_t>(millivolts) : static_cast<uint32_t>(millivolts);
    FormatText(text, sizeof text, "%s%u.%02u", millivolts < 0 ? "-" : "", magnitude / 1000, magnitude % 1000 / 10);
}

struct Reading {
    char name[NameSize];
    char value[16];  // "-" when never read
    const char* unit;
    bool alarm;
    uint32_t ageMs;
};

void AddTemperatures(const ThermivoReadings& b, Reading* readings, int* count)
{
    for (const ThermivoTemperature& t : b.temperature) {
        if (!On(t.shown)) continue;
        Reading& r = readings[(*count)++];
        CopyName(r.name, t.title, TitleBytes, "");
        FormatText(r.value, sizeof r.value, "%d", t.panelValue);
        r.unit = On(static_cast<int32_t>(b.fahrenheit)) ? "F" : "C";
        r.alarm = On(t.alarm);
        r.ageMs = t.ageMs;
    }
}

void AddFans(const ThermivoReadings& b, Reading* readings, int* count)
{
    for (int n = 0; n < THERMIVO_FANS; ++n) {
        const ThermivoFan& f = b.fan[n];
        if (!On(f.shown)) continue;
        Reading& r = readings[(*count)++];
        CopyName(r.name, b.temperature[n].title, TitleBytes, " fan");
        FormatText(r.value, sizeof r.value, "%d", f.rpm);
        r.unit = "RPM";
        r.alarm = On(f.stalled);
        r.ageMs = f.ageMs;
    }
}

void AddRails(const ThermivoReadings& b, Reading* readings, int* count)
{
    for (const ThermivoRail& rail : b.rail) {
        if (!On(rail.shown)) continue;
        Reading& r = readings[(*count)++];
        CopyName(r.name, rail.label, LabelBytes, "");
        FormatVolts(r.value, rail.millivolts);
        r.unit = "V";
        r.alarm = On(rail.alarm);
        r.ageMs = rail.ageMs;
    }
}

void AddCase(const ThermivoReadings& b, Reading* readings, int* count)
{
    if (!On(b.caseWatched)) return;
    Reading& r = readings[(*count)++];
    FormatText(r.name, sizeof r.name, "Case");
    FormatText(r.value, sizeof r.value, "%s", On(b.caseOpen) ? "open" : "closed");
    r.unit = "";
    r.alarm = On(b.caseOpen);
    r.ageMs = b.caseAgeMs;
}

void AddTime(Line& out, const ThermivoReadings& b)
{
    AddFormatted(out, "%04u-%02u-%02u %02u:%02u:%02u", b.year, b.month, b.day, b.hour, b.minute, b.second);
}

void AddColumn(Line& out, bool filled, const char* value)
{
    AddFormatted(out, ",%s", filled ? value : "");
}

void AddNumberColumn(Line& out, bool filled, int32_t value)
{
    char text[16];
    FormatText(text, sizeof text, "%d", value);
    AddColumn(out, filled, text);
}

}  // namespace

bool ParseReaderArguments(const char* arguments, bool* csv)
{
    const char* c = arguments;
    while (*c == ' ' || *c == '\t') ++c;
    *csv = false;
    if ((c[0] == '/' || c[0] == '-') && (c[1] | 0x20) == 'c' && (c[2] | 0x20) == 's' && (c[3] | 0x20) == 'v') {
        *csv = true;
        c += 4;
    }
    while (*c == ' ' || *c == '\t') ++c;
    return *c == '\0';
}

int ExitCodeOfCopy(const ThermivoReadings& copy, uint32_t nowTick)
{
    if (copy.running == 0) return NoReadings;
    return nowTick - copy.updateTick > FreshForMs ? ReadingsNotCurrent : ReadingsFresh;
}

size_t FormatReadingLines(const ThermivoReadings& b, char* text, size_t size)
{
    Reading readings[THERMIVO_TEMPERATURES + THERMIVO_FANS + THERMIVO_RAILS + 1];
    int count = 0;
    AddTemperatures(b, readings, &count);
    AddFans(b, readings, &count);
    AddRails(b, readings, &count);
    AddCase(b, readings, &count);
    int width = 0;
    for (int i = 0; i < count; ++i) {
        int length = 0;
        while (readings[i].name[length] != '\0') ++length;
        if (length > width) width = length;
    }
    Line out = StartLine(text, size);
    Add(out, "Thermivo readings of ");
    AddTime(out, b);
    for (int i = 0; i < count; ++i) {
        const Reading& r = readings[i];
        const bool taken = Taken(r.ageMs);
        AddFormatted(out, "\r\n%-*s %6s%s%s", width, r.name, taken ? r.value : "-", taken && r.unit[0] ? " " : "",
               taken ? r.unit : "");
        if (r.alarm) Add(out, "  Alarm");
        if (taken && r.ageMs >= FreshForMs) AddFormatted(out, "  (%u s old)", r.ageMs / 1000);
    }
    return FinishLine(out);
}

size_t FormatReadingsCsv(const ThermivoReadings& b, char* text, size_t size)
{
    Line out = StartLine(text, size);
    AddTime(out, b);
    for (const ThermivoTemperature& t : b.temperature) AddNumberColumn(out, On(t.shown) && Taken(t.ageMs), t.celsius);
    for (const ThermivoFan& f : b.fan) AddNumberColumn(out, On(f.shown) && Taken(f.ageMs), f.rpm);
    for (const ThermivoRail& r : b.rail) {
        char volts[16];
        FormatVolts(volts, r.millivolts);
        AddColumn(out, On(r.shown) && Taken(r.ageMs), volts);
    }
    AddNumberColumn(out, On(b.caseWatched), On(b.caseOpen) ? 1 : 0);
    for (uint32_t source : {THERMIVO_ALARM_TEMPERATURE, THERMIVO_ALARM_VOLTAGE, THERMIVO_ALARM_CASE})
        AddNumberColumn(out, true, (b.alarmSources & source) ? 1 : 0);
    bool watched = false;
    for (const ThermivoFan& f : b.fan) watched = watched || On(f.watched);
    AddNumberColumn(out, watched, (b.alarmSources & THERMIVO_ALARM_FAN_STALL) ? 1 : 0);
    return FinishLine(out);
}
