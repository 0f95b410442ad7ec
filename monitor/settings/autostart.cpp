#include "monitor/settings/autostart.h"

#include <cstdio>

bool FormatAutoStartCommand(const char* windowsDirectory, char (&command)[AutoStartCommandSize])
{
    const int length = windowsDirectory[0] == '\0'
                           ? -1
                           : snprintf(command, sizeof command, "%s\\%s HIDE", windowsDirectory, "Kelvimon.EXE");
    if (length < 0 || static_cast<size_t>(length) >= sizeof command) {
        command[0] = '\0';
        return false;
    }
    return true;
}
