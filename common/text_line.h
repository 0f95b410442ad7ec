// A text of lines built in a fixed buffer, as the reading log and the
// reader write them: always terminated, and once something did not fit the
// finished line reports nothing rather than a cut one.
#pragma once

#include <cstddef>

struct Line {
    char* text;
    size_t size;
    size_t length;
    bool overflow;  // something did not fit
};

Line StartLine(char* text, size_t size);
void AddChar(Line& line, char c);
void Add(Line& line, const char* text);
// FormatText's conversions, appended whole or not at all.
void AddFormatted(Line& line, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Ends the line with CR LF; its length, or 0 when something did not fit.
size_t FinishLine(Line& line);
