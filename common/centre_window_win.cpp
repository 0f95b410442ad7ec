#include "common/centre_window.h"

#include "common/placement.h"

void CentreWindow(HWND window, HWND reference)
{
    RECT own;
    GetWindowRect(window, &own);
    RECT ref = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (reference) GetWindowRect(reference, &ref);

    HDC dc = GetDC(window);
    const int displayWidth = GetDeviceCaps(dc, HORZRES);
    const int displayHeight = GetDeviceCaps(dc, VERTRES);
    ReleaseDC(window, dc);

    const PlacementPoint at = CentredPosition({own.left, own.top, own.right, own.bottom},
                                              {ref.left, ref.top, ref.right, ref.bottom}, displayWidth, displayHeight);
    SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
}
