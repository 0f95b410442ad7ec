#include "common/runtime/command_line.h"

namespace {

// Control characters count as blanks, bytes of other code pages do not.
bool IsSeparator(char c)
{
    return c != '\0' && static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

const char* ArgumentsAfterProgramName(const char* commandLine)
{
    const char* c = commandLine;
    if (*c == '"') {
        ++c;
        while (*c && *c != '"') ++c;
        if (*c == '"') ++c;
    } else {
        while (*c && !IsSeparator(*c)) ++c;
    }
    while (IsSeparator(*c)) ++c;
    return c;
}
