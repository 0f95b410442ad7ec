#include "monitor/ui/panel.h"

#include "common/runtime/format.h"
#include "monitor/core/main_window.h"
#include "monitor/core/fan_stall.h"
#include "monitor/core/rail_check.h"
#include "monitor/core/reading_text.h"
#include "monitor/hw/chip.h"
#include "monitor/res/resource_ids.h"
#include "monitor/settings/monitor_config.h"
#include "monitor/ui/about_help.h"
#include "monitor/hw/chip_lock.h"
#include "monitor/ui/options_sheet.h"
#include "monitor/ui/panel_cells.h"
#include "monitor/ui/panel_layout.h"
#include "monitor/ui/panel_text.h"

namespace {

// Loaded once and kept for the life of the process.
constexpr int PanelBitmapIds[] = {
    BITMAP_VALUE_GREEN, BITMAP_VALUE_FAN, BITMAP_VALUE_RED, BITMAP_VOLT_WHITE, BITMAP_VOLT_RED, BITMAP_CLOCK,
    BITMAP_LAMPS, BITMAP_BACKGROUND, BITMAP_CASE_STATE, BITMAP_CHASSIS, BITMAP_VOLT_LABELS,
};
constexpr int PanelBitmapCount = sizeof PanelBitmapIds / sizeof PanelBitmapIds[0];
HBITMAP panelBitmaps[PanelBitmapCount];

int PanelBitmapIndex(int id)
{
    for (int i = 0; i < PanelBitmapCount; ++i)
        if (PanelBitmapIds[i] == id) return i;
    return 0;
}

constexpr int PanelSize = 400;

// The whole panel as the window shows it, kept off-screen for the window's
// life: everything is drawn into it, and a paint hands the invalid part to
// the window with one copy. It holds the column titles' font (and their text
// colour and transparent background) for good.
HDC canvas;
HBITMAP canvasBitmap;
HGDIOBJ canvasOriginalBitmap, canvasOriginalFont;
HFONT titleFont;
// One memory context per panel bitmap, with the bitmap selected for good:
// under Wine, selecting another bitmap into a context costs as much as a
// trip to the server and to the display.
HDC sources[PanelBitmapCount];
HGDIOBJ sourceOriginalBitmaps[PanelBitmapCount];
// What the canvas shows of the readings and what the window shows of it: a
// paint draws only the cells that changed and hands the window only those.
PanelCanvas shown;
// Whether the monitor invalidated the whole readout area since the last
// paint: that paint then repaints all of it.
bool readoutInvalidated;

HFONT CreateTitleFont()
{
    LOGFONTA description = {};
    description.lfHeight = 24;
    description.lfWeight = FW_BOLD;
    description.lfCharSet = ANSI_CHARSET;
    description.lfQuality = PROOF_QUALITY;
    description.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    return CreateFontIndirectA(&description);
}

HDC SourceOf(int bitmapId)
{
    return sources[PanelBitmapIndex(bitmapId)];
}

void CopyBlock(HDC target, int x, int y, int width, int height, int bitmapId, int sourceX, int sourceY)
{
    BitBlt(target, x, y, width, height, SourceOf(bitmapId), sourceX, sourceY, SRCCOPY);
}

void DrawSteps(HDC dc, int y, int bitmapId, const GlyphStep* steps, size_t count)
{
    HDC memory = SourceOf(bitmapId);
    for (size_t i = 0; i < count; ++i) {
        const GlyphStep& s = steps[i];
        if (s.kind == GlyphStep::Glyph)
            BitBlt(dc, s.x, y, s.width, s.height, memory, s.sourceX, 0, SRCCOPY);
        else
            BitBlt(dc, s.x, y, s.width, s.height, nullptr, 0, 0, BLACKNESS);
    }
}

// Draws the cells of a text that the canvas does not show yet.
void DrawChangedSteps(int field, int y, int strip, const GlyphStep* steps, size_t count)
{
    GlyphStep changed[MaxGlyphSteps];
    DrawSteps(canvas, y, strip, changed, StepsToDraw(shown, field, strip, steps, count, y, changed));
}

void DrawValueText(int field, int x, int y, const char* text, int strip)
{
    GlyphStep steps[MaxGlyphSteps];
    DrawChangedSteps(field, y, strip, steps, LayoutValueText(text, x, steps, MaxGlyphSteps));
}

void DrawClockText(int field, int x, int y, const char* text)
{
    GlyphStep steps[MaxGlyphSteps];
    DrawChangedSteps(field, y, BITMAP_CLOCK, steps, LayoutClockText(text, x, steps, MaxGlyphSteps));
}

void DrawClock()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    FormatText(text, sizeof text, "%02d-%02d-%04d", now.wMonth, now.wDay, now.wYear);
    DrawClockText(DateField, 230, 343, text);
    FormatText(text, sizeof text, "%02d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
    DrawClockText(TimeField, 250, 367, text);
}

// A shown rail as read and judged by this paint.
struct RailReading {
    bool alarm;
    int32_t millivolts;
};

void DrawVoltageReading(int place, const RailReading& rail, int x, int y)
{
    char text[32];
    FormatVoltage(text, sizeof text, rail.millivolts);
    DrawValueText(VoltageField + place, x, y, text, rail.alarm ? BITMAP_VOLT_RED : BITMAP_VOLT_WHITE);
}

// The canvas holds the title font, colour and background mode.
void DrawColumnTitle(HDC dc, int centreX, int y, const char* text)
{
    const int length = lstrlenA(text);
    TextOutA(dc, centreX - 6 * length, y, text, length);
}

void DrawItemLamp(HDC dc, int x, int y, int32_t on)
{
    CopyBlock(dc, x, y, 40, 16, BITMAP_LAMPS, 0, on ? 0 : 16);
}

void DrawCaseIndicator(int open)
{
    if (!CaseIndicatorToDraw(shown, open)) return;
    const int x = CaseIndicatorX, y = CaseIndicatorY;
    CopyBlock(canvas, x, y, 77, 34, BITMAP_CHASSIS, 0, 0);
    CopyBlock(canvas, x + 77, y + 14, 50, 20, BITMAP_CASE_STATE, open ? 50 : 0, 0);
}

void DrawFocusRing(HDC dc)
{
    const PanelRect& r = FocusTargetRect(focusIndex);
    if (!FocusRingToDraw(shown, focusIndex, FocusRingBounds(r))) return;
    HGDIOBJ old = SelectObject(dc, focusPen);
    MoveToEx(dc, r.left, r.bottom + 1, nullptr);
    LineTo(dc, r.right, r.bottom + 1);
    LineTo(dc, r.right, r.top - 1);
    LineTo(dc, r.left, r.top - 1);
    LineTo(dc, r.left, r.bottom + 1);
    SelectObject(dc, old);
}

// Calls draw(channel, place, x, y) for each shown voltage channel at its
// place (counted among the shown ones) in the two-column grid, with x the
// left of the grid column.
template <typename Draw>
void ForEachShownVoltage(Draw draw)
{
    const int rows = VoltageGridRows();
    int shownIndex = 0;
    for (int k = 0; k < VoltageChannelCount; ++k) {
        if (!monitorConfig.voltage[k].shown) continue;
        int column = 0;
        int row = 0;
        VoltageGridCell(shownIndex, rows, &column, &row);
        draw(k, shownIndex++, 190 * column, 250 + 20 * row);
    }
}

}  // namespace

