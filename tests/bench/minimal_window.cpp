// The least a window can do that shows the panel once a second: a 400 x 405
// client area, a one-second timer and one BitBlt of a 400 x 400 bitmap (the
// panel's background) per tick. scripts/bench.sh runs it beside the monitor
// as the yardstick for the monitor's own cost.
#include <windows.h>

namespace {

constexpr int PanelBitmapId = 1405;
constexpr int PanelSize = 400;

HDC bitmapDc;

LRESULT CALLBACK MinimalWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER: InvalidateRect(window, nullptr, FALSE); return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        BitBlt(dc, 0, 0, PanelSize, PanelSize, bitmapDc, 0, 0, SRCCOPY);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MinimalWindowProc;
    windowClass.hInstance = instance;
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
    SetTimer(window, 1, 1000, nullptr);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
