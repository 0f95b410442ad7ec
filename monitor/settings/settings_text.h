// The text formats of the "Thermivo" win.ini section: parsing values into
// MonitorConfig and formatting them back. No platform calls; the settings
// store reads and writes the strings.
#pragma once

#include <cstddef>
#include <cstdint>

#include "monitor/settings/monitor_config.h"

constexpr size_t SettingsValueSize = 512;  // every value is read through a buffer of this size

// FANn: up to eleven comma-separated numbers in FanProfile order. Fields the
// text does not reach keep their values; a first number of 0 selects
// software mode, any other (or none at all) automatic mode. Recomputes the
// channel's effectiveAlarmTemp.
void ParseFanProfile(int channel, const char* text);
void FormatFanProfile(int channel, char* buffer, size_t size);

// The numbers of a FANn or RESETn text in FanProfile order, as written
// (the first is not reduced to 0/1), into the eleven destinations; returns
// how many were converted (0 when not even the first was).
int ScanFanNumbers(const char* text, int32_t* const destinations[11]);

// FANONOF and DEFONOF: six numbers; nonzero is 1. Positions the text does
// not hold count as 1, as when the key is missing altogether.
void ParseItemFlags(const char* text, int32_t flags[ReadoutItemCount]);

// FANSTALL: one position per fan, separated by commas; a position that is
// exactly 1 (blanks around allowed) watches its fan, anything else or a
// missing position does not.
void ParseFanStallFlags(const char* text, int32_t watched[FanChannelCount]);

// VOLT: eight slots, each character folded in as a decimal digit, a comma
// moving to the next slot; slots the text does not reach are 0.
void ParseVoltageList(const char* text, int32_t slots[VoltageChannelCount]);
// VOLTBASE: the same with a "-" that makes the current value negative.
void ParseSignedVoltageList(const char* text, int32_t slots[VoltageChannelCount]);
// VOLTENABLE, VOLTONOFF: "1" sets the current slot; other characters are ignored.
void ParseVoltageFlags(const char* text, int32_t slots[VoltageChannelCount]);
// Eight values separated by commas, without a trailing comma.
void FormatVoltageList(const int32_t values[VoltageChannelCount], char* buffer, size_t size);

// SOUND and the Voltage page's percentages: leading blanks, an optional sign,
// digits up to the first non-digit; 0 when there are none.
int32_t ParseLeadingInteger(const char* text);

// CSCALE and DEFCASE: only a leading "0" means off.
int32_t ParseOnUnlessZero(const char* text);

// POSITION: "x,y". False unless both numbers are there.
bool ParsePosition(const char* text, int32_t* x, int32_t* y);

// TITLEn: the channel name and its fan page title "%s Fan". A name is cut to
// 59 characters so that the page title still fits its 64-byte slot.
void SetChannelTitle(int channel, const char* name);

// The start values of LoadSettings' defaults for a missing key.
// Base voltages: the nominal rails of the panel's labels, which the chip's
// scalings can meet. VCore has none: processors of these boards run anywhere
// from about 1.5 to 2 V, so the panel takes the first reading as its base.
constexpr int32_t DefaultBaseVoltage[VoltageChannelCount] = {0, 1200, -1200, 330, 250, 180, 150, 150};
constexpr const char* DefaultChannelTitle[FanChannelCount] = {"CPU", "System", "Panel"};
