// The notification-area icon: present while the main window exists, blinking
// between the normal and the alarm icon during an alarm, and the way back to
// a hidden window.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr UINT TrayCallbackMessage = 1124;
constexpr UINT TrayIconId = 101;
constexpr UINT CommandExit = 1600;
constexpr UINT CommandAbout = 1603;

int AddTrayIcon(HWND window);
int32_t ToggleTrayIcon(HWND window);
void RemoveTrayIcon(HWND window);
void RestoreFromTray(HWND window);
int ShowTrayMenu(HWND window);
// After the shell restarts its notification area: the icon again, as it was.
void ReAddTrayIcon(HWND window);
// Gives the icon this tip; the shell is told only when the text changes.
void SetTrayTip(HWND window, const char* tip);
