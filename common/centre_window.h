// Centres a window on another window, or on the screen when there is none,
// keeping it on the display.
#pragma once

#include <windows.h>

void CentreWindow(HWND window, HWND reference);
