#include "monitor/settings/settings_text.h"

#include <cstring>

#include "common/runtime/format.h"
#include "common/runtime/scan.h"

namespace {

constexpr const char* FanNumbersPattern = "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d";
constexpr size_t MaxChannelNameLength = TitleSize - 1 - 4;  // room for " Fan"
constexpr int MaxListEntries = 11;                         // FANn and RESETn

int32_t Wrap(uint32_t value)
{
    return static_cast<int32_t>(value);
}

// One entry of a list value from c: blanks, an optional sign, digits, blanks.
// A value beyond the int range reads as its nearest end, as ScanText reads it.
// Returns where the entry ends, or null when it is not a number.
const char* ReadListEntry(const char* c, int32_t* value)
{
    while (IsSpaceChar(*c)) ++c;
    const bool negative = *c == '-';
    if (*c == '-' || *c == '+') ++c;
    if (!IsDigitChar(*c)) return nullptr;
    constexpr uint32_t Beyond = 0x80000000u;  // the magnitude of INT32_MIN, one past INT32_MAX
    uint32_t magnitude = 0;
    for (; IsDigitChar(*c); ++c) {
        const uint32_t digit = static_cast<uint32_t>(*c - '0');
        magnitude = magnitude > (Beyond - digit) / 10u ? Beyond : magnitude * 10u + digit;
    }
    while (IsSpaceChar(*c)) ++c;
    if (negative) *value = magnitude == Beyond ? INT32_MIN : -static_cast<int32_t>(magnitude);
    else *value = magnitude == Beyond ? INT32_MAX : static_cast<int32_t>(magnitude);
    return c;
}

// The first count entries of a list value into values; returns how many the
// text holds (0 for an empty text), or -1, with nothing stored, when one of
// them is not a number.
int ReadListNumbers(const char* text, int32_t* values, int count)
{
    int32_t read[MaxListEntries];
    int entries = 0;
    if (*text != '\0') {
        for (const char* c = text; entries < count; ++c) {
            c = ReadListEntry(c, &read[entries]);
            if (!c || (*c != ',' && *c != '\0')) return -1;
            ++entries;
            if (*c == '\0') break;
        }
    }
    for (int i = 0; i < entries; ++i) values[i] = read[i];
    return entries;
}

}  // namespace

int ScanFanNumbers(const char* text, int32_t* const d[11])
{
    int32_t numbers[11] = {};
    const int entries = ReadListNumbers(text, numbers, 11);
    const int limits = entries > 6 ? 5 : entries - 1;
    if (entries < 0 || !LimitsInOrder(numbers + 1, limits)) return -1;
    for (int i = 0; i < entries; ++i) *d[i] = numbers[i];
    return entries;
}

bool ParseFanProfile(int channel, const char* text)
{
    FanProfile& p = monitorConfig.fan[channel];
    FanProfile read = p;
    int32_t mode = 1;  // no number at all: automatic mode
    int32_t* const destinations[11] = {&mode, &read.tempLimit[0], &read.tempLimit[1], &read.tempLimit[2],
                                       &read.tempLimit[3], &read.tempLimit[4], &read.pwmLevel[0], &read.pwmLevel[1],
                                       &read.pwmLevel[2], &read.manualPwm, &read.alarmTemp};
    // A short value keeps the limits it does not reach: the curve they make
    // with the ones it gives must be in order too.
    const bool whole = ScanFanNumbers(text, destinations) >= 0 && LimitsInOrder(read.tempLimit, 5);
    if (whole) p = read;
    p.autoMode = whole && mode == 0 ? 0 : 1;
    monitorConfig.effectiveAlarmTemp[channel] = FanAlarmThreshold(p);
    return whole;
}

void FormatFanProfile(int channel, char* buffer, size_t size)
{
    const FanProfile& p = monitorConfig.fan[channel];
    FormatText(buffer, size, FanNumbersPattern, p.autoMode ? 1 : 0, p.tempLimit[0], p.tempLimit[1], p.tempLimit[2],
               p.tempLimit[3], p.tempLimit[4], p.pwmLevel[0], p.pwmLevel[1], p.pwmLevel[2], p.manualPwm, p.alarmTemp);
}

bool ParseItemFlags(const char* text, int32_t flags[ReadoutItemCount])
{
    int32_t n[ReadoutItemCount] = {1, 1, 1, 1, 1, 1};
    const bool whole = ReadListNumbers(text, n, ReadoutItemCount) >= 0;
    for (int i = 0; i < ReadoutItemCount; ++i) flags[i] = n[i] != 0 ? 1 : 0;
    return whole;
}

bool ParseFanStallFlags(const char* text, int32_t watched[FanChannelCount])
{
    int32_t n[FanChannelCount] = {0, 0, 0};
    const bool whole = ReadListNumbers(text, n, FanChannelCount) >= 0;
    for (int i = 0; i < FanChannelCount; ++i) watched[i] = n[i] == 1 ? 1 : 0;
    return whole;
}

int32_t ParseOptInSwitch(const char* text)
{
    int32_t value = 0;
    const char* end = ReadListEntry(text, &value);
    return end && *end == '\0' && value == 1 ? 1 : 0;
}

bool ParseVoltageList(const char* text, int32_t slots[VoltageChannelCount])
{
    for (int k = 0; k < VoltageChannelCount; ++k) slots[k] = 0;
    return ReadListNumbers(text, slots, VoltageChannelCount) >= 0;
}

bool ParseVoltageFlags(const char* text, int32_t slots[VoltageChannelCount])
{
    int32_t numbers[VoltageChannelCount];
    if (ReadListNumbers(text, numbers, VoltageChannelCount) < 0) return false;
    for (int k = 0; k < VoltageChannelCount; ++k) slots[k] = 0;
    int slot = 0;
    for (const char* c = text; *c && slot < VoltageChannelCount; ++c) {
        if (*c == ',') ++slot;
        else if (*c == '1') slots[slot] = 1;
    }
    return true;
}

void FormatVoltageList(const int32_t values[VoltageChannelCount], char* buffer, size_t size)
{
    size_t used = 0;
    buffer[0] = '\0';
    for (int k = 0; k < VoltageChannelCount; ++k) {
        const int written = FormatText(buffer + used, size - used, "%s%d", k == 0 ? "" : ",", values[k]);
        if (written < 0 || static_cast<size_t>(written) >= size - used) return;
        used += static_cast<size_t>(written);
    }
}

int32_t ParseLeadingInteger(const char* text)
{
    const unsigned char* c = reinterpret_cast<const unsigned char*>(text);
    while (IsSpaceChar(*c)) ++c;
    const bool negative = *c == '-';
    if (*c == '-' || *c == '+') ++c;
    uint32_t value = 0;
    for (; IsDigitChar(*c); ++c) value = value * 10u + static_cast<uint32_t>(*c - '0');
    return Wrap(negative ? 0u - value : value);
}

int32_t ParseOnUnlessZero(const char* text)
{
    return text[0] == '0' ? 0 : 1;
}

bool ParsePosition(const char* text, int32_t* x, int32_t* y)
{
    int32_t xy[2];
    if (ReadListNumbers(text, xy, 2) != 2) return false;
    *x = xy[0];
    *y = xy[1];
    return true;
}

void SetChannelTitle(int channel, const char* name)
{
    const int length = static_cast<int>(MaxChannelNameLength);
    FormatText(monitorConfig.fanTitle[channel], TitleSize, "%.*s", length, name);
    FormatText(monitorConfig.fanPageTitle[channel], TitleSize, "%.*s Fan", length, name);
}
