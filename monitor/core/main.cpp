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

int RunMessageLoop()
{
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
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
