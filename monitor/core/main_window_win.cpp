#include "monitor/core/main_window.h"

#include "monitor/core/monitoring_cycle.h"
#include "monitor/core/reading_log.h"
#include "monitor/core/shared_readings.h"
#include "monitor/res/resource_ids.h"
#include "monitor/core/sound_worker.h"
#include "monitor/hw/chip.h"
#include "monitor/hw/chip_lock.h"
#include "monitor/hw/fan_control.h"
#include "monitor/settings/settings_store.h"
#include "monitor/ui/panel.h"
#include "monitor/ui/panel_layout.h"
#include "monitor/ui/tray_icon.h"

HINSTANCE moduleInstance;
HWND mainWindow;
HMENU systemMenu;
HANDLE soundThread;
DWORD soundThreadId;
int32_t activeSoundMode;
int32_t topMost;
int32_t minimised;
HPEN focusPen;

namespace {

// Set by a suspend and cleared by the resume that follows it. Power
// broadcasts of newer systems may report one wake-up twice (automatic, then
// by the user), and any program may send a resume; the chip is set up again
// only for the first resume after a suspend, which alone keeps the state
// the chip latched meanwhile (an opened case) from being cleared for nothing.
bool suspended;
// Whether the sound worker is currently held; it is created held.
bool soundThreadHeld = true;
// Set once the settings have been saved and the board's fan control given
// back, at the end of the session or when the window is destroyed.
bool shutDownDone;
UINT taskbarCreatedMessage;

void SetSystemMenuItemState(UINT id, UINT state)
{
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    item.fState = state;
    SetMenuItemInfoA(systemMenu, id, FALSE, &item);
}

// The window's outer rectangle for a 400 x 405 client area, placed from the
// client origin. It is computed for the styles the window really has: sized
// for a tool-window caption and a thin border instead, the client area would
// come out several pixels short and cut off the panel's right and bottom edges.
void SizeWindow(HWND window)
{
    RECT rect = {0, 0, 400, 405};
    AdjustWindowRectEx(&rect, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
    POINT topLeft = {rect.left, rect.top};
    POINT bottomRight = {rect.right, rect.bottom};
    ClientToScreen(window, &topLeft);
    ClientToScreen(window, &bottomRight);
    MoveWindow(window, topLeft.x, topLeft.y, bottomRight.x - topLeft.x, bottomRight.y - topLeft.y, TRUE);
}

void ExtendSystemMenu(HWND window)
{
    systemMenu = GetSystemMenu(window, FALSE);
    DeleteMenu(systemMenu, SC_SIZE, MF_BYCOMMAND);
    DeleteMenu(systemMenu, SC_MAXIMIZE, MF_BYCOMMAND);
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(systemMenu, MF_STRING, SystemCommandTopMost, "TopMost");
    AppendMenuA(systemMenu, MF_STRING, SystemCommandTurnOffSound, "Turn Off Sound");
    AppendMenuA(systemMenu, MF_STRING, SystemCommandAbout, "About");
}

LRESULT OnCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    mainWindow = window;
    taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    SizeWindow(window);
    focusPen = CreatePen(PS_SOLID, 2, RGB(0xC0, 0x00, 0xC0));
    AddTrayIcon(window);
    InitPanelLayout();
    LoadSettings(window);
    LoadReadingLogSettings();
    LayoutColumns();
    LoadPanelBitmaps(reinterpret_cast<CREATESTRUCTA*>(lParam)->hInstance);
    CreatePanelCanvas(window);
    InitChip();
    ProgramAllFans();
    ExtendSystemMenu(window);
    soundThread = CreateThread(nullptr, 0, SoundWorker, nullptr, CREATE_SUSPENDED, &soundThreadId);
    if (soundThread) SendMessageA(window, WM_SYSCOMMAND, SystemCommandApplySound, 0);
    return DefWindowProcA(window, message, wParam, lParam);
}

// What destruction does before the message loop ends; also run when the
// Windows session ends, since the window is then not destroyed at all.
void ShutDownMonitor(HWND window)
{
    if (shutDownDone) return;
    shutDownDone = true;
    KillTimer(window, MonitorTimerId);
    SaveSettings(window);
    CloseReadingsBlock();
    RemoveTrayIcon(window);
    if (soundThread) {
        if (!soundThreadHeld) HoldSoundWorker(soundThread, activeSoundMode);
        TerminateThread(soundThread, 0);
    }
    StopWarningSound(activeSoundMode);
    RestoreFanControlRegisters();
}

void Suspend()
{
    RestoreFanControlRegisters();
    suspended = true;
}

void Resume()
{
    if (!suspended) return;
    suspended = false;
    InitChip();
    ProgramAllFans();
}

// The session ends for good: the board gets its fan control back and the
// process ends, rather than living on without its timer and tray icon, which
// would hold the single-instance guard and keep a new monitor from starting.
void EndSession(HWND window)
{
    ShutDownMonitor(window);
    ExitProcess(0);
}

void ToggleTopMost(HWND window)
{
    topMost = !topMost;
    SetWindowPos(window, topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetSystemMenuItemState(SystemCommandTopMost, topMost ? MFS_CHECKED : 0);
}

// The sound worker runs exactly while the applied sound mode is non-zero.
// It is held before the old mode's sound is silenced, so that it cannot sound
// again behind the silencing; with a non-zero mode it runs again at once.
void ApplySoundSetting()
{
    if (soundThread && !soundThreadHeld) HoldSoundWorker(soundThread, activeSoundMode);
    soundThreadHeld = soundThread != nullptr;
    StopWarningSound(activeSoundMode);
    activeSoundMode = monitorConfig.soundMode;
    const bool soundOn = activeSoundMode != 0;
    SetSystemMenuItemState(SystemCommandTurnOffSound, soundOn ? 0 : MFS_GRAYED);
    if (!soundThread || !soundOn) return;
    ResumeThread(soundThread);
    soundThreadHeld = false;
}

LRESULT OnSystemCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (wParam) {
    case SystemCommandTopMost: ToggleTopMost(window); break;
    case SystemCommandTurnOffSound:
        monitorConfig.soundMode = 0;
        ApplySoundSetting();
        break;
    case SystemCommandApplySound: ApplySoundSetting(); break;
    case SystemCommandAbout: RunPanelAction(window, 0); break;
    default:
        // The system uses the low four bits of its own commands.
        switch (wParam & 0xFFF0) {
        case SC_MINIMIZE: minimised = 1; break;
        case SC_RESTORE:
            SetWindowTextA(window, "Thermivo");
            minimised = 0;
            break;
        default: break;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The voltages and the case flag are read while painting; while another
// program holds the chip, the paint shows the previous readings.
LRESULT OnPaint(HWND window)
{
    ChipReadingPass pass;
    return PaintPanel(window);
}

LRESULT OnTrayIcon(HWND window, LPARAM lParam)
{
    if (lParam == WM_LBUTTONDOWN) RestoreFromTray(window);
    if (lParam == WM_RBUTTONDOWN) ShowTrayMenu(window);
    return 1;
}

LRESULT OnPowerBroadcast(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (wParam) {
    case PBT_APMSUSPEND: Suspend(); return TRUE;
    case PBT_APMRESUMESUSPEND:
    case PBT_APMRESUMEAUTOMATIC: Resume(); return TRUE;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        // Sent once by the system; one from another program, with or without
        // a record, sets nothing up a second time.
        if (window == mainWindow) return 0;
        return OnCreate(window, message, wParam, lParam);
    case WM_DESTROY:
        ShutDownMonitor(window);
        DeletePanelCanvas();
        DeleteObject(focusPen);
        PostQuitMessage(0);
        return 0;
    case WM_ENDSESSION:
        if (wParam) EndSession(window);
        return 0;
    case WM_PAINT: return OnPaint(window);
    case WM_ERASEBKGND: return PaintPanelBackground(reinterpret_cast<HDC>(wParam));
    case WM_LBUTTONDOWN: return HandlePanelClick(window, LOWORD(lParam), HIWORD(lParam));
    case WM_KEYDOWN: return HandlePanelKey(window, wParam, lParam);
    case WM_TIMER: RunMonitoringCycle(window); return 0;
    case WM_POWER:
        if (wParam == PWR_SUSPENDREQUEST) Suspend();
        if (wParam == PWR_SUSPENDRESUME) Resume();
        return 0;
    case WM_POWERBROADCAST: return OnPowerBroadcast(window, message, wParam, lParam);
    case WM_SIZE:
    case WM_USER: return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == CommandExit) DestroyWindow(window);
        if (LOWORD(wParam) == CommandAbout) RunPanelAction(window, 0);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_SYSCOMMAND: return OnSystemCommand(window, message, wParam, lParam);
    case TrayCallbackMessage: return OnTrayIcon(window, lParam);
    default:
        if (message == taskbarCreatedMessage && message != 0) {
            ReAddTrayIcon(window);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND CreateMainWindow(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(ICON_NORMAL));
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(ICON_NORMAL));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "Thermivo";
    RegisterClassExA(&windowClass);
    moduleInstance = instance;
    return CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, "Thermivo", "QX7305 Thermivo", WS_OVERLAPPEDWINDOW, 0, 0, 400, 405,
                           nullptr, nullptr, instance, nullptr);
}
