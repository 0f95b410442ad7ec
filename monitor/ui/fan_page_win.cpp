#include "monitor/ui/fan_page.h"

#include <commctrl.h>

#include <climits>

#include "common/centre_window.h"
#include "common/runtime/format.h"
#include "monitor/hw/fan_control.h"
#include "monitor/res/dialog_ids.h"
#include "monitor/settings/monitor_config.h"
#include "monitor/settings/settings_store.h"
#include "monitor/settings/settings_text.h"
#include "monitor/ui/about_help.h"
#include "monitor/ui/fan_page_rules.h"
#include "monitor/ui/options_sheet.h"

FanPageState fanPageState[3];

namespace {

constexpr int ValueBoxTextSize = 64;

int32_t SliderPosition(HWND slider)
{
    return static_cast<int32_t>(SendMessageA(slider, TBM_GETPOS, 0, 0));
}

void SetSliderPosition(HWND slider, int32_t position)
{
    SendMessageA(slider, TBM_SETPOS, TRUE, position);
}

void SetSliderRange(HWND slider, int32_t low, int32_t high)
{
    SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(low, high));
}

void SetTickFrequency(HWND slider)
{
    SendMessageA(slider, TBM_SETTICFREQ, 10, 0);
}

// The page's own writing of a value box; the change the box reports for it
// is not the user's.
void ShowInBox(FanPageState& state, int i, int32_t value)
{
    char text[16];
    FormatText(text, sizeof text, "%d", value);
    state.fillingBoxes = true;
    SetWindowTextA(state.tempEdit[i], text);
    state.fillingBoxes = false;
}

// The temperature controls follow the moves the ordering rule made.
void ShowTemperatureMoves(FanPageState& state, const SliderMove* moves, int count)
{
    for (int i = 0; i < count; ++i) {
        SetSliderPosition(state.tempSlider[moves[i].slider], moves[i].position);
        ShowInBox(state, moves[i].slider, moves[i].position);
    }
}

int IndexOf(const HWND* windows, int count, HWND window)
{
    for (int i = 0; i < count; ++i)
        if (windows[i] == window) return i;
    return -1;
}

// The fan whose page this is, or -1 while the page is not set up.
int FanOfPage(HWND page)
{
    for (int fan = 0; fan < FanChannelCount; ++fan)
        if (fanPageState[fan].pageWindow == page) return fan;
    return -1;
}

void CreateValueBox(HWND page, FanPageState& state, int i)
{
    HWND box = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "0", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_NUMBER, 200,
                               10 + 50 * i, 40, 20, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(FAN_TEMP_BOX + i)),
                               reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(page, GWLP_HINSTANCE)), nullptr);
    SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    state.tempEdit[i] = box;
    SendMessageA(state.tempSlider[i], TBM_SETTIPSIDE, TBTS_BOTTOM, 0);
    SendMessageA(state.tempSlider[i], TBM_SETBUDDY, FALSE, reinterpret_cast<LPARAM>(box));
    SetTickFrequency(state.tempSlider[i]);
}

void InitFanPage(HWND page, int fan)
{
    FanPageState& state = fanPageState[fan];
    const FanProfile& profile = monitorConfig.fan[fan];
    if (fan == 0) CentreWindow(GetParent(page), nullptr);
    state.pageWindow = page;

    state.manualSlider = GetDlgItem(page, FAN_MANUAL_SLIDER);
    SetSliderRange(state.manualSlider, 0, 127);
    SetTickFrequency(state.manualSlider);
    SetSliderPosition(state.manualSlider, profile.manualPwm);

    state.alarmSlider = GetDlgItem(page, FAN_ALARM_SLIDER);
    SetTickFrequency(state.alarmSlider);
    SetSliderPosition(state.alarmSlider, profile.alarmTemp);

    for (int i = 0; i < 3; ++i) {
        state.pwmSlider[i] = GetDlgItem(page, FAN_PWM_SLIDER + i);
        SetSliderRange(state.pwmSlider[i], 0, 127);
        SetTickFrequency(state.pwmSlider[i]);
        SetSliderPosition(state.pwmSlider[i], profile.pwmLevel[i]);
    }
    for (int i = 0; i < 5; ++i) {
        state.tempSlider[i] = GetDlgItem(page, FAN_TEMP_SLIDER + i);
        CreateValueBox(page, state, i);
    }
    SendMessageA(page, RescaleFanPageMessage, 0, 0);
    CheckDlgButton(page, profile.autoMode ? FAN_AUTO_RADIO + fan : FAN_SOFTWARE_RADIO + fan, BST_CHECKED);
    SetFanModeControls(fan, profile.autoMode);
}

void OnRescale(HWND page, int fan)
{
    RescaleFanPage(page, fan);
    FanPageState& state = fanPageState[fan];
    for (int i = 0; i < 5; ++i) state.workTemp[i] = SliderPosition(state.tempSlider[i]);
}

