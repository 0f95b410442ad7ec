#include "monitor/ui/voltage_page.h"

#include <commctrl.h>
#include <prsht.h>

#include "common/runtime/format.h"
#include "monitor/core/reading_text.h"
#include "monitor/hw/chip.h"
#include "monitor/res/dialog_ids.h"
#include "monitor/settings/monitor_config.h"
#include "monitor/settings/settings_text.h"
#include "monitor/ui/options_sheet.h"
#include "monitor/ui/voltage_page_rules.h"

namespace {

constexpr int PercentTextSize = 65;  // a typed percentage is read up to 64 characters

// The six controls of a channel row, by the id of row 0; row k adds k.
constexpr int RowFamilies[] = {VOLTAGE_BASE, VOLTAGE_SPIN, VOLTAGE_PERCENT_EDIT,
                               VOLTAGE_ENABLE_CHECK, VOLTAGE_PERCENT_SIGN, VOLTAGE_NAME};

struct VoltagePageState {
    HWND percentEdit[VoltageChannelCount];
    HWND spin[VoltageChannelCount];
    // While the page fills its boxes, their change notifications are no
    // change of the user's.
    bool initialising;
};
VoltagePageState voltagePage;

void SelectBaseVoltage(HWND page, int32_t hundredths)
{
    const int choice = FindBaseVoltageChoice(hundredths);
    if (choice >= 0) SendDlgItemMessageA(page, VOLTAGE_BASE, CB_SETCURSEL, static_cast<WPARAM>(choice), 0);
}

void FillVoltageRow(HWND page, int k)
{
    const VoltageSetting& channel = monitorConfig.voltage[k];
    HWND edit = GetDlgItem(page, VOLTAGE_PERCENT_EDIT + k);
    HWND spin = GetDlgItem(page, VOLTAGE_SPIN + k);
    voltagePage.percentEdit[k] = edit;
    voltagePage.spin[k] = spin;
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    SendMessageA(spin, UDM_SETRANGE, 0, MAKELPARAM(100, 0));
    SendMessageA(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);

    char text[16];
    FormatText(text, sizeof text, "%d", channel.tolerancePercent);
    SetWindowTextA(edit, text);
    CheckDlgButton(page, VOLTAGE_ENABLE_CHECK + k, channel.warnEnabled ? BST_CHECKED : BST_UNCHECKED);

    if (k == 0) {
        HWND list = GetDlgItem(page, VOLTAGE_BASE);
        for (const BaseVoltageChoice& choice : BaseVoltageChoices)
            SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.text));
        SelectBaseVoltage(page, channel.baseVoltage);
    } else {
        char label[BaseVoltageTextSize];
        FormatBaseVoltageLabel(channel.baseVoltage, label);
        SetDlgItemTextA(page, VOLTAGE_BASE + k, label);
    }
}

// Each moving control takes the place and size that the control one row up
// has at that moment, so several hidden rows close up one after the other.
void CloseUpHiddenRows(HWND page)
{
    int32_t shown[VoltageChannelCount];
    for (int k = 0; k < VoltageChannelCount; ++k) {
        shown[k] = monitorConfig.voltage[k].shown;
        if (shown[k]) continue;
        for (int family : RowFamilies) ShowWindow(GetDlgItem(page, family + k), SW_HIDE);
    }
    RowMove moves[MaxRowMoves];
    const int count = RowCloseUpMoves(shown, moves);
    for (int i = 0; i < count; ++i) {
        for (int family : RowFamilies) {
            RECT place;
            GetWindowRect(GetDlgItem(page, family + moves[i].onto), &place);
            MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&place), 2);
            MoveWindow(GetDlgItem(page, family + moves[i].row), place.left, place.top, place.right - place.left,
                       place.bottom - place.top, TRUE);
        }
    }
}

void InitVoltagePage(HWND page)
{
    voltagePage.initialising = true;
    for (int k = 0; k < VoltageChannelCount; ++k) FillVoltageRow(page, k);
    if (!monitorConfig.voltage[0].shown) ShowWindow(GetDlgItem(page, VOLTAGE_SET_VCORE_BUTTON), SW_HIDE);
    CloseUpHiddenRows(page);
    voltagePage.initialising = false;
}

// A percentage outside 0..100 is corrected as it is typed; the correction
// comes back here as a change of its own and then stands.
void ClampPercentage(HWND page, HWND edit)
{
    char text[PercentTextSize];
    GetWindowTextA(edit, text, sizeof text);
    if (const char* replacement = PercentageReplacement(text)) SetWindowTextA(edit, replacement);
    if (!voltagePage.initialising) MarkSheetChanged(page);
}

// The VCore reading to the nearest 0.1 V, if the list has it.
void SelectCurrentVCore(HWND page)
{
    const int32_t millivolts = VoltageMillivolts(ReadVoltage(VoltageRegisterBase));
    SelectBaseVoltage(page, NearestTenthInHundredths(millivolts));
    MarkSheetChanged(page);
}

void OnCommand(HWND page, int id, int code, HWND control)
{
    if ((code == EN_CHANGE || code == EN_UPDATE) && id >= VOLTAGE_PERCENT_EDIT &&
        id < VOLTAGE_PERCENT_EDIT + VoltageChannelCount)
        ClampPercentage(page, control);
    else if (code == BN_CLICKED && id >= VOLTAGE_ENABLE_CHECK && id < VOLTAGE_ENABLE_CHECK + VoltageChannelCount)
        MarkSheetChanged(page);
    else if (code == CBN_CLOSEUP && id == VOLTAGE_BASE)
        MarkSheetChanged(page);
    else if (code == BN_CLICKED && id == VOLTAGE_SET_VCORE_BUTTON)
        SelectCurrentVCore(page);
}

// Hidden rows are stored too, with the values they were shown with.
void ApplyVoltagePage(HWND page)
{
    for (int k = 0; k < VoltageChannelCount; ++k) {
        VoltageSetting& channel = monitorConfig.voltage[k];
        char text[PercentTextSize];
        GetWindowTextA(voltagePage.percentEdit[k], text, sizeof text);
        channel.tolerancePercent = ParseLeadingInteger(text);
        channel.warnEnabled = IsDlgButtonChecked(page, VOLTAGE_ENABLE_CHECK + k) == BST_CHECKED ? 1 : 0;
    }
    // No selection gives 0: the panel then takes the next VCore reading as the base.
    char base[BaseVoltageTextSize];
    GetDlgItemTextA(page, VOLTAGE_BASE, base, sizeof base);
    monitorConfig.voltage[0].baseVoltage = ParseBaseVoltageText(base);
    ReleaseHeldKeys(HeldVoltTolerance | HeldVoltEnable | HeldVoltBase);
}

}  // namespace

INT_PTR CALLBACK VoltagePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: InitVoltagePage(page); break;
    case WM_COMMAND: OnCommand(page, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); break;
    case WM_VSCROLL: MarkSheetChanged(page); break;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == PSN_APPLY) ApplyVoltagePage(page);
        if (header->code == PSN_RESET) CloseSheet(page);
        break;
    }
    default: break;
    }
    return 0;
}
