// The About box with its animation, and the Help window that shows the
// rich-text help of the Options sheet.
#pragma once

#include <windows.h>

extern HWND helpWindow;

void ShowAboutBox(HWND owner);
// Focuses the open Help window, or opens one owned by the page's sheet.
void OpenHelpWindow(HWND page);

INT_PTR CALLBACK AboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK HelpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
DWORD CALLBACK StreamHelpText(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* transferred);
