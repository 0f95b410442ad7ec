#include "common/text_line.h"

#include <cstdarg>

#include "common/runtime/format.h"

Line StartLine(char* text, size_t size)
{
    if (size > 0) text[0] = '\0';
    return {text, size, 0, size == 0};
}

void AddChar(Line& line, char c)
{
    if (line.length + 1 >= line.size) {
        line.overflow = true;
        return;
    }
    line.text[line.length++] = c;
    line.text[line.length] = '\0';
}

void Add(Line& line, const char* text)
{
    for (const char* c = text; *c; ++c) AddChar(line, *c);
}

void AddFormatted(Line& line, const char* format, ...)
{
    if (line.overflow) return;
    va_list arguments;
    va_start(arguments, format);
    const int written = FormatTextV(line.text + line.length, line.size - line.length, format, arguments);
    va_end(arguments);
    if (written < 0 || static_cast<size_t>(written) >= line.size - line.length) {
        line.overflow = true;
        line.text[line.length] = '\0';
        return;
    }
    line.length += static_cast<size_t>(written);
}

size_t FinishLine(Line& line)
{
    Add(line, "\r\n");
    return line.overflow ? 0 : line.length;
}
