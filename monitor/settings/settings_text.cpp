#include "monitor/settings/settings_text.h"

#include <cstring>

#include "common/runtime/format.h"
#include "common/runtime/scan.h"

namespace {

constexpr const char* FanNumbersPattern = "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d";
constexpr size_t MaxChannelNameLength = TitleSize - 1 - 4;  // room for " Fan"

// The walk shared by the three voltage-list parsers: a comma moves to the
// next slot (and stops after the eighth), anything else goes to fold().
// Values wrap around in 32 bits instead of overflowing on long garbage.
template <typename Fold>
void WalkVoltageSlots(const char* text, int32_t slots[VoltageChannelCount], Fold fold)
{
    for (int k = 0; k < VoltageChannelCount; ++k) slots[k] = 0;
    int slot = 0;
    bool negative = false;
    for (const char* c = text; *c; ++c) {
        if (*c == ',') {
            if (++slot == VoltageChannelCount) return;
            slots[slot] = 0;
            negative = false;
        } else if (*c == '-') {
            fold(slots[slot], *c, negative);
            negative = true;
        } else {
            fold(slots[slot], *c, negative);
        }
    }
}

int32_t Wrap(uint32_t value)
{
    return static_cast<int32_t>(value);
}

}  // namespace

int ScanFanNumbers(const char* text, int32_t* const d[11])
{
    const int converted = ScanText(text, FanNumbersPattern, d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7], d[8],
                                   d[9], d[10]);
    return converted > 0 ? converted : 0;
}

void ParseFanProfile(int channel, const char* text)
{
    FanProfile& p = monitorConfig.fan[channel];
    int32_t mode = 0;
    int32_t* const destinations[11] = {&mode, &p.tempLimit[0], &p.tempLimit[1], &p.tempLimit[2],
                                       &p.tempLimit[3], &p.tempLimit[4], &p.pwmLevel[0], &p.pwmLevel[1],
                                       &p.pwmLevel[2], &p.manualPwm, &p.alarmTemp};
    const int converted = ScanFanNumbers(text, destinations);
    p.autoMode = converted == 0 || mode != 0 ? 1 : 0;
    monitorConfig.effectiveAlarmTemp[channel] = FanAlarmThreshold(p);
}

void FormatFanProfile(int channel, char* buffer, size_t size)
{
    const FanProfile& p = monitorConfig.fan[channel];
    FormatText(buffer, size, FanNumbersPattern, p.autoMode ? 1 : 0, p.tempLimit[0], p.tempLimit[1], p.tempLimit[2],
               p.tempLimit[3], p.tempLimit[4], p.pwmLevel[0], p.pwmLevel[1], p.pwmLevel[2], p.manualPwm, p.alarmTemp);
}

void ParseItemFlags(const char* text, int32_t flags[ReadoutItemCount])
{
    int32_t n[ReadoutItemCount] = {1, 1, 1, 1, 1, 1};
    ScanText(text, "%d,%d,%d,%d,%d,%d", &n[0], &n[1], &n[2], &n[3], &n[4], &n[5]);
    for (int i = 0; i < ReadoutItemCount; ++i) flags[i] = n[i] != 0 ? 1 : 0;
}

void ParseFanStallFlags(const char* text, int32_t watched[FanChannelCount])
{
    const char* c = text;
    for (int n = 0; n < FanChannelCount; ++n) {
        while (*c == ' ' || *c == '\t') ++c;
        bool one = *c == '1';
        if (one) ++c;
        while (*c == ' ' || *c == '\t') ++c;
        one = one && (*c == ',' || *c == '\0');
        watched[n] = one ? 1 : 0;
        while (*c != ',' && *c != '\0') ++c;
        if (*c == ',') ++c;
    }
}

void ParseVoltageList(const char* text, int32_t slots[VoltageChannelCount])
{
    WalkVoltageSlots(text, slots, [](int32_t& slot, char c, bool) {
        slot = Wrap(static_cast<uint32_t>(slot) * 10u + static_cast<uint32_t>(c - '0'));
    });
}

void ParseSignedVoltageList(const char* text, int32_t slots[VoltageChannelCount])
{
    WalkVoltageSlots(text, slots, [](int32_t& slot, char c, bool negative) {
        if (c == '-') return;
        const uint32_t digit = static_cast<uint32_t>(c - '0');
        const uint32_t tens = static_cast<uint32_t>(slot) * 10u;
        slot = Wrap(negative ? tens - digit : tens + digit);
    });
}

void ParseVoltageFlags(const char* text, int32_t slots[VoltageChannelCount])
{
    WalkVoltageSlots(text, slots, [](int32_t& slot, char c, bool) {
        if (c == '1') slot = 1;
    });
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
    return ScanText(text, "%d,%d", x, y) == 2;
}

void SetChannelTitle(int channel, const char* name)
{
    const int length = static_cast<int>(MaxChannelNameLength);
    FormatText(monitorConfig.fanTitle[channel], TitleSize, "%.*s", length, name);
    FormatText(monitorConfig.fanPageTitle[channel], TitleSize, "%.*s Fan", length, name);
}
