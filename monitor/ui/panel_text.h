// The texts the panel shows and how they become glyph cells: readings
// formatted for the value strips, the voltage tolerance rule, and the glyph
// tables of the value and clock strips. No platform calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "monitor/settings/monitor_config.h"

// "045oC", "-005oC", "1000oC"; in Fahrenheit the value is converted first.
void FormatTemperature(char* text, size_t size, int32_t celsius, int32_t celsiusScale);
// Five digits and a blank that covers a sixth digit left over from before.
void FormatFanSpeed(char* text, size_t size, int32_t rpm);
// " 1.74V", "-12.09V": truncated hundredths, the sign in front.
void FormatVoltage(char* text, size_t size, int32_t millivolts);
// The reading in millivolts as the panel takes it: truncated toward zero.
int32_t VoltageMillivolts(double volts);
// A reading to the nearest 0.1 V, in hundredths of a volt: the VCore base
// taken from the first reading, and the Voltage page's "current VCore".
int32_t NearestTenthInHundredths(int32_t millivolts);
// Whether a reading deviates from its base (hundredths of a volt) by more
// than the tolerance in percent. A base of 0 tolerates nothing.
bool VoltageOutOfTolerance(int32_t millivolts, int32_t baseVoltage, int32_t tolerancePercent);

// The voltage labels of the panel, one 20-pixel row of bitmap 1408 per
// channel. tools/gen_panel_art.py draws the bitmap from this table, and the
// reading log names its columns with it.
constexpr const char* PanelVoltageLabel[VoltageChannelCount] = {"VCORE", "+12",  "-12",  "+3.3",
                                                                 "+2.5",  "+1.8", "+1.5", "AGP"};

// A cell of a glyph strip bitmap.
struct GlyphCell {
    int32_t sourceX;
    int32_t width;
    int32_t height;
    int32_t advance;
};
// The cell of a character in the value strips (1300-1306) and the clock
// strip (1307); false for characters the strip does not have.
bool ValueGlyph(char c, GlyphCell* cell);
bool ClockGlyph(char c, GlyphCell* cell);

constexpr int32_t ValueCellHeight = 20;
constexpr int32_t BlankAdvance = 15;
constexpr int32_t SignCellWidth = 10;

// One step of drawing a text into strip cells.
struct GlyphStep {
    enum Kind { Glyph, Black } kind;
    int32_t x;        // destination x
    int32_t sourceX;  // for Glyph
    int32_t width;
    int32_t height;
};
constexpr size_t MaxGlyphSteps = 32;

// The steps of drawing text at x with a value strip: the sign cell left of
// x (the "-" glyph, or black), then the characters; blanks are black cells.
size_t LayoutValueText(const char* text, int32_t x, GlyphStep* steps, size_t maxSteps);
// The same with the clock strip: no sign cell, blanks only advance.
size_t LayoutClockText(const char* text, int32_t x, GlyphStep* steps, size_t maxSteps);
