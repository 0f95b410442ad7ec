// The monitor's entry point: one instance per machine, port access, the main
// window with its one-second timer, and the message loop.
#include <windows.h>

#include <commctrl.h>

#include <cstring>

#include "common/instance_guard.h"
#include "monitor/core/crash_guard.h"
#include "monitor/core/main_window.h"
#include "monitor/hw/chip_mutex.h"
#include "monitor/hw/port_access.h"

namespace {

// A timer message that carries a procedure is dispatched by calling that
// procedure. The monitor's timer carries none, so such a message was posted
// by another program, and its lParam is whatever code that program chose.
bool IsForeignTimerCall(const MSG& message)
{
    return message.message == WM_TIMER && message.lParam != 0;
}

// The same check for the message loops the system runs for the monitor's
// dialogs (the Options sheet may stay open for hours), which offer every
// message to this hook before dispatching it.
LRESULT CALLBACK DropForeignTimerCalls(int code, WPARAM wParam, LPARAM lParam)
{
    if (code >= 0 && IsForeignTimerCall(*reinterpret_cast<const MSG*>(lParam))) return TRUE;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int RunMessageLoop()
{
    SetWindowsHookExA(WH_MSGFILTER, DropForeignTimerCalls, nullptr, GetCurrentThreadId());
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (IsForeignTimerCall(message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    if (!TakeMonitorInstanceGuard()) {
        MessageBoxA(nullptr, "Program is already running", "Thermivo", MB_ICONINFORMATION);
        return 0;
    }
    if (!EnsurePortAccess(instance)) return 0;
    ShareChipWithOtherPrograms();
    InstallCrashGuard();
    InitCommonControls();
    HWND window = CreateMainWindow(instance);
    if (!window) return 0;
    if (!SetTimer(window, MonitorTimerId, 1000, nullptr)) {
        MessageBoxA(window, "Too many Timer !!", "Thermivo", MB_ICONWARNING);
        return 0;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    // The start-at-logon command passes HIDE so that only the tray icon shows.
    if (strncmp(commandLine, "HIDE", 4) == 0) ShowWindow(window, SW_HIDE);
    return RunMessageLoop();
}
