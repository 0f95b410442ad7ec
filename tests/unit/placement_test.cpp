#include <gtest/gtest.h>

#include "common/placement.h"

namespace {

TEST(CentreWindow, CentresOnTheScreenTruncatingHalves)
{
    const PlacementPoint at = CentredPosition({0, 0, 415, 441}, {0, 0, 1024, 768}, 1024, 768);
    EXPECT_EQ(at.x, (1024 - 415) / 2);
    EXPECT_EQ(at.y, (768 - 441) / 2);
}

TEST(CentreWindow, CentresOnAReferenceWindowWhereverItIs)
{
    const PlacementPoint at = CentredPosition({500, 500, 600, 550}, {100, 200, 300, 300}, 1024, 768);
    EXPECT_EQ(at.x, 150);
    EXPECT_EQ(at.y, 225);
}

TEST(CentreWindow, StaysOnTheDisplay)
{
    // Reference hanging off the left and top: pushed to 0.
    PlacementPoint at = CentredPosition({0, 0, 400, 300}, {-500, -400, -100, -100}, 1024, 768);
    EXPECT_EQ(at.x, 0);
    EXPECT_EQ(at.y, 0);
    // Off the right and bottom: pulled back to end at the display's edge.
    at = CentredPosition({0, 0, 400, 300}, {900, 700, 1200, 900}, 1024, 768);
    EXPECT_EQ(at.x, 1024 - 400);
    EXPECT_EQ(at.y, 768 - 300);
    // Wider than the display: the left edge wins.
    at = CentredPosition({0, 0, 1200, 100}, {0, 0, 1024, 768}, 1024, 768);
    EXPECT_EQ(at.x, 0);
}

TEST(SavedPosition, IsPulledBackOntoTheScreenButNotFromNegatives)
{
    PlacementPoint p = ClampSavedPosition({5000, 5000}, 1024, 768);
    EXPECT_EQ(p.x, 974);
    EXPECT_EQ(p.y, 718);
    p = ClampSavedPosition({-20, 10}, 1024, 768);
    EXPECT_EQ(p.x, -20);
    EXPECT_EQ(p.y, 10);
    p = ClampSavedPosition({974, 708}, 1024, 768);
    EXPECT_EQ(p.x, 974) << "exactly 50 from the edge stays";
    EXPECT_EQ(p.y, 708) << "exactly 60 from the bottom stays";
    p = ClampSavedPosition({0, 709}, 1024, 768);
    EXPECT_EQ(p.y, 718) << "closer than 60 goes to 50 from the bottom";
}

}  // namespace
