// Judging the shown voltage rails. The panel judges them while it paints;
// when no paint will come (the window hidden or minimised) the monitoring
// cycle judges them the same way. Either way the readings judged last stay
// here with their verdict, for the reading log's line.
#pragma once

#include <cstdint>

#include "monitor/settings/monitor_config.h"

// Set by a judging when a shown rail with its warning on is out of
// tolerance; the monitoring cycle raises the alarm from it.
extern int32_t voltageAlarm;

// The rails the last judging read: whether channel k was judged (shown, with
// a reading), its reading in millivolts and whether it is in alarm.
struct JudgedRails {
    bool judged[VoltageChannelCount];
    int32_t millivolts[VoltageChannelCount];
    bool alarm[VoltageChannelCount];
};
extern JudgedRails judgedRails;

// Whether a reading deviates from its base (hundredths of a volt) by more
// than the tolerance in percent. A base of 0 tolerates nothing.
bool VoltageOutOfTolerance(int32_t millivolts, int32_t baseVoltage, int32_t tolerancePercent);

// The rule for one shown rail's reading. A rail that has no reading yet is
// not judged (its 0 V is no measurement). Without a VCore base the first
// VCore reading, to the nearest 0.1 V, becomes it. True when the rail is out
// of tolerance and its warning is on.
bool RailInAlarm(VoltageSetting& channel, int k, bool readingTaken, int32_t millivolts);

// A judging: Begin clears the alarm and the notes; JudgeRail reads shown
// channel k, judges it, notes it and sets voltageAlarm when it is in alarm.
void BeginRailJudging();
bool JudgeRail(int k, int32_t* millivolts);
// Both, over every shown channel: the cycle's judging without a paint.
void JudgeShownRails();
