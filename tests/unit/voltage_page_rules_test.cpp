#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "monitor/ui/voltage_page_rules.h"

namespace {

std::string Label(int32_t hundredths)
{
    char text[BaseVoltageTextSize];
    FormatBaseVoltageLabel(hundredths, text);
    return text;
}

TEST(BaseVoltageChoices, AreTheTenthsFromOneToFiveVoltsAsTheListFormatWritesThem)
{
    EXPECT_STREQ(BaseVoltageChoices.front().text, "+ 1.00V");
    EXPECT_STREQ(BaseVoltageChoices[8].text, "+ 1.80V");
    EXPECT_STREQ(BaseVoltageChoices.back().text, "+ 5.00V");
    for (int i = 0; i < BaseVoltageChoiceCount; ++i) {
        char expected[BaseVoltageTextSize];
        snprintf(expected, sizeof expected, "+%2d.%02dV", (100 + 10 * i) / 100, (100 + 10 * i) % 100);
        EXPECT_STREQ(BaseVoltageChoices[static_cast<size_t>(i)].text, expected) << i;
    }
}

TEST(BaseVoltageChoices, OnlyBasesOnTheGridFindAnEntry)
{
    EXPECT_EQ(FindBaseVoltageChoice(100), 0);
    EXPECT_EQ(FindBaseVoltageChoice(170), 7);
    EXPECT_EQ(FindBaseVoltageChoice(500), 40);
    for (int32_t off : {175, 90, 510, 1000, 0, -180, 5})
        EXPECT_EQ(FindBaseVoltageChoice(off), -1) << off;
}

TEST(BaseVoltageChoices, ListTextsReadBackAsTheirHundredths)
{
    for (const BaseVoltageChoice& choice : BaseVoltageChoices)
        EXPECT_EQ(BaseVoltageChoices[static_cast<size_t>(FindBaseVoltageChoice(ParseBaseVoltageText(choice.text)))].text,
                  std::string(choice.text));
    EXPECT_EQ(ParseBaseVoltageText("+ 1.80V"), 180);
}

TEST(BaseVoltageText, DigitsBeforeTheFirstVCountAndALeadingMinusNegates)
{
    EXPECT_EQ(ParseBaseVoltageText(""), 0) << "no selection";
    EXPECT_EQ(ParseBaseVoltageText("abc"), 0);
    EXPECT_EQ(ParseBaseVoltageText("-12.00V"), -1200);
    EXPECT_EQ(ParseBaseVoltageText(" -1.00V"), 100) << "only a minus in front counts";
    EXPECT_EQ(ParseBaseVoltageText("+ 1.8V0"), 18) << "digits after the V are not read";
    EXPECT_EQ(ParseBaseVoltageText("+ 3.30"), 330) << "without a V the whole text is read";
    EXPECT_EQ(ParseBaseVoltageText("+ 1.80v9"), 1809) << "only a capital V stops";
}

TEST(BaseVoltageLabel, PositiveBasesKeepTheListFormat)
{
    EXPECT_EQ(Label(180), "+ 1.80V");
    EXPECT_EQ(Label(1200), "+12.00V");
    EXPECT_EQ(Label(5), "+ 0.05V");
    EXPECT_EQ(Label(0), "+ 0.00V");
}

TEST(BaseVoltageLabel, NegativeBasesCarryTheMinusBeforeTheVolts)
{
    EXPECT_EQ(Label(-1200), "-12.00V");
    EXPECT_EQ(Label(-500), "-5.00V");
    EXPECT_EQ(Label(-1250), "-12.50V");
    EXPECT_EQ(Label(-1205), "-12.05V") << "hundredths without a sign of their own";
    EXPECT_EQ(Label(-99), "-0.99V") << "below one volt the minus stands before the zero";
    EXPECT_EQ(Label(-1), "-0.01V");
    EXPECT_EQ(Label(INT32_MIN), "-21474836.48V");
}

TEST(PercentageClamp, OutOfRangeTextsAreReplacedWithTheNearestLimit)
{
    EXPECT_STREQ(PercentageReplacement("150"), "100");
    EXPECT_STREQ(PercentageReplacement("101"), "100");
    EXPECT_STREQ(PercentageReplacement("-1"), "0");
    EXPECT_STREQ(PercentageReplacement("  250%"), "100") << "read as atol reads it";
    for (const char* kept : {"", "0", "100", "7", "abc", "007"})
        EXPECT_EQ(PercentageReplacement(kept), nullptr) << '"' << kept << '"';
}

// Places the rows as the page does: each move gives row r the place that row
// r - 1 has at that moment. Returns the place of every row.
std::vector<int> ClosedUp(std::vector<int32_t> shown)
{
    RowMove moves[MaxRowMoves];
    const int count = RowCloseUpMoves(shown.data(), moves);
    std::vector<int> place = {0, 1, 2, 3, 4, 5, 6, 7};
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(moves[i].onto, moves[i].row - 1);
        place[static_cast<size_t>(moves[i].row)] = place[static_cast<size_t>(moves[i].onto)];
    }
    return place;
}

// The places of the rows that are shown, in channel order.
std::vector<int> ShownPlaces(const std::vector<int32_t>& shown)
{
    const std::vector<int> place = ClosedUp(shown);
    std::vector<int> result;
    for (size_t k = 0; k < shown.size(); ++k)
        if (shown[k]) result.push_back(place[k]);
    return result;
}

TEST(RowCloseUp, AllShownMovesNothing)
{
    RowMove moves[MaxRowMoves];
    const int32_t shown[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(RowCloseUpMoves(shown, moves), 0);
}

TEST(RowCloseUp, RowsBelowAHiddenRowMoveUpOneEachFromTheBottom)
{
    RowMove moves[MaxRowMoves];
    const int32_t shown[8] = {1, 1, 0, 1, 1, 1, 1, 1};
    ASSERT_EQ(RowCloseUpMoves(shown, moves), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(moves[i].row, 7 - i) << "bottom-up, so each takes its neighbour's old place";
    EXPECT_EQ(ClosedUp({1, 1, 0, 1, 1, 1, 1, 1}), (std::vector<int>{0, 1, 2, 2, 3, 4, 5, 6}));
}

TEST(RowCloseUp, ShownRowsEndUpStackedFromTheTopWhateverIsHidden)
{
    for (int mask = 0; mask < 256; ++mask) {
        std::vector<int32_t> shown;
        std::vector<int> stacked;
        for (int k = 0; k < 8; ++k) {
            shown.push_back((mask >> k) & 1);
            if (shown.back()) stacked.push_back(static_cast<int>(stacked.size()));
        }
        EXPECT_EQ(ShownPlaces(shown), stacked) << "mask " << mask;
    }
    EXPECT_EQ(ClosedUp({0, 0, 0, 0, 0, 0, 0, 0}), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0}))
        << "all 28 moves fit";
}

}  // namespace
