#include <gtest/gtest.h>

#include "sim/board_store.h"
#include "tests/e2e/harness.h"

namespace {

TEST(Boardctl, ChangesTheBoardThatAnotherProcessHolds)
{
    SimBoard& board = SimBoardInstance();  // this process powers the shared board up
    EXPECT_EQ(board.temperature[0].base, 45);
    EXPECT_EQ(RunBoardctl("set temp0=77 fan1=stopped case=open"), 0u);
    EXPECT_EQ(board.temperature[0].base, 77);
    EXPECT_EQ(board.temperature[0].swing, 0);
    EXPECT_EQ(board.fan[1].stopped, 1);
    EXPECT_EQ(board.reg[0x01] & 0x10, 0x10);
}

TEST(Boardctl, RefusesWhatItDoesNotUnderstand)
{
    SimBoard& board = SimBoardInstance();
    EXPECT_EQ(RunBoardctl("set temp0=77 fan7=1"), 1u);
    EXPECT_EQ(RunBoardctl("frobnicate"), 2u);
    EXPECT_EQ(board.temperature[0].base, 77) << "a good line before a bad one still applies";
}

}  // namespace
