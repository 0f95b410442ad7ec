// The Voltage page of the Options sheet: warning percentage and switch per
// voltage channel, and the VCore base voltage.
#pragma once

#include <windows.h>

INT_PTR CALLBACK VoltagePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
