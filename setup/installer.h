// The installer's window layer: one window, one thread, and the operations
// of the installation sequence that the window procedure runs in order.
#pragma once

#include <windows.h>

#include "setup/install_plan.h"

// Process-wide state, owned by the only thread.
struct InstallerState {
    HWND mainWindow;
    HWND textControl;
    HWND progressBar;
    // Without a trailing backslash; empty when the system could not give it.
    char windowsDirectory[DirectorySize];
    char systemDirectory[DirectorySize];
};
extern InstallerState installer;

// The final box, of success or of a failed copy, comes to the front: the
// shell opens the program group's folder window while the installation runs,
// and a box behind it would leave the installer looking hung.
constexpr UINT FinalBoxStyle = MB_OK | MB_SETFOREGROUND | MB_TOPMOST;

int RunInstaller(HINSTANCE instance);
int ShowWelcomeText();
void PaintBanner(HWND mainWindow);
void FetchDirectories();

// 1 when every file of the running family has been copied; 0 after the
// failed file's error box has been shown and closed.
int InstallFiles(HWND mainWindow);
int CopyFileWithProgress(HWND progressBar, HWND textControl, const char* source, const char* target);

void CreateProgramGroup();
void WriteDefaultSettings();
int RegisterUninstall();
