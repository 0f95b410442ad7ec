#include <gtest/gtest.h>

#include <vector>

#include "monitor/ui/fan_page_rules.h"

namespace {

// What a move of slider k to position v leaves: the limits and the sliders moved along.
struct Outcome {
    std::vector<int32_t> limits;
    std::vector<int> moved;
};
Outcome MoveLimit(std::vector<int32_t> start, int k, int32_t v)
{
    int32_t t[5];
    for (int i = 0; i < 5; ++i) t[i] = start[static_cast<size_t>(i)];
    t[k] = v;
    SliderMove moves[4];
    const int n = OrderTemperatureLimits(t, k, moves);
    Outcome out{std::vector<int32_t>(t, t + 5), {}};
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(moves[i].position, t[moves[i].slider]);
        out.moved.push_back(moves[i].slider);
    }
    return out;
}

TEST(TemperatureOrdering, DraggingUpCarriesTheHigherLimitsAlong)
{
    const Outcome o = MoveLimit({25, 35, 45, 60, 75}, 1, 70);
    EXPECT_EQ(o.limits, (std::vector<int32_t>{25, 70, 70, 70, 75}));
    EXPECT_EQ(o.moved, (std::vector<int>{2, 3}));
}

TEST(TemperatureOrdering, DraggingDownCarriesTheLowerLimitsAlong)
{
    const Outcome o = MoveLimit({25, 35, 45, 60, 75}, 3, 20);
    EXPECT_EQ(o.limits, (std::vector<int32_t>{20, 20, 20, 20, 75}));
    EXPECT_EQ(o.moved, (std::vector<int>{2, 1, 0}));
}

TEST(TemperatureOrdering, TypedValuesBeyondTheRangeAreKeptAsTyped)
{
    const Outcome o = MoveLimit({25, 35, 45, 60, 75}, 2, 150);
    EXPECT_EQ(o.limits, (std::vector<int32_t>{25, 35, 150, 150, 150}));
    const Outcome low = MoveLimit({25, 35, 45, 60, 75}, 4, -10);
    EXPECT_EQ(low.limits, (std::vector<int32_t>{-10, -10, -10, -10, -10}));
}

TEST(TemperatureOrdering, AMoveThatKeepsTheOrderMovesNothingElse)
{
    const Outcome o = MoveLimit({25, 35, 45, 60, 75}, 2, 50);
    EXPECT_EQ(o.limits, (std::vector<int32_t>{25, 35, 50, 60, 75}));
    EXPECT_TRUE(o.moved.empty());
}

TEST(PwmOrdering, LevelsFollowEitherWay)
{
    int32_t p[3] = {120, 100, 110};
    SliderMove moves[2];
    EXPECT_EQ(OrderPwmLevels(p, 0, moves), 2);
    EXPECT_EQ(std::vector<int32_t>(p, p + 3), (std::vector<int32_t>{120, 120, 120}));

    p[2] = 50;
    EXPECT_EQ(OrderPwmLevels(p, 2, moves), 2);
    EXPECT_EQ(std::vector<int32_t>(p, p + 3), (std::vector<int32_t>{50, 50, 50}));
    EXPECT_EQ(moves[0].slider, 1);
    EXPECT_EQ(moves[1].slider, 0);

    int32_t middle[3] = {90, 95, 110};
    EXPECT_EQ(OrderPwmLevels(middle, 1, moves), 0);
}

TEST(FanPageScale, EveryCelsiusLimitSurvivesFahrenheitDisplay)
{
    for (int32_t c = 0; c <= 100; ++c) EXPECT_EQ(ToStoredTemperature(ToDisplayTemperature(c, 0), 0), c);
    EXPECT_EQ(ToDisplayTemperature(25, 0), 77);
    EXPECT_EQ(ToStoredTemperature(33, 0), 1);
    EXPECT_EQ(ToStoredTemperature(211, 0), 99);
    EXPECT_EQ(ToDisplayTemperature(25, 1), 25);
}

}  // namespace
