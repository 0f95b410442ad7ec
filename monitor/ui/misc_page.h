// The Misc page of the Options sheet: display scale, top-most window,
// warning sound, start at logon, and clearing the case-open flag.
#pragma once

#include <windows.h>

INT_PTR CALLBACK MiscPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
