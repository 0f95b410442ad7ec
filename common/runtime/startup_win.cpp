// The window programs' entry point. The programs carry no C runtime, so this
// does the little of its start-up they rely on: the x87 unit's state, the
// constructors of static objects, WinMain's command line and show state, and
// the end of the process with WinMain's result.
#include <windows.h>

#include "common/runtime/command_line.h"

// The linker frames the constructors of every object file with a -1 before
// and a 0 after them.
typedef void (*Constructor)();
extern "C" Constructor __CTOR_LIST__[];

namespace {

void RunConstructors()
{
    size_t count = 0;
    while (__CTOR_LIST__[count + 1]) ++count;
    // Last first, as the compiler expects of this list.
    for (size_t i = count; i > 0; --i) __CTOR_LIST__[i]();
}

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
#if defined(__i386__)
    // Full 64-bit precision, every exception masked: what the readings'
    // scalings in double were written against, whatever the loader left.
    __asm__ volatile("fninit");
#endif
    RunConstructors();
    char* arguments = const_cast<char*>(ArgumentsAfterProgramName(GetCommandLineA()));
    const int result = WinMain(GetModuleHandleA(nullptr), nullptr, arguments, StartupShowState());
    // Returning would end only this thread on the NT family; the monitor has others.
    ExitProcess(static_cast<UINT>(result));
}