void OnModeButton(HWND page, int fan, int id)
{
    const bool checked = IsDlgButtonChecked(page, id) == BST_CHECKED;
    const bool automaticButton = id == FAN_AUTO_RADIO + fan;
    SetFanModeControls(fan, automaticButton == checked);
    if (checked) MarkSheetChanged(page);
}

void OnTemperatureScroll(HWND page, int fan, int code, HWND slider)
{
    FanPageState& state = fanPageState[fan];
    const int k = IndexOf(state.tempSlider, 5, slider);
    if (k >= 0 && (code == TB_THUMBPOSITION || code == TB_THUMBTRACK || code == TB_ENDTRACK)) {
        state.workTemp[k] = SliderPosition(slider);
        SliderMove moves[4];
        ShowTemperatureMoves(state, moves, OrderTemperatureLimits(state.workTemp, k, moves));
        ShowInBox(state, k, state.workTemp[k]);
    }
    MarkSheetChanged(page);
}

void TakeTypedTemperature(FanPageState& state, int k)
{
    char text[ValueBoxTextSize];
    GetWindowTextA(state.tempEdit[k], text, sizeof text);
    // Kept as typed, even beyond the slider's range; the slider limits itself.
    state.workTemp[k] = ParseLeadingInteger(text);
    SetSliderPosition(state.tempSlider[k], state.workTemp[k]);
    SliderMove moves[4];
    ShowTemperatureMoves(state, moves, OrderTemperatureLimits(state.workTemp, k, moves));
}

void OnTypedTemperature(HWND page, int fan, int k)
{
    TakeTypedTemperature(fanPageState[fan], k);
    MarkSheetChanged(page);
}

// Enter (OK) and Alt+A (Apply) leave the focus in the box being typed in,
// so its value is taken here, before the page stores the sliders.
void TakeValueBeingTyped(int fan)
{
    FanPageState& state = fanPageState[fan];
    const int k = IndexOf(state.tempEdit, 5, GetFocus());
    if (k >= 0) TakeTypedTemperature(state, k);
}

void OnPwmScroll(HWND page, int fan, int code, HWND slider)
{
    if (code != TB_THUMBPOSITION && code != TB_THUMBTRACK && code != TB_ENDTRACK) return;
    FanPageState& state = fanPageState[fan];
    const int k = IndexOf(state.pwmSlider, 3, slider);
    if (k >= 0) {
        int32_t positions[3];
        for (int i = 0; i < 3; ++i) positions[i] = SliderPosition(state.pwmSlider[i]);
        SliderMove moves[2];
        const int count = OrderPwmLevels(positions, k, moves);
        for (int i = 0; i < count; ++i) SetSliderPosition(state.pwmSlider[moves[i].slider], moves[i].position);
    }
    MarkSheetChanged(page);
}

// "Reset To Default": the RESETn numbers into the controls, as they are
// (no ordering); a field the value does not hold leaves its control alone.
void OnResetToDefault(HWND page, int fan)
{
    FanPageState& state = fanPageState[fan];
    constexpr int32_t Unset = INT32_MIN;
    int32_t mode = Unset, pwm[3] = {Unset, Unset, Unset}, manual = Unset, alarm = Unset;
    int32_t previous[5];
    for (int i = 0; i < 5; ++i) {
        previous[i] = state.workTemp[i];
        state.workTemp[i] = Unset;
    }
    if (!ReadFanDefaults(fan, &mode, state.workTemp, pwm, &manual, &alarm)) {
        for (int i = 0; i < 5; ++i) state.workTemp[i] = previous[i];
        return;
    }
    for (int i = 0; i < 5; ++i) {
        if (state.workTemp[i] == Unset) {
            state.workTemp[i] = previous[i];
            continue;
        }
        state.workTemp[i] = ToDisplayTemperature(state.workTemp[i], monitorConfig.celsius);
        SetSliderPosition(state.tempSlider[i], state.workTemp[i]);
        ShowInBox(state, i, state.workTemp[i]);
    }
    for (int i = 0; i < 3; ++i)
        if (pwm[i] != Unset) SetSliderPosition(state.pwmSlider[i], pwm[i]);
    if (manual != Unset) SetSliderPosition(state.manualSlider, manual);
    if (alarm != Unset) SetSliderPosition(state.alarmSlider, ToDisplayTemperature(alarm, monitorConfig.celsius));
    if (mode != Unset) {
        CheckDlgButton(page, FAN_AUTO_RADIO + fan, mode ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(page, FAN_SOFTWARE_RADIO + fan, mode ? BST_UNCHECKED : BST_CHECKED);
        SetFanModeControls(fan, mode != 0);
    }
    MarkSheetChanged(page);
}

LRESULT OnNotify(HWND page, int fan, const NMHDR* header)
{
    switch (header->code) {
    case PSN_APPLY:
        TakeValueBeingTyped(fan);
        ApplyFanPage(page, fan);
        break;
    case PSN_RESET: CloseSheet(page); break;
    case PSN_HELP: OpenHelpWindow(page); break;
    default: break;
    }
    return 0;
}

void OnCommand(HWND page, int fan, WPARAM wParam)
{
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (code == BN_CLICKED && (id == FAN_AUTO_RADIO + fan || id == FAN_SOFTWARE_RADIO + fan)) OnModeButton(page, fan, id);
    if (code == BN_CLICKED && id == FAN_RESET_BUTTON + fan) OnResetToDefault(page, fan);
    if (code == EN_KILLFOCUS && id >= FAN_TEMP_BOX && id < FAN_TEMP_BOX + 5) OnTypedTemperature(page, fan, id - FAN_TEMP_BOX);
    // Typing enables Apply at once; the value itself is taken when the box
    // loses the focus, as the click on Apply or OK makes it.
    if (code == EN_CHANGE && id >= FAN_TEMP_BOX && id < FAN_TEMP_BOX + 5 && !fanPageState[fan].fillingBoxes)
        MarkSheetChanged(page);
}

}  // namespace

