#include "monitor/ui/panel_text.h"

namespace {

struct GlyphEntry {
    char c;
    GlyphCell cell;
};

// Value strips: digits at 15 x digit, then the punctuation and unit letters.
constexpr GlyphEntry ValueGlyphs[] = {
    {':', {150, 10, 20, 10}}, {'.', {160, 10, 20, 10}}, {'o', {170, 10, 20, 10}}, {',', {190, 10, 20, 10}},
    {'-', {200, 10, 20, 10}}, {'V', {210, 15, 20, 15}}, {'C', {225, 15, 20, 15}}, {'F', {240, 15, 20, 15}},
};

// Clock strip: digits at 24 x digit + 3, 18 x 24.
constexpr GlyphEntry ClockGlyphs[] = {
    {':', {244, 16, 24, 16}},
    {'a', {266, 20, 24, 20}},
    {'p', {290, 20, 24, 20}},
    {'-', {318, 10, 20, 10}},
};

template <size_t N>
bool FindGlyph(const GlyphEntry (&table)[N], char c, GlyphCell* cell)
{
    for (const GlyphEntry& entry : table) {
        if (entry.c == c) {
            *cell = entry.cell;
            return true;
        }
    }
    return false;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

size_t LayoutCharacters(const char* text, int32_t x, bool blanksAreBlack,
                        bool (*glyph)(char, GlyphCell*), GlyphStep* steps, size_t count, size_t maxSteps)
{
    for (const char* c = text; *c && count < maxSteps; ++c) {
        GlyphCell cell;
        if (*c == ' ') {
            if (blanksAreBlack) steps[count++] = {GlyphStep::Black, x, 0, BlankAdvance, ValueCellHeight};
            x += BlankAdvance;
        } else if (glyph(*c, &cell)) {
            steps[count++] = {GlyphStep::Glyph, x, cell.sourceX, cell.width, cell.height};
            x += cell.advance;
        }
    }
    return count;
}

}  // namespace

bool ValueGlyph(char c, GlyphCell* cell)
{
    if (IsDigit(c)) {
        *cell = {15 * (c - '0'), 15, 20, 15};
        return true;
    }
    return FindGlyph(ValueGlyphs, c, cell);
}

bool ClockGlyph(char c, GlyphCell* cell)
{
    if (IsDigit(c)) {
        *cell = {24 * (c - '0') + 3, 18, 24, 18};
        return true;
    }
    return FindGlyph(ClockGlyphs, c, cell);
}

size_t LayoutValueText(const char* text, int32_t x, GlyphStep* steps, size_t maxSteps)
{
    if (maxSteps == 0) return 0;
    const bool negative = text[0] == '-';
    steps[0] = negative ? GlyphStep{GlyphStep::Glyph, x - SignCellWidth, 200, SignCellWidth, ValueCellHeight}
                        : GlyphStep{GlyphStep::Black, x - SignCellWidth, 0, SignCellWidth, ValueCellHeight};
    return LayoutCharacters(negative ? text + 1 : text, x, true, ValueGlyph, steps, 1, maxSteps);
}

size_t LayoutClockText(const char* text, int32_t x, GlyphStep* steps, size_t maxSteps)
{
    return LayoutCharacters(text, x, false, ClockGlyph, steps, 0, maxSteps);
}
