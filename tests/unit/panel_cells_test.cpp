#include <gtest/gtest.h>

#include <string>

#include "monitor/ui/panel_cells.h"

namespace {

constexpr int32_t Green = 1300, Red = 1302;

class PanelCells : public ::testing::Test {
protected:
    void SetUp() override { ForgetReadings(canvas); }

    // The x of each cell drawn for the text.
    std::string Draw(int field, const char* text, int32_t strip, int32_t x = 40, int32_t y = 110)
    {
        GlyphStep steps[MaxGlyphSteps], drawn[MaxGlyphSteps];
        const size_t n = StepsToDraw(canvas, field, strip, steps, LayoutValueText(text, x, steps, MaxGlyphSteps), y,
                                     drawn);
        std::string xs;
        for (size_t i = 0; i < n; ++i) xs += std::to_string(drawn[i].x) + " ";
        return xs;
    }

    PanelCanvas canvas;
};

TEST_F(PanelCells, OnlyTheCellsThatChangedAreDrawnAgain)
{
    EXPECT_EQ(Draw(TemperatureField, "045oC", Green), "30 40 55 70 85 95 ");
    EXPECT_EQ(Draw(TemperatureField, "045oC", Green), "");
    EXPECT_EQ(Draw(TemperatureField, "046oC", Green), "70 ");
    EXPECT_EQ(Draw(TemperatureField, "-046oC", Green), "30 ") << "the sign cell";
    EXPECT_EQ(Draw(TemperatureField, "-046oC", Red), "30 40 55 70 85 95 ") << "another strip";
    EXPECT_EQ(Draw(TemperatureField, "-046oC", Red, 40, 130), "30 40 55 70 85 95 ") << "another row";
    EXPECT_EQ(Draw(FanSpeedField, "-046oC", Red, 40, 130), "30 40 55 70 85 95 ") << "each field on its own";
    ForgetReadings(canvas);
    EXPECT_EQ(Draw(TemperatureField, "-046oC", Red, 40, 130), "30 40 55 70 85 95 ") << "after the background";
}

TEST_F(PanelCells, TheRingAndTheCaseIndicatorAreDrawnWhenTheyChangeOrWereCovered)
{
    const PanelRect item0 = {60, 135, 90, 151}, exitButton = {60, 368, 120, 393};
    EXPECT_TRUE(FocusRingToDraw(canvas, 0, FocusRingBounds(item0)));
    EXPECT_FALSE(FocusRingToDraw(canvas, 0, FocusRingBounds(item0)));
    Draw(TemperatureField, "045oC", Green);
    EXPECT_FALSE(FocusRingToDraw(canvas, 0, FocusRingBounds(item0))) << "a cell beside it";
    Draw(VoltageField, "045oC", Green, 70, 150);
    EXPECT_TRUE(FocusRingToDraw(canvas, 0, FocusRingBounds(item0))) << "a cell over it";
    EXPECT_TRUE(FocusRingToDraw(canvas, 7, FocusRingBounds(exitButton)));

    EXPECT_TRUE(CaseIndicatorToDraw(canvas, 0));
    EXPECT_FALSE(CaseIndicatorToDraw(canvas, 0));
    EXPECT_TRUE(CaseIndicatorToDraw(canvas, 1));
    ForgetReadings(canvas);
    EXPECT_TRUE(CaseIndicatorToDraw(canvas, 1));
    EXPECT_TRUE(FocusRingToDraw(canvas, 7, FocusRingBounds(exitButton)));
}

TEST_F(PanelCells, TheWindowGetsAllOnceThenOnlyTheTextsThatChangedWhileTheMonitorInvalidatesTheReadoutArea)
{
    const auto send = [&](const PanelRect& invalid, bool readoutInvalid = true) {
        PanelRect rects[MaxRectsToSend];
        const size_t n = RectsToSend(canvas, invalid, readoutInvalid, rects);
        std::string text = n ? "" : "nothing";
        for (size_t i = 0; i < n; ++i)
            text += (i ? " " : "") + std::to_string(rects[i].left) + "," + std::to_string(rects[i].top) + "," +
                    std::to_string(rects[i].right) + "," + std::to_string(rects[i].bottom);
        return text;
    };
    const PanelRect panel = {0, 0, 400, 400};
    Draw(TemperatureField, "045oC", Green);
    EXPECT_EQ(send(panel), "0,0,400,400");
    EXPECT_EQ(send(ReadoutArea), "nothing");
    Draw(TemperatureField, "046oC", Green);
    Draw(TimeField, "045oC", Green, 250, 367);
    EXPECT_EQ(send(ReadoutArea), "70,110,85,130 240,367,320,387") << "the bounds of each change";
    EXPECT_EQ(send(panel), "0,0,400,400") << "any other rectangle whole";
    EXPECT_EQ(send(ReadoutArea), "nothing");

    // The system's paint of parts of the window, whatever their bounds.
    EXPECT_EQ(send(ReadoutArea, false), "0,110,400,400");
    EXPECT_EQ(send(ReadoutArea), "0,110,400,400") << "then the readout area whole again";
    EXPECT_EQ(send(ReadoutArea), "nothing");
    ForgetReadings(canvas);  // an erase
    EXPECT_EQ(send(ReadoutArea), "0,110,400,400");
    EXPECT_EQ(send(ReadoutArea), "nothing");
}

}  // namespace
