// How the panel's texts become glyph cells: the glyph tables of the value
// and clock strips. No platform calls.
#pragma once

#include <cstddef>
#include <cstdint>

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
