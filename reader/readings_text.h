// What the reader (Readings.exe) makes of a copy of the readings block,
// without a platform call: its command line, its exit code and its output.
// The copy may come from any program that took the block's name, so every
// field is taken as it is: titles without a terminator, flags of any value.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/readings_block.h"

// Exit codes.
constexpr int ReadingsFresh = 0;
// No block, one of another layout, a damaged one, or a monitor that ended.
constexpr int NoReadings = 1;
// The last update is older than FreshForMs, or no update could be copied whole.
constexpr int ReadingsNotCurrent = 2;
constexpr int WrongArguments = 3;

constexpr uint32_t FreshForMs = 5000;
// Enough for every line of the longest titles.
constexpr size_t ReadingsTextSize = 4096;

// Nothing (a line per reading) or "/CSV" in any case, blanks around allowed.
bool ParseReaderArguments(const char* arguments, bool* csv);

// For a consistent copy at nowTick (GetTickCount, which may have wrapped
// since the update).
int ExitCodeOfCopy(const ThermivoReadings& copy, uint32_t nowTick);

// The time of the update, then a line for each reading the panel shows: the
// temperatures in its unit, the fan speeds, the rails and, when supervised,
// the case; "Alarm" after a reading in alarm, and the age of one read 5 s or
// more before the update. Lines end with CR LF. The length, or 0 when the
// text does not fit.
size_t FormatReadingLines(const ThermivoReadings& block, char* text, size_t size);
// One line of 20 columns: time, three temperatures (degrees Celsius), three
// fan speeds (RPM), eight voltages (V), case open, then the temperature,
// voltage, case and fan stall alarms. A reading that is not shown or has
// never been taken, the case without supervision and the stall alarm with
// no fan watched are empty columns. Ends with CR LF.
size_t FormatReadingsCsv(const ThermivoReadings& block, char* text, size_t size);
