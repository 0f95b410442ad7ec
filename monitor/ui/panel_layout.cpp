#include "monitor/ui/panel_layout.h"

PanelLayout panelLayout;
int32_t focusIndex = ExitButtonTarget;

namespace {

constexpr PanelRect InitialItemRect[ReadoutItemCount] = {
    {60, 135, 90, 151}, {180, 135, 210, 151}, {300, 135, 330, 151},
    {60, 205, 90, 221}, {180, 205, 210, 221}, {300, 205, 330, 221},
};
constexpr int32_t InitialTempLimit[5] = {25, 32, 48, 64, 80};

void PlaceColumnItems(int column, int32_t left)
{
    for (int item = column; item < ReadoutItemCount; item += 3) {
        panelLayout.itemRect[item].left = left;
        panelLayout.itemRect[item].right = left + 30;
    }
}

}  // namespace

void InitPanelLayout()
{
    for (int i = 0; i < ReadoutItemCount; ++i) panelLayout.itemRect[i] = InitialItemRect[i];
    for (int j = 0; j < 4; ++j) panelLayout.buttonRect[j] = {60 * j, 368, 60 * j + 60, 393};
    for (int32_t& on : monitorConfig.itemOn) on = 1;
    for (FanProfile& profile : monitorConfig.fan)
        for (int i = 0; i < 5; ++i) profile.tempLimit[i] = InitialTempLimit[i];
    for (int k = 0; k < VoltageChannelCount; ++k) monitorConfig.voltage[k].inputRegister = static_cast<uint8_t>(0x20 + k);
}

bool ColumnExists(int column)
{
    return monitorConfig.itemPresent[column] || monitorConfig.itemPresent[column + 3];
}

int PresentColumnCount()
{
    int count = 0;
    for (int k = 0; k < FanChannelCount; ++k) count += ColumnExists(k) ? 1 : 0;
    return count;
}

void LayoutColumns()
{
    switch (PresentColumnCount()) {
    case 3:
        for (int k = 0; k < FanChannelCount; ++k) panelLayout.columnX[k] = 40 + 120 * k;
        break;
    case 2: {
        constexpr int32_t TwoColumnX[2] = {80, 240};
        int placed = 0;
        for (int k = 0; k < FanChannelCount; ++k) panelLayout.columnX[k] = ColumnExists(k) ? TwoColumnX[placed++] : 0;
        for (int k = 0; k < FanChannelCount; ++k) PlaceColumnItems(k, panelLayout.columnX[k] + 20);
        break;
    }
    case 1:
        for (int k = 0; k < FanChannelCount; ++k) {
            panelLayout.columnX[k] = 150;
            PlaceColumnItems(k, 170);
        }
        break;
    default:
        break;
    }
}

bool PanelRectContains(const PanelRect& rect, int32_t x, int32_t y)
{
    return rect.left <= x && x < rect.right && rect.top <= y && y < rect.bottom;
}

const PanelRect& FocusTargetRect(int target)
{
    return target < FirstButtonTarget ? panelLayout.itemRect[target]
                                      : panelLayout.buttonRect[target - FirstButtonTarget];
}

int PanelItemAt(int32_t x, int32_t y)
{
    for (int i = 0; i < ReadoutItemCount; ++i)
        if (monitorConfig.itemPresent[i] && PanelRectContains(panelLayout.itemRect[i], x, y)) return i;
    return -1;
}

int PanelButtonAt(int32_t x, int32_t y)
{
    for (int j = 0; j < 4; ++j)
        if (PanelRectContains(panelLayout.buttonRect[j], x, y)) return j;
    return -1;
}

int NextFocusTarget(int current, bool backwards)
{
    int target = current;
    do {
        target = (target + (backwards ? FocusTargetCount - 1 : 1)) % FocusTargetCount;
    } while (target < FirstButtonTarget && !monitorConfig.itemPresent[target]);
    return target;
}

int ShownVoltageCount()
{
    int shown = 0;
    for (const VoltageSetting& v : monitorConfig.voltage) shown += v.shown ? 1 : 0;
    return shown;
}

int VoltageGridRows()
{
    return (ShownVoltageCount() + 1) / 2;
}

void VoltageGridCell(int shownIndex, int rows, int* column, int* row)
{
    *column = shownIndex / rows;
    *row = shownIndex % rows;
}
