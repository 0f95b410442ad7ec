#include "monitor/ui/misc_page.h"

#include <commctrl.h>
#include <prsht.h>

#include "monitor/core/main_window.h"
#include "monitor/hw/chip.h"
#include "monitor/res/dialog_ids.h"
#include "common/autostart.h"
#include "monitor/settings/monitor_config.h"
#include "monitor/ui/fan_page.h"
#include "monitor/ui/options_sheet.h"

namespace {

bool IsChecked(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

void Check(HWND page, int id, bool checked)
{
    CheckDlgButton(page, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void EnableSoundKinds(HWND page, bool enable)
{
    EnableWindow(GetDlgItem(page, MISC_SPEAKER_RADIO), enable);
    EnableWindow(GetDlgItem(page, MISC_SOUND_CARD_RADIO), enable);
}

// The controls show the state at the moment the page is created.
void InitMiscPage(HWND page)
{
    Check(page, MISC_TOPMOST_CHECK, topMost != 0);
    const int32_t sound = monitorConfig.soundMode;
    Check(page, MISC_SOUND_CHECK, sound != 0);
    Check(page, MISC_SPEAKER_RADIO, sound == 1);
    Check(page, MISC_SOUND_CARD_RADIO, sound == 2);
    if (sound == 0) EnableSoundKinds(page, false);
    Check(page, monitorConfig.celsius ? MISC_CELSIUS_RADIO : MISC_FAHRENHEIT_RADIO, true);
    if (monitorConfig.caseOpenCheck == 0) EnableWindow(GetDlgItem(page, MISC_CLEAR_CASE_BUTTON), FALSE);
    Check(page, MISC_AUTOSTART_CHECK, IsAutoStartSet() == 1);
}

void OnClicked(HWND page, int id)
{
    switch (id) {
    case MISC_CELSIUS_RADIO:
    case MISC_FAHRENHEIT_RADIO:
        if (IsChecked(page, id)) MarkSheetChanged(page);
        break;
    case MISC_TOPMOST_CHECK:
        if (IsChecked(page, id) != (topMost != 0)) MarkSheetChanged(page);
        break;
    case MISC_SOUND_CHECK: {
        const bool ticked = IsChecked(page, id);
        if (ticked != (monitorConfig.soundMode != 0)) MarkSheetChanged(page);
        EnableSoundKinds(page, ticked);
        // With no kind chosen Apply stores the sound card: the page shows it.
        if (ticked && !IsChecked(page, MISC_SPEAKER_RADIO)) Check(page, MISC_SOUND_CARD_RADIO, true);
        break;
    }
    case MISC_SPEAKER_RADIO:
    case MISC_SOUND_CARD_RADIO:
    case MISC_AUTOSTART_CHECK: MarkSheetChanged(page); break;
    case MISC_CLEAR_CASE_BUTTON:
        // Acts at once; neither Apply nor Cancel has anything to do with it.
        ClearCaseOpen();
        break;
    default: break;
    }
}

// Runs after the fan pages have applied, so that they took their sliders in
// the scale they showed; they are then shown again in the new scale.
void ApplyMiscPage(HWND page)
{
    if (IsChecked(page, MISC_TOPMOST_CHECK) != (topMost != 0))
        SendMessageA(mainWindow, WM_SYSCOMMAND, SystemCommandTopMost, 0);

    if (IsChecked(page, MISC_SOUND_CHECK))
        monitorConfig.soundMode = IsChecked(page, MISC_SPEAKER_RADIO) ? 1 : 2;
    else
        monitorConfig.soundMode = 0;
    SendMessageA(mainWindow, WM_SYSCOMMAND, SystemCommandApplySound, 0);

    monitorConfig.celsius = IsChecked(page, MISC_CELSIUS_RADIO) ? 1 : 0;
    for (const FanPageState& state : fanPageState)
        if (state.pageWindow) SendMessageA(state.pageWindow, RescaleFanPageMessage, 0, 0);

    const bool wanted = IsChecked(page, MISC_AUTOSTART_CHECK);
    const bool set = IsAutoStartSet() == 1;
    if (wanted && !set) SetAutoStart();
    if (!wanted && set) ClearAutoStart();
}

}  // namespace

INT_PTR CALLBACK MiscPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: InitMiscPage(page); break;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) OnClicked(page, LOWORD(wParam));
        break;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == PSN_APPLY) ApplyMiscPage(page);
        if (header->code == PSN_RESET) CloseSheet(page);
        break;
    }
    default: break;
    }
    return 0;
}
