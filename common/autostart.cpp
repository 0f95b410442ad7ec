#include "common/autostart.h"

#include "common/bounded_format.h"
#include "common/program_files.h"

bool FormatAutoStartCommand(const char* windowsDirectory, char (&command)[AutoStartCommandSize])
{
    if (windowsDirectory[0] == '\0') {
        command[0] = '\0';
        return false;
    }
    return FormatWhole(command, sizeof command, "%s\\%s HIDE", windowsDirectory, MonitorProgramFile);
}
