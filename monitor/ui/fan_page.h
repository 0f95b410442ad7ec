// The fan pages of the Options sheet: fan n's curve of five temperature
// limits and three PWM levels (automatic mode) or its fixed PWM value and
// alarm limit (software programmable mode).
#pragma once

#include <windows.h>

#include <cstdint>

// Sent to a fan page to show its temperatures again in the current scale.
constexpr UINT RescaleFanPageMessage = WM_USER;

struct FanPageState {
    HWND pageWindow;  // while the page exists
    HWND tempSlider[5];
    HWND tempEdit[5];
    HWND pwmSlider[3];
    HWND manualSlider;
    HWND alarmSlider;
    int32_t workTemp[5];  // the limits in the display unit, kept in order
    bool fillingBoxes;    // while the page writes a value box itself
};
extern FanPageState fanPageState[3];

INT_PTR CALLBACK FanPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void RescaleFanPage(HWND page, int fan);
void SetFanModeControls(int fan, int automatic);
void ApplyFanPage(HWND page, int fan);