void InvalidateReadoutArea(HWND window, BOOL erase)
{
    const RECT area = {ReadoutArea.left, ReadoutArea.top, ReadoutArea.right, ReadoutArea.bottom};
    InvalidateRect(window, &area, erase);
    readoutInvalidated = true;
}

void LoadPanelBitmaps(HINSTANCE instance)
{
    for (int i = 0; i < PanelBitmapCount; ++i) panelBitmaps[i] = LoadBitmapA(instance, MAKEINTRESOURCEA(PanelBitmapIds[i]));
}

void CreatePanelCanvas(HWND window)
{
    HDC screen = GetDC(window);
    canvas = CreateCompatibleDC(screen);
    canvasBitmap = CreateCompatibleBitmap(screen, PanelSize, PanelSize);
    for (int i = 0; i < PanelBitmapCount; ++i) {
        sources[i] = CreateCompatibleDC(screen);
        sourceOriginalBitmaps[i] = SelectObject(sources[i], panelBitmaps[i]);
    }
    ReleaseDC(window, screen);
    canvasOriginalBitmap = SelectObject(canvas, canvasBitmap);
    titleFont = CreateTitleFont();
    canvasOriginalFont = SelectObject(canvas, titleFont);
    SetBkMode(canvas, TRANSPARENT);
    SetTextColor(canvas, RGB(0, 244, 200));
    ForgetReadings(shown);
    readoutInvalidated = false;
}

void DeletePanelCanvas()
{
    SelectObject(canvas, canvasOriginalFont);
    SelectObject(canvas, canvasOriginalBitmap);
    DeleteObject(titleFont);
    DeleteObject(canvasBitmap);
    DeleteDC(canvas);
    canvas = nullptr;
    for (int i = 0; i < PanelBitmapCount; ++i) {
        SelectObject(sources[i], sourceOriginalBitmaps[i]);
        DeleteDC(sources[i]);
        sources[i] = nullptr;
    }
}

// The background, voltage labels, column titles and lamps change only with
// an erase, and go into the canvas then, over every reading; the window gets
// them with the paint that follows.
LRESULT PaintPanelBackground(HDC)
{
    ForgetReadings(shown);
    CopyBlock(canvas, 0, 0, PanelSize, PanelSize, BITMAP_BACKGROUND, 0, 0);
    ForEachShownVoltage(
        [](int k, int, int left, int y) { CopyBlock(canvas, 10 + left, y, 65, 20, BITMAP_VOLT_LABELS, 0, 20 * k); });
    for (int k = 0; k < FanChannelCount; ++k)
        if (ColumnExists(k)) DrawColumnTitle(canvas, panelLayout.columnX[k] + 30, 85, monitorConfig.fanTitle[k]);
    for (int i = 0; i < ReadoutItemCount; ++i)
        if (monitorConfig.itemPresent[i])
            DrawItemLamp(canvas, panelLayout.itemRect[i].left, panelLayout.itemRect[i].top, monitorConfig.itemOn[i]);
    return 0;
}

