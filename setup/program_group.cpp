#include <windows.h>

#include "common/program_manager.h"
#include "setup/installer.h"
#include "setup/program_entries.h"

// Asks the shell's Program Manager service for the group. Nothing is
// reported: without an answering shell each command fails at once or after
// its time-out, and the installation goes on.
void CreateProgramGroup()
{
    ProgramGroupCommands commands;
    if (!FormatProgramGroupCommands(installer.windowsDirectory, commands)) return;
    const char* texts[ProgramGroupCommandCount];
    for (size_t i = 0; i < ProgramGroupCommandCount; ++i) texts[i] = commands.text[i];
    SendProgramManagerCommands(texts, ProgramGroupCommandCount);
}
