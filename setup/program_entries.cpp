#include "setup/program_entries.h"

#include "common/bounded_format.h"
#include "common/program_files.h"

bool FormatProgramGroupCommands(const char* windowsDirectory, ProgramGroupCommands& commands)
{
    const size_t size = ProgramGroupCommandSize;
    return FormatWhole(commands.text[0], size, "[CreateGroup(Thermivo)]") &&
           FormatWhole(commands.text[1], size, "[ShowGroup(Thermivo,5)]") &&
           FormatWhole(commands.text[2], size, "[AddItem(%s\\%s,QX7305 Thermivo)]", windowsDirectory,
                       MonitorProgramFile) &&
           FormatWhole(commands.text[3], size, "[AddItem(%s\\_Unplant.exe %s,UnInstall QX7305 Thermivo)]",
                       windowsDirectory, windowsDirectory);
}

bool FormatUninstallString(const char* windowsDirectory, char (&text)[UninstallStringSize])
{
    return FormatWhole(text, sizeof text, "%s\\_Unplant.EXE %s", windowsDirectory, windowsDirectory);
}
