#include <gtest/gtest.h>

#include <vector>

#include "sim/boardctl_args.h"

namespace {

bool Parse(std::vector<const char*> words, BoardctlCommand& command)
{
    words.insert(words.begin(), "boardctl");
    return ParseBoardctlArguments(static_cast<int>(words.size()), words.data(), command);
}

TEST(BoardctlArguments, RegisterAndValueMustBeWholeNumbersThatFit)
{
    BoardctlCommand command;
    ASSERT_TRUE(Parse({"reg", "2b", "0x80"}, command));
    EXPECT_EQ(command.action, BoardctlReg);
    EXPECT_EQ(command.reg, 0x2B);
    EXPECT_TRUE(command.writeValue);
    EXPECT_EQ(command.value, 0x80);
    ASSERT_TRUE(Parse({"reg", "15", "200"}, command));
    EXPECT_EQ(command.value, 200) << "a value without 0x is decimal";
    const std::vector<std::vector<const char*>> bad = {
        {"reg", "zz"}, {"reg", "100"}, {"reg", ""}, {"reg", " 15"}, {"reg", "15", "256"}, {"reg", "15", "-1"},
        {"reg", "15", "0x"},
    };
    for (const auto& words : bad) EXPECT_FALSE(Parse(words, command)) << words[1];
}

TEST(BoardctlArguments, CountsAndTheHoldAreBounded)
{
    BoardctlCommand command;
    ASSERT_TRUE(Parse({"journal"}, command));
    EXPECT_EQ(command.count, BoardctlDefaultJournal);
    ASSERT_TRUE(Parse({"hold", "600000"}, command));
    EXPECT_EQ(command.action, BoardctlHold);
    EXPECT_FALSE(Parse({"hold", "600001"}, command)) << "no hold for ever";
    ASSERT_TRUE(Parse({"rhythm", "busy", "600000"}, command));
    EXPECT_EQ(command.rhythm, RhythmBusy);
    EXPECT_FALSE(Parse({"rhythm", "cycles", "600001"}, command));
    EXPECT_FALSE(Parse({"rhythm", "sometimes", "1000"}, command));
    EXPECT_FALSE(Parse({"hammer", "99999999999"}, command));
    EXPECT_FALSE(Parse({"status", "extra"}, command));
    EXPECT_FALSE(Parse({"set"}, command));
}

}  // namespace
