// The text formats of the "Thermivo" win.ini section: parsing values into
// MonitorConfig and formatting them back. No platform calls; the settings
// store reads and writes the strings.
#pragma once

#include <cstddef>
#include <cstdint>

#include "monitor/settings/monitor_config.h"

constexpr size_t SettingsValueSize = 512;  // every value is read through a buffer of this size

// The list values (FANn, RESETn, FANONOF, DEFONOF, FANSTALL, VOLT, VOLTBASE,
// VOLTENABLE, VOLTONOFF, POSITION) hold numbers separated by commas: each a
// whole number, optionally signed, blanks around it allowed. A value that
// does not read whole that way, one entry being anything else ("5O", "",
// "1.5"), is used not at all: every field of its key is what a missing key
// gives. A value with fewer entries than its key has is the short form that
// installers write; each key says what its missing entries become. Entries
// after the last of the key are not looked at.

// FANn: up to eleven numbers in FanProfile order. Entries the text does not
// reach keep their values; a first number of 0 selects software mode, any
// other (or none at all) automatic mode. A value that does not read whole, or
// leaves the five limits out of the order the fan page keeps them in, changes
// nothing but the mode, to automatic, as a missing one does; false then.
// Recomputes the channel's effectiveAlarmTemp.
bool ParseFanProfile(int channel, const char* text);
void FormatFanProfile(int channel, char* buffer, size_t size);

// The numbers of a FANn or RESETn text in FanProfile order, as written
// (the first is not reduced to 0/1), into the eleven destinations; returns
// how many were stored (0 when the text is empty). -1, with nothing stored,
// when the text does not read whole or its limits are out of order.
int ScanFanNumbers(const char* text, int32_t* const destinations[11]);

// FANONOF and DEFONOF: six numbers; nonzero is 1. Positions the text does
// not hold count as 1, as when the key is missing altogether; so does every
// position of a value that does not read whole (false).
bool ParseItemFlags(const char* text, int32_t flags[ReadoutItemCount]);

// FANSTALL: one number per fan; 1 watches its fan, any other number or a
// missing position does not, nor does any position of a value that does not
// read whole (false).
bool ParseFanStallFlags(const char* text, int32_t watched[FanChannelCount]);

// SHAREREADINGS and TRAYTIP: on (1) only when the value is the number 1,
// blanks around allowed; anything else is off.
int32_t ParseOptInSwitch(const char* text);

// VOLT and VOLTBASE: eight numbers, slots the text does not reach 0. False,
// the slots undefined, when the value does not read whole: the caller uses
// the key's defaults.
bool ParseVoltageList(const char* text, int32_t slots[VoltageChannelCount]);
// VOLTENABLE, VOLTONOFF: eight numbers read as flags the way they always
// have been: an entry holding the digit 1 is set, any other and the slots the
// text does not reach are clear. False as for the lists.
bool ParseVoltageFlags(const char* text, int32_t slots[VoltageChannelCount]);
// Eight values separated by commas, without a trailing comma.
void FormatVoltageList(const int32_t values[VoltageChannelCount], char* buffer, size_t size);

// SOUND and the Voltage page's percentages: leading blanks, an optional sign,
// digits up to the first non-digit; 0 when there are none.
int32_t ParseLeadingInteger(const char* text);

// CSCALE and DEFCASE: only a leading "0" means off.
int32_t ParseOnUnlessZero(const char* text);

// POSITION: "x,y". False unless both numbers are there and read whole.
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
