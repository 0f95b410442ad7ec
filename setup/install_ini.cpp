#include "setup/install_ini.h"

#include <cstring>

size_t ReadIniLine(const IniByteSource& source, char (&line)[IniLineSize])
{
    size_t length = 0;
    char byte;
    while (source.readByte(source.context, &byte) && byte != '\0' && byte != '\n') {
        if (length < IniLineSize - 1) line[length++] = byte;
    }
    line[length] = '\0';
    if (length > 0 && line[length - 1] == '\r') line[--length] = '\0';
    return length;
}

bool SplitIniLine(char* line, IniSetting& setting)
{
    char* equals = strchr(line, '=');
    if (!equals) return false;
    *equals = '\0';
    setting = {line, equals + 1};
    return true;
}

void ForEachIniSetting(const IniByteSource& source, void (*store)(void* context, const IniSetting& setting),
                       void* context)
{
    char line[IniLineSize];
    while (ReadIniLine(source, line) > 0) {
        IniSetting setting;
        if (SplitIniLine(line, setting)) store(context, setting);
    }
}
