// The 400 x 400 instrument panel in the main window's client area: painting,
// clicks and keys.
#pragma once

#include <windows.h>

#include <cstdint>

void LoadPanelBitmaps(HINSTANCE instance);
// The off-screen copy of the panel that every paint goes through, with the
// memory contexts and the font drawing needs: made once the window exists,
// deleted when it is destroyed.
void CreatePanelCanvas(HWND window);
void DeletePanelCanvas();
LRESULT PaintPanelBackground(HDC dc);
LRESULT PaintPanel(HWND window);
LRESULT HandlePanelClick(HWND window, uint32_t x, uint32_t y);
LRESULT HandlePanelKey(HWND window, WPARAM virtualKey, LPARAM lParam);
void ActivateFocusTarget(HWND window, int target);
// Asks for the readings to be drawn again; with erase the background, labels,
// titles and lamps are drawn first.
void InvalidateReadoutArea(HWND window, BOOL erase);

// The panel's action buttons, also reached from the system and tray menus:
// 0 About box, 1 exit, 2 hide, 3 Options sheet.
void RunPanelAction(HWND owner, int action);
