// The window programs' entry point. The programs carry no C runtime, so this
// does the little of its start-up they rely on (program_start_win.cpp),
// hands WinMain its command line and show state, and ends the process with
// WinMain's result.
#include <windows.h>

#include "common/runtime/command_line.h"
#include "common/runtime/program_start.h"

namespace {

int StartupShowState()
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

}  // namespace

extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup()
{
    StartProgramRuntime();
    char* arguments = const_cast<char*>(ArgumentsAfterProgramName(GetCommandLineA()));
    const int result = WinMain(GetModuleHandleA(nullptr), nullptr, arguments, StartupShowState());
    // Returning would end only this thread on the NT family; the monitor has others.
    ExitProcess(static_cast<UINT>(result));
}
