// The rules of the Voltage page that need no window: the texts of the VCore
// base-voltage list, the labels of the other channels' base voltages, the
// limits of a typed warning percentage, reading a list text back into
// hundredths of a volt, and how the rows of hidden channels close up.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "monitor/settings/monitor_config.h"

// A base voltage on the list's grid as the list writes it: "+%2d.%02dV" of
// volts and hundredths, e.g. "+ 1.80V".
constexpr size_t BaseVoltageTextSize = 16;
void FormatGridVoltage(int32_t hundredths, char (&text)[BaseVoltageTextSize]);

// The VCore list: 1.00 V to 5.00 V in steps of 0.10 V, in that order.
constexpr int BaseVoltageChoiceCount = 41;
struct BaseVoltageChoice {
    char text[8];
};
constexpr std::array<BaseVoltageChoice, BaseVoltageChoiceCount> MakeBaseVoltageChoices()
{
    std::array<BaseVoltageChoice, BaseVoltageChoiceCount> choices{};
    for (int i = 0; i < BaseVoltageChoiceCount; ++i) {
        const int v = 100 + 10 * i;
        char* t = choices[static_cast<size_t>(i)].text;
        t[0] = '+';
        t[1] = ' ';  // the volts are one digit wide
        t[2] = static_cast<char>('0' + v / 100);
        t[3] = '.';
        t[4] = static_cast<char>('0' + v / 10 % 10);
        t[5] = '0';
        t[6] = 'V';
        t[7] = '\0';
    }
    return choices;
}
inline constexpr std::array<BaseVoltageChoice, BaseVoltageChoiceCount> BaseVoltageChoices = MakeBaseVoltageChoices();

// The first list entry that begins with the grid text of the voltage, -1 when
// none does (a voltage off the 0.10 V grid or outside 1.00..5.00 V).
int FindBaseVoltageChoice(int32_t hundredths);

// The label of a channel's base voltage (channels 1..7): "+ 1.80V",
// "+12.00V"; negative bases carry the minus in front of the whole volts,
// "-12.00V", "-5.00V", and below one volt in front of the zero, "-0.50V".
void FormatBaseVoltageLabel(int32_t hundredths, char (&text)[BaseVoltageTextSize]);

// A list text back to hundredths of a volt: every digit before the first "V"
// counts, everything else is skipped, and a leading "-" negates. "+ 1.80V"
// gives 180, a text without digits 0.
int32_t ParseBaseVoltageText(const char* text);

// What a typed warning percentage must be replaced with: "100" above 100,
// "0" below 0, nothing (null) when it is in range or the text is empty.
const char* PercentageReplacement(const char* text);

// Closing up the rows of hidden channels. For each hidden channel k in
// order, each row j from 7 down to k + 1 takes the place that row j - 1
// has at that moment; the rows shown end up stacked from the top.
struct RowMove {
    int row;   // the row that moves
    int onto;  // the row whose current place it takes (row - 1)
};
constexpr int MaxRowMoves = 28;  // 7 + 6 + ... + 1, every channel hidden
int RowCloseUpMoves(const int32_t shown[VoltageChannelCount], RowMove moves[MaxRowMoves]);
