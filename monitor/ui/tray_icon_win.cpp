#include "monitor/ui/tray_icon.h"

#include <shellapi.h>

#include <cstring>

#include "monitor/core/main_window.h"
#include "monitor/res/resource_ids.h"
#include "monitor/ui/tray_tip.h"

// The record is passed in its first layout (a 64-byte tip), which every
// shell understands: 88 bytes in the 32-bit program.
constexpr DWORD TrayRecordSize = NOTIFYICONDATAA_V1_SIZE;
#ifndef _WIN64
static_assert(TrayRecordSize == 88, "the first notification-icon record layout has 88 bytes");
#endif

namespace {

// Inverted by each toggle; non-zero selects the normal icon. It starts at 0
// while the normal icon shows, so the first toggle changes nothing visible.
uint32_t trayIconFlip;
int shownIcon = ICON_NORMAL;
// The tip the shell has, also for adding the icon again.
char shownTip[TrayTipSize];

NOTIFYICONDATAA TrayRecord(HWND window, UINT flags)
{
    NOTIFYICONDATAA record = {};
    record.cbSize = TrayRecordSize;
    record.hWnd = window;
    record.uID = TrayIconId;
    record.uFlags = flags;
    return record;
}

// Both icons are loaded once, when the icon is first added: an alarm
// switches between them every second.
HICON normalIcon, alarmIcon;

HICON OwnIcon(int id)
{
    if (!normalIcon) {
        normalIcon = LoadIconA(moduleInstance, MAKEINTRESOURCEA(ICON_NORMAL));
        alarmIcon = LoadIconA(moduleInstance, MAKEINTRESOURCEA(ICON_ALARM));
    }
    return id == ICON_ALARM ? alarmIcon : normalIcon;
}

void AddIcon(HWND window, int id)
{
    NOTIFYICONDATAA record = TrayRecord(window, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    record.uCallbackMessage = TrayCallbackMessage;
    record.hIcon = OwnIcon(id);
    lstrcpynA(record.szTip, shownTip, TrayTipSize);
    Shell_NotifyIconA(NIM_ADD, &record);
}

}  // namespace

int AddTrayIcon(HWND window)
{
    lstrcpynA(shownTip, ProgramTip, TrayTipSize);
    AddIcon(window, ICON_NORMAL);
    shownIcon = ICON_NORMAL;
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(OwnIcon(ICON_NORMAL)));
    return 1;
}

void ReAddTrayIcon(HWND window)
{
    AddIcon(window, shownIcon);
}

int32_t ToggleTrayIcon(HWND window)
{
    trayIconFlip = ~trayIconFlip;
    shownIcon = trayIconFlip ? ICON_NORMAL : ICON_ALARM;
    HICON icon = OwnIcon(shownIcon);
    NOTIFYICONDATAA record = TrayRecord(window, NIF_ICON);
    record.hIcon = icon;
    Shell_NotifyIconA(NIM_MODIFY, &record);
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    return static_cast<int32_t>(trayIconFlip);
}

void SetTrayTip(HWND window, const char* tip)
{
    if (strcmp(tip, shownTip) == 0) return;
    lstrcpynA(shownTip, tip, TrayTipSize);
    NOTIFYICONDATAA record = TrayRecord(window, NIF_TIP);
    lstrcpynA(record.szTip, shownTip, TrayTipSize);
    Shell_NotifyIconA(NIM_MODIFY, &record);
}

void RemoveTrayIcon(HWND window)
{
    NOTIFYICONDATAA record = TrayRecord(window, NIF_ICON);
    Shell_NotifyIconA(NIM_DELETE, &record);
}

void RestoreFromTray(HWND window)
{
    ShowWindow(window, SW_RESTORE);
    SetActiveWindow(window);
    SendMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
}

int ShowTrayMenu(HWND window)
{
    POINT cursor;
    if (!GetCursorPos(&cursor)) return 0;
    HMENU menu = CreatePopupMenu();
    if (!menu) return 0;
    AppendMenuA(menu, MF_STRING, CommandAbout, "About");
    AppendMenuA(menu, MF_STRING, CommandExit, "Exit");
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(window);
    TrackPopupMenu(menu, TPM_CENTERALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, cursor.x, cursor.y, 0, window, nullptr);
    DestroyMenu(menu);
    return 1;
}
