#include <gtest/gtest.h>

#include <vector>

#include "monitor/ui/panel_layout.h"

namespace {

class PanelLayoutTest : public ::testing::Test {
protected:
    void Present(std::vector<int32_t> flags)
    {
        monitorConfig = InitialMonitorConfig();
        panelLayout = PanelLayout{};  // as at the start of a process
        InitPanelLayout();
        for (int i = 0; i < ReadoutItemCount; ++i) monitorConfig.itemPresent[i] = flags[static_cast<size_t>(i)];
        LayoutColumns();
    }
    std::vector<int32_t> ColumnX() { return {panelLayout.columnX[0], panelLayout.columnX[1], panelLayout.columnX[2]}; }
};

TEST_F(PanelLayoutTest, InitialisationSetsTheStartValues)
{
    Present({1, 1, 1, 1, 1, 1});
    EXPECT_EQ(monitorConfig.fan[2].tempLimit[1], 32);
    EXPECT_EQ(monitorConfig.itemOn[4], 1);
    EXPECT_EQ(monitorConfig.voltage[7].inputRegister, 0x27);
    EXPECT_EQ(panelLayout.buttonRect[3].left, 180);
    EXPECT_EQ(panelLayout.buttonRect[3].bottom, 393);
    EXPECT_EQ(focusIndex, ExitButtonTarget);
}

TEST_F(PanelLayoutTest, ColumnsForEveryCombination)
{
    Present({1, 1, 1, 0, 0, 0});
    EXPECT_EQ(ColumnX(), (std::vector<int32_t>{40, 160, 280}));
    EXPECT_EQ(panelLayout.itemRect[4].left, 180) << "three columns keep the initial rectangles";

    Present({1, 0, 0, 0, 0, 1});  // columns 0 and 2
    EXPECT_EQ(ColumnX(), (std::vector<int32_t>{80, 0, 240}));
    EXPECT_EQ(panelLayout.itemRect[5].left, 260);
    EXPECT_EQ(panelLayout.itemRect[5].right, 290);
    EXPECT_EQ(panelLayout.itemRect[1].left, 20) << "the absent column's rectangles move too";

    Present({0, 1, 0, 0, 1, 1});  // columns 1 and 2
    EXPECT_EQ(ColumnX(), (std::vector<int32_t>{0, 80, 240}));

    Present({0, 1, 0, 0, 0, 0});  // column 1 alone
    EXPECT_EQ(ColumnX(), (std::vector<int32_t>{150, 150, 150}));
    EXPECT_EQ(panelLayout.itemRect[1].left, 170);
    EXPECT_EQ(panelLayout.itemRect[1].right, 200);
    EXPECT_EQ(panelLayout.itemRect[1].top, 135);

    Present({0, 0, 0, 0, 0, 0});
    EXPECT_EQ(ColumnX(), (std::vector<int32_t>{0, 0, 0}));
    EXPECT_EQ(panelLayout.itemRect[0].left, 60);
}

TEST_F(PanelLayoutTest, ClicksFindPresentItemsAndButtons)
{
    Present({0, 1, 0, 0, 0, 0});
    EXPECT_EQ(PanelItemAt(175, 140), 1);
    // Absent items 0 and 2 lie in the same place; only item 1 answers.
    EXPECT_EQ(PanelItemAt(199, 150), 1);
    EXPECT_EQ(PanelItemAt(200, 150), -1) << "right edge is outside";
    EXPECT_EQ(PanelItemAt(175, 210), -1) << "item 4 is absent";

    Present({1, 1, 1, 1, 1, 1});
    EXPECT_EQ(PanelItemAt(60, 135), 0);
    EXPECT_EQ(PanelItemAt(59, 135), -1);
    EXPECT_EQ(PanelButtonAt(0, 368), 0);
    EXPECT_EQ(PanelButtonAt(239, 392), 3);
    EXPECT_EQ(PanelButtonAt(240, 380), -1);
    EXPECT_EQ(PanelButtonAt(100, 393), -1);
}

TEST_F(PanelLayoutTest, TabSkipsAbsentItemsAndButtonsAreAlwaysThere)
{
    Present({1, 0, 1, 0, 0, 1});
    EXPECT_EQ(NextFocusTarget(9, false), 0);
    EXPECT_EQ(NextFocusTarget(0, false), 2);
    EXPECT_EQ(NextFocusTarget(2, false), 5);
    EXPECT_EQ(NextFocusTarget(5, false), 6);
    EXPECT_EQ(NextFocusTarget(0, true), 9);
    EXPECT_EQ(NextFocusTarget(6, true), 5);

    Present({0, 0, 0, 0, 0, 0});
    std::vector<int> seen;
    int target = 7;
    for (int i = 0; i < 5; ++i) seen.push_back(target = NextFocusTarget(target, false));
    EXPECT_EQ(seen, (std::vector<int>{8, 9, 6, 7, 8}));
}

TEST_F(PanelLayoutTest, VoltageGridFillsTheLeftColumnFirst)
{
    Present({1, 1, 1, 1, 1, 1});
    auto cells = [](int shown) {
        std::vector<std::pair<int, int>> out;
        const int rows = (shown + 1) / 2;
        for (int c = 0; c < shown; ++c) {
            int column = 0, row = 0;
            VoltageGridCell(c, rows, &column, &row);
            out.push_back({column, row});
        }
        return out;
    };
    EXPECT_EQ(cells(8), (std::vector<std::pair<int, int>>{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 0}, {1, 1}, {1, 2}, {1, 3}}));
    EXPECT_EQ(cells(7), (std::vector<std::pair<int, int>>{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 0}, {1, 1}, {1, 2}}));
    EXPECT_EQ(cells(1), (std::vector<std::pair<int, int>>{{0, 0}}));

    for (int k = 0; k < VoltageChannelCount; ++k) monitorConfig.voltage[k].shown = k != 3;
    EXPECT_EQ(ShownVoltageCount(), 7);
    EXPECT_EQ(VoltageGridRows(), 4);
    for (VoltageSetting& v : monitorConfig.voltage) v.shown = 0;
    EXPECT_EQ(VoltageGridRows(), 0);
}

}  // namespace
