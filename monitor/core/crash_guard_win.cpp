#include "monitor/core/crash_guard.h"

#include <windows.h>

#include "monitor/core/alarm_tune.h"
#include "monitor/core/main_window.h"
#include "monitor/hw/chip.h"

namespace {

HANDLE mainThread;
DWORD mainThreadId;
// The thread whose fault the guard answers, and that fault's code.
std::atomic<uint32_t> guardThread;
DWORD crashCode;

// How long the guard waits for each of the other threads to end.
constexpr DWORD ThreadEndWaitMs = 500;

void EndThread(HANDLE thread, DWORD exitCode)
{
    TerminateThread(thread, exitCode);
    // Ending is only asked for; the handle is signalled once it happened.
    WaitForSingleObject(thread, ThreadEndWaitMs);
}

// Runs on the faulting thread with the process in an unknown state, so it
// uses only kernel calls and port accesses: no heap, no window messages, no
// loader. The other threads are ended first, so that neither the main
// thread's next cycle nor the sound worker's next note undoes what follows.
// The shared chip lock is waited for at most ProgrammingWaitMs: a fault
// inside one of our own groups finds it already ours (the mutex counts
// recursive ownership) or left by an ended thread, another program's hold
// ends within that time or that program is stuck, and the fans must not wait
// on it.
//
// The process then ends at once, with the exception's code as its exit code.
// The system's own crash handling could need a lock that an ended thread
// held (the loader's, the heap's, the sound library's) and hang for ever,
// keeping the single-instance guard and the chip lock. Terminating runs no
// library's detach code, so nothing of that kind is waited for. The other
// threads are ended rather than suspended: a process whose threads are
// suspended does not finish terminating on every system.
//
// The guard runs once. Should its own port accesses fault (the port driver
// has gone and taken the ports with it), the filter is entered again on the
// same thread: nothing more can be given back, and the process ends at once
// with the first fault's code. A second thread that faults meanwhile waits,
// to be ended with the process, instead of ending the guard's thread.
LONG WINAPI GiveBoardBackOnCrash(EXCEPTION_POINTERS* exception)
{
    const DWORD self = GetCurrentThreadId();
    switch (ClaimCrashGuard(guardThread, self)) {
    case CrashGuardRole::GiveBoardBack: break;
    case CrashGuardRole::EndAtOnce:
        TerminateProcess(GetCurrentProcess(), crashCode);
        return EXCEPTION_CONTINUE_SEARCH;
    case CrashGuardRole::WaitForTheFirst:
        for (;;) Sleep(INFINITE);
    }
    crashCode = exception->ExceptionRecord->ExceptionCode;
    if (self != mainThreadId) EndThread(mainThread, crashCode);
    if (soundThread && self != soundThreadId) EndThread(soundThread, crashCode);
    RestoreFanControlRegisters();
    SwitchSpeakerOff();
    TerminateProcess(GetCurrentProcess(), crashCode);
    // Only if that failed: the system's own crash handling.
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
