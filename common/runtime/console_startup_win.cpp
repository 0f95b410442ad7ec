// The console programs' entry point: the same start-up as the window
// programs', then ConsoleMain with the arguments after the program name,
// whose result ends the process.
#include <windows.h>

#include "common/runtime/command_line.h"
#include "common/runtime/program_start.h"

extern "C" __attribute__((force_align_arg_pointer, noreturn)) void mainCRTStartup()
{
    StartProgramRuntime();
    ExitProcess(static_cast<UINT>(ConsoleMain(ArgumentsAfterProgramName(GetCommandLineA()))));
}
