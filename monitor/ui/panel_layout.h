// Where things are on the 400 x 400 instrument panel: the columns, the
// readout items' lamps and the four buttons, the keyboard focus, and the
// voltage grid. Plain arithmetic; the panel's window code draws and hit-tests
// with it.
#pragma once

#include <cstdint>

#include "monitor/settings/monitor_config.h"

struct PanelRect {
    int32_t left, top, right, bottom;
};

struct PanelLayout {
    int32_t columnX[FanChannelCount];
    PanelRect itemRect[ReadoutItemCount];
    PanelRect buttonRect[4];
};

constexpr int FocusTargetCount = 10;  // items 0..5, then the buttons About, Exit, Hide, Option
constexpr int FirstButtonTarget = 6;
constexpr int ExitButtonTarget = 7;
// Redrawn every second and after every click or key; the strip above it only
// when the system asks.
constexpr PanelRect ReadoutArea = {0, 110, 400, 400};

extern PanelLayout panelLayout;
extern int32_t focusIndex;

// The fixed layout, the voltage input registers and the settings' start
// values (all items on, fan limits 25, 32, 48, 64, 80). Runs before the
// settings are loaded.
void InitPanelLayout();
// Places the columns that exist after the settings are loaded.
void LayoutColumns();

bool ColumnExists(int column);
int PresentColumnCount();
bool PanelRectContains(const PanelRect& rect, int32_t x, int32_t y);
const PanelRect& FocusTargetRect(int target);

// The first present item, or button, under a point; -1 when there is none.
int PanelItemAt(int32_t x, int32_t y);
int PanelButtonAt(int32_t x, int32_t y);

// Tab and Shift+Tab: the next target in that direction, passing over items
// that are not present. Buttons are always there.
int NextFocusTarget(int current, bool backwards);

// The voltage grid: shown channels fill a left column of rows = (m + 1) / 2
// rows first, then the right one.
int ShownVoltageCount();
int VoltageGridRows();
void VoltageGridCell(int shownIndex, int rows, int* column, int* row);