void RescaleFanPage(HWND page, int fan)
{
    FanPageState& state = fanPageState[fan];
    const FanProfile& profile = monitorConfig.fan[fan];
    const int32_t scale = monitorConfig.celsius;
    const char* lowLabel = scale ? "  0 C" : " 32 F";
    const char* highLabel = scale ? "100 C" : "212 F";
    SetDlgItemTextA(page, FAN_TEMP_LOW_LABEL, lowLabel);
    SetDlgItemTextA(page, FAN_TEMP_HIGH_LABEL, highLabel);
    SetDlgItemTextA(page, FAN_ALARM_LOW_LABEL, lowLabel);
    SetDlgItemTextA(page, FAN_ALARM_HIGH_LABEL, highLabel);
    const int32_t low = ToDisplayTemperature(0, scale);
    const int32_t high = ToDisplayTemperature(100, scale);
    for (int i = 0; i < 5; ++i) {
        const int32_t shown = ToDisplayTemperature(profile.tempLimit[i], scale);
        SetSliderRange(state.tempSlider[i], low, high);
        SetSliderPosition(state.tempSlider[i], shown);
        ShowInBox(state, i, shown);
    }
    SetSliderRange(state.alarmSlider, low, high);
    SetSliderPosition(state.alarmSlider, ToDisplayTemperature(profile.alarmTemp, scale));
}

void SetFanModeControls(int fan, int automatic)
{
    const FanPageState& state = fanPageState[fan];
    for (HWND slider : state.pwmSlider) EnableWindow(slider, automatic != 0);
    for (int i = 0; i < 5; ++i) {
        EnableWindow(state.tempSlider[i], automatic != 0);
        EnableWindow(state.tempEdit[i], automatic != 0);
    }
    EnableWindow(state.manualSlider, automatic == 0);
    EnableWindow(state.alarmSlider, automatic == 0);
}

// Stores every field before the chip is programmed; the alarm threshold last.
void ApplyFanPage(HWND page, int fan)
{
    const FanPageState& state = fanPageState[fan];
    FanProfile& profile = monitorConfig.fan[fan];
    const int32_t scale = monitorConfig.celsius;
    for (int i = 0; i < 5; ++i) profile.tempLimit[i] = ToStoredTemperature(SliderPosition(state.tempSlider[i]), scale);
    for (int i = 0; i < 3; ++i) profile.pwmLevel[i] = SliderPosition(state.pwmSlider[i]);
    profile.manualPwm = SliderPosition(state.manualSlider);
    profile.alarmTemp = ToStoredTemperature(SliderPosition(state.alarmSlider), scale);
    const bool automatic = IsDlgButtonChecked(page, FAN_AUTO_RADIO + fan) == BST_CHECKED;
    profile.autoMode = automatic ? 1 : 0;
    ProgramFan(fan, automatic ? FanModeAutomatic : FanModeSoftware, monitorConfig.fanMap);
    monitorConfig.effectiveAlarmTemp[fan] = FanAlarmThreshold(profile);
    ReleaseHeldKeys(HeldFan(fan));
}

INT_PTR CALLBACK FanPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    int fan = FanOfPage(page);
    if (message == WM_INITDIALOG) {
        // The sheet sends it once, with the page's record; another program's
        // copy finds the page set up already, and its index is not trusted.
        if (fan >= 0) return 0;
        fan = static_cast<int>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
        if (fan >= 0 && fan < FanChannelCount) InitFanPage(page, fan);
        return 0;
    }
    if (fan < 0) return 0;  // not initialised yet
    switch (message) {
    case RescaleFanPageMessage: OnRescale(page, fan); break;
    case WM_COMMAND: OnCommand(page, fan, wParam); break;
    case WM_VSCROLL: OnTemperatureScroll(page, fan, LOWORD(wParam), reinterpret_cast<HWND>(lParam)); break;
    case WM_HSCROLL: OnPwmScroll(page, fan, LOWORD(wParam), reinterpret_cast<HWND>(lParam)); break;
    case WM_NOTIFY: return OnNotify(page, fan, reinterpret_cast<const NMHDR*>(lParam));
    case WM_DESTROY: fanPageState[fan].pageWindow = nullptr; break;
    default: break;
    }
    return 0;
}
