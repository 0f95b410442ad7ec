// The monitor's one window: its class, its procedure and the state that the
// other parts of the program share with it. Main thread only.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr UINT MonitorTimerId = 100;
constexpr UINT SystemCommandTopMost = 1602;
constexpr UINT SystemCommandAbout = 1603;
constexpr UINT SystemCommandTurnOffSound = 1612;
constexpr UINT SystemCommandApplySound = 1614;

extern HINSTANCE moduleInstance;
extern HWND mainWindow;
extern HMENU systemMenu;
extern HANDLE soundThread;
extern DWORD soundThreadId;
extern int32_t activeSoundMode;
extern int32_t topMost;
extern int32_t minimised;
extern HPEN focusPen;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Registers the window class and creates the (not yet shown) main window of
// the program image instance, whose resources it uses.
HWND CreateMainWindow(HINSTANCE instance);