// The readings are drawn into the canvas over the old ones on every paint,
// after the erase that BeginPaint may send, each cell only when it changed;
// then the window gets what it does not show yet of the invalid rectangle:
// the whole of it, or only the texts that changed, a copy each. The voltages and the case flag are read from the chip
// here, one after another before anything is drawn, holding the chip lock
// once.
LRESULT PaintPanel(HWND window)
{
    PAINTSTRUCT paint;
    HDC target = BeginPaint(window, &paint);
    RailReading rails[VoltageChannelCount] = {};
    int caseOpen = 0;
    BeginRailJudging();
    {
        ChipRun run;
        for (int k = 0; k < VoltageChannelCount; ++k)
            if (monitorConfig.voltage[k].shown) rails[k].alarm = JudgeRail(k, &rails[k].millivolts);
        if (monitorConfig.caseOpenCheck) caseOpen = ReadCaseOpen();
    }
    char text[32];
    for (int k = 0; k < FanChannelCount; ++k) {
        if (!monitorConfig.itemOn[k]) continue;
        const int32_t celsius = sensorSnapshot[k].temperature;
        FormatTemperature(text, sizeof text, celsius, monitorConfig.celsius);
        // The colour always follows the limit in degrees Celsius.
        const int strip = celsius >= monitorConfig.effectiveAlarmTemp[k] ? BITMAP_VALUE_RED : BITMAP_VALUE_GREEN;
        DrawValueText(TemperatureField + k, panelLayout.columnX[k], 110, text, strip);
    }
    for (int k = 0; k < FanChannelCount; ++k) {
        if (!monitorConfig.itemOn[k + 3]) continue;
        FormatFanSpeed(text, sizeof text, sensorSnapshot[k].fanSpeed);
        DrawValueText(FanSpeedField + k, panelLayout.columnX[k], 180, text,
                      FanStalled(k) ? BITMAP_VALUE_RED : BITMAP_VALUE_FAN);
    }
    DrawClock();
    ForEachShownVoltage([&](int k, int place, int left, int y) { DrawVoltageReading(place, rails[k], 90 + left, y); });
    if (monitorConfig.caseOpenCheck) DrawCaseIndicator(caseOpen);
    DrawFocusRing(canvas);
    // The five rows below the panel are never drawn.
    RECT invalid;
    const RECT panel = {0, 0, PanelSize, PanelSize};
    if (IntersectRect(&invalid, &paint.rcPaint, &panel)) {
        PanelRect send[MaxRectsToSend];
        const size_t count =
            RectsToSend(shown, {invalid.left, invalid.top, invalid.right, invalid.bottom}, readoutInvalidated, send);
        for (size_t i = 0; i < count; ++i) {
            const PanelRect& r = send[i];
            BitBlt(target, r.left, r.top, r.right - r.left, r.bottom - r.top, canvas, r.left, r.top, SRCCOPY);
        }
    }
    readoutInvalidated = false;
    EndPaint(window, &paint);
    return 0;
}

LRESULT HandlePanelClick(HWND window, uint32_t x, uint32_t y)
{
    const int32_t px = static_cast<int32_t>(x);
    const int32_t py = static_cast<int32_t>(y);
    const int item = PanelItemAt(px, py);
    if (item >= 0) {
        monitorConfig.itemOn[item] = 1 - monitorConfig.itemOn[item];
        ReleaseHeldKeys(HeldItemsOn);
        InvalidateReadoutArea(window, TRUE);
        focusIndex = item;
        return 0;
    }
    const int button = PanelButtonAt(px, py);
    if (button >= 0) {
        RunPanelAction(window, button);
        InvalidateReadoutArea(window, TRUE);
        focusIndex = FirstButtonTarget + button;
    }
    return 0;
}

LRESULT HandlePanelKey(HWND window, WPARAM virtualKey, LPARAM)
{
    switch (virtualKey) {
    case VK_TAB: {
        const bool shift = (GetKeyState(VK_SHIFT) & 0xF000) != 0;
        focusIndex = NextFocusTarget(focusIndex, shift);
        InvalidateReadoutArea(window, TRUE);
        break;
    }
    case VK_RETURN:
    case VK_SPACE: ActivateFocusTarget(window, focusIndex); break;
    default: break;
    }
    return 0;
}

void ActivateFocusTarget(HWND window, int target)
{
    const PanelRect& r = FocusTargetRect(target);
    SendMessageA(window, WM_LBUTTONDOWN, 0, MAKELPARAM(r.left + 2, r.top + 2));
}

void RunPanelAction(HWND owner, int action)
{
    switch (action) {
    case 0: ShowAboutBox(owner); break;
    case 1: DestroyWindow(owner); break;
    case 2: ShowWindow(owner, SW_HIDE); break;
    case 3: OpenOptionsSheet(owner); break;
    default: break;
    }
}
