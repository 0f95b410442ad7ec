#include "monitor/core/crash_guard.h"

#include <windows.h>

#include "monitor/core/alarm_tune.h"
#include "monitor/core/main_window.h"
#include "monitor/hw/chip.h"

namespace {

HANDLE mainThread;
DWORD mainThreadId;

// Runs on the faulting thread with the process in an unknown state, so it
// uses only kernel calls and port accesses: no heap, no window messages, no
// loader. The other threads are stopped first, so that neither the main
// thread's next cycle nor the sound worker's next note undoes what follows.
// The shared chip lock is waited for at most ProgrammingWaitMs: a fault
// inside one of our own groups finds it already ours (the mutex counts
// recursive ownership), another program's hold ends within that time or that
// program is stuck, and the fans must not wait on it.
LONG WINAPI GiveBoardBackOnCrash(EXCEPTION_POINTERS*)
{
    const DWORD self = GetCurrentThreadId();
    if (self != mainThreadId) SuspendThread(mainThread);
    if (soundThread && self != soundThreadId) SuspendThread(soundThread);
    RestoreFanControlRegisters();
    SwitchSpeakerOff();
    // The system's own crash handling (report, debugger) follows.
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void InstallCrashGuard()
{
    mainThreadId = GetCurrentThreadId();
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &mainThread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    SetUnhandledExceptionFilter(GiveBoardBackOnCrash);
}
