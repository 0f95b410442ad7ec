#include "monitor/ui/about_help.h"

#include <commctrl.h>
#include <richedit.h>

#include <cstring>

#include "common/centre_window.h"
#include "monitor/core/main_window.h"
#include "monitor/res/dialog_ids.h"
#include "monitor/ui/help_stream.h"

HWND helpWindow;

namespace {

constexpr UINT LoadHelpTextMessage = WM_USER + 2;

HWND aboutAnimation;
HelpStream helpStream;

void StartAnimation(HWND dialog)
{
    RECT place;
    GetWindowRect(GetDlgItem(dialog, ANIMATION_PLACE), &place);
    POINT topLeft = {place.left, place.top};
    ScreenToClient(dialog, &topLeft);
    aboutAnimation = CreateWindowExA(0, "SysAnimate32", nullptr, WS_CHILD | WS_VISIBLE | ACS_CENTER | ACS_TRANSPARENT,
                                     topLeft.x, topLeft.y, place.right - place.left, place.bottom - place.top, dialog,
                                     nullptr, moduleInstance, nullptr);
    SendMessageA(aboutAnimation, ACM_OPEN, 0, reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(ANIMATION_ABOUT)));
    SendMessageA(aboutAnimation, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
}

// Deferred until the window is up, so that it appears at once.
void LoadHelpText(HWND dialog)
{
    HMODULE module = moduleInstance;
    HRSRC resource = FindResourceA(module, "HELPINFO", "RTF");
    if (!resource) return;
    const DWORD size = SizeofResource(module, resource);
    const void* data = LockResource(LoadResource(module, resource));
    helpStream = StartHelpStream(size);
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(data);
    stream.pfnCallback = StreamHelpText;
    SendDlgItemMessageA(dialog, HELP_TEXT_CONTROL, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    // Nothing selected, and the caret at the start so that the text shows
    // from its top (a selection of (-1, -1) would put the caret at the end).
    CHARRANGE nothing = {0, 0};
    SendDlgItemMessageA(dialog, HELP_TEXT_CONTROL, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&nothing));
}

}  // namespace

void ShowAboutBox(HWND owner)
{
    DialogBoxParamA(moduleInstance, MAKEINTRESOURCEA(DIALOG_ABOUT), owner, AboutBoxProc, 0);
}

void OpenHelpWindow(HWND page)
{
    if (helpWindow) {
        // Through its OK button: the dialog would otherwise hand the focus to
        // the text, selecting all of it and scrolling to its end.
        SetFocus(GetDlgItem(helpWindow, IDOK));
        return;
    }
    // The rich-edit class of the help text comes from this library.
    LoadLibraryA("RICHED32.DLL");
    helpWindow = CreateDialogParamA(moduleInstance, MAKEINTRESOURCEA(DIALOG_HELP), page, HelpDialogProc, 0);
}

INT_PTR CALLBACK AboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        CentreWindow(dialog, nullptr);
        StartAnimation(dialog);
        return 1;
    case WM_COMMAND:
        // Only OK closes the box; Escape and the close box do nothing.
        if (LOWORD(wParam) == IDOK) {
            SendMessageA(aboutAnimation, ACM_OPEN, 0, 0);
            EndDialog(dialog, 1);
        }
        return 1;
    default: return 0;
    }
}

INT_PTR CALLBACK HelpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        PostMessageA(dialog, LoadHelpTextMessage, 0, 0);
        CentreWindow(dialog, nullptr);
        // The focus starts on OK: a rich-edit control that gets the dialog's
        // focus has all its text selected and scrolled to its end.
        SetFocus(GetDlgItem(dialog, IDOK));
        return 0;
    case LoadHelpTextMessage: LoadHelpText(dialog); return 1;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDOK) return 0;
        SendMessageA(dialog, WM_CLOSE, 0, 0);
        return 1;
    case WM_CLOSE: DestroyWindow(dialog); return 1;
    case WM_DESTROY:
        // Closed, or destroyed with the sheet that owns it: the next Help opens a new one.
        if (helpWindow == dialog) helpWindow = nullptr;
        return 0;
    default: return 0;
    }
}

DWORD CALLBACK StreamHelpText(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* transferred)
{
    const size_t start = helpStream.position;
    const size_t count = NextHelpChunk(helpStream, requested > 0 ? static_cast<size_t>(requested) : 0);
    // At the end the position lies past the text (by one for an empty text).
    if (count > 0) memcpy(buffer, reinterpret_cast<const BYTE*>(cookie) + start, count);
    *transferred = static_cast<LONG>(count);
    return 0;
}
