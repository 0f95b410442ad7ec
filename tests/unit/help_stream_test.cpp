#include <gtest/gtest.h>

#include "monitor/ui/help_stream.h"

namespace {

TEST(HelpStream, HandsOutTheTextInRequestedPiecesThenNothing)
{
    HelpStream stream = StartHelpStream(10);
    EXPECT_EQ(NextHelpChunk(stream, 4), 4u);
    EXPECT_EQ(stream.position, 4u);
    EXPECT_EQ(NextHelpChunk(stream, 4), 4u);
    EXPECT_EQ(NextHelpChunk(stream, 4), 2u) << "the last request gets the remainder";
    EXPECT_EQ(NextHelpChunk(stream, 4), 0u);
    EXPECT_EQ(NextHelpChunk(stream, 4), 0u);
}

TEST(HelpStream, OneBigRequestAndAnEmptyText)
{
    HelpStream stream = StartHelpStream(12084);
    EXPECT_EQ(NextHelpChunk(stream, 1 << 20), 12084u);
    EXPECT_EQ(NextHelpChunk(stream, 1), 0u);
    HelpStream empty = StartHelpStream(0);
    EXPECT_EQ(NextHelpChunk(empty, 100), 0u);
}

TEST(HelpStream, StartingAgainBeginsAtTheTop)
{
    HelpStream stream = StartHelpStream(5);
    NextHelpChunk(stream, 5);
    stream = StartHelpStream(5);
    EXPECT_EQ(NextHelpChunk(stream, 2), 2u);
}

}  // namespace
