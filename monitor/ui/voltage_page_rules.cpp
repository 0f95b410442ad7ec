#include "monitor/ui/voltage_page_rules.h"

#include <cstring>

#include "common/runtime/format.h"
#include "monitor/settings/settings_text.h"

void FormatGridVoltage(int32_t hundredths, char (&text)[BaseVoltageTextSize])
{
    FormatText(text, sizeof text, "+%2d.%02dV", hundredths / 100, hundredths % 100);
}

int FindBaseVoltageChoice(int32_t hundredths)
{
    char text[BaseVoltageTextSize];
    FormatGridVoltage(hundredths, text);
    const size_t length = strlen(text);
    for (int i = 0; i < BaseVoltageChoiceCount; ++i)
        if (strncmp(BaseVoltageChoices[static_cast<size_t>(i)].text, text, length) == 0) return i;
    return -1;
}

void FormatBaseVoltageLabel(int32_t hundredths, char (&text)[BaseVoltageTextSize])
{
    if (hundredths >= 0) {
        FormatGridVoltage(hundredths, text);
        return;
    }
    // The whole volts of a base above -1 V are 0 and cannot carry the sign,
    // so the minus is written on its own, in front of the volts.
    const int64_t magnitude = -static_cast<int64_t>(hundredths);
    FormatText(text, sizeof text, "-%d.%02dV", static_cast<int>(magnitude / 100), static_cast<int>(magnitude % 100));
}

int32_t ParseBaseVoltageText(const char* text)
{
    uint32_t value = 0;  // wraps rather than overflows on a text of many digits
    for (const char* c = text; *c && *c != 'V'; ++c)
        if (*c >= '0' && *c <= '9') value = value * 10u + static_cast<uint32_t>(*c - '0');
    if (text[0] == '-') value = 0u - value;
    return static_cast<int32_t>(value);
}

const char* PercentageReplacement(const char* text)
{
    if (text[0] == '\0') return nullptr;
    const int32_t value = ParseLeadingInteger(text);
    if (value > 100) return "100";
    if (value < 0) return "0";
    return nullptr;
}

int RowCloseUpMoves(const int32_t shown[VoltageChannelCount], RowMove moves[MaxRowMoves])
{
    int count = 0;
    for (int k = 0; k < VoltageChannelCount; ++k) {
        if (shown[k]) continue;
        for (int j = VoltageChannelCount - 1; j > k; --j) moves[count++] = {j, j - 1};
    }
    return count;
}
