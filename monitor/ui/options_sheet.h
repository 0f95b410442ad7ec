// The Options property sheet: one page per fan channel that exists, then the
// Misc and Voltage pages.
#pragma once

#include <windows.h>

void OpenOptionsSheet(HWND owner);

// Enables the sheet's Apply button for a page's change.
void MarkSheetChanged(HWND page);
// A page's answer to Cancel: the sheet closes at once.
void CloseSheet(HWND page);
