// The least a window can do that shows the panel once a second: a 400 x 405
// client area, a one-second timer and one BitBlt of a 400 x 400 bitmap (the
// panel's background) per tick. With the argument ALARM it also does the
// least an alarm second must show: each tick flashes the caption once and
// swaps its tray icon and its large icon between the monitor's two icons.
// scripts/bench.sh runs it beside the monitor as the yardstick for the
// monitor's own cost, the quiet one and the alarm one.
#include <windows.h>

#include <shellapi.h>

namespace {

constexpr int NormalIconId = 101, AlarmIconId = 102;
constexpr int PanelBitmapId = 1405;
constexpr int PanelSize = 400;
constexpr UINT TrayIconId = 1;

HDC bitmapDc;
bool alarm;
HICON icons[2];
int shownIcon;

void ShowIcon(HWND window, DWORD trayMessage)
{
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = TrayIconId;
    record.uFlags = NIF_ICON;
    record.hIcon = icons[shownIcon];
    Shell_NotifyIconA(trayMessage, &record);
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons[shownIcon]));
}

void Tick(HWND window)
{
    if (alarm) {
        FlashWindow(window, TRUE);
        shownIcon = 1 - shownIcon;
        ShowIcon(window, NIM_MODIFY);
    }
    InvalidateRect(window, nullptr, FALSE);
}

LRESULT CALLBACK MinimalWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER: Tick(window); return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        BitBlt(dc, 0, 0, PanelSize, PanelSize, bitmapDc, 0, 0, SRCCOPY);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        if (alarm) ShowIcon(window, NIM_DELETE);
        PostQuitMessage(0);
        return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    alarm = lstrcmpA(commandLine, "ALARM") == 0;
    icons[0] = LoadIconA(instance, MAKEINTRESOURCEA(NormalIconId));
    icons[1] = LoadIconA(instance, MAKEINTRESOURCEA(AlarmIconId));
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MinimalWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icons[0];
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "MinimalWindow";
    RegisterClassA(&windowClass);

    bitmapDc = CreateCompatibleDC(nullptr);
    SelectObject(bitmapDc, LoadBitmapA(instance, MAKEINTRESOURCEA(PanelBitmapId)));

    RECT rect = {0, 0, PanelSize, PanelSize + 5};
    AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_OVERLAPPEDWINDOW);
    HWND window = CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, "MinimalWindow", "Minimal", WS_OVERLAPPEDWINDOW, 0, 0, rect.right - rect.left,
                                  rect.bottom - rect.top, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    if (alarm) ShowIcon(window, NIM_ADD);
    SetTimer(window, 1, 1000, nullptr);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
