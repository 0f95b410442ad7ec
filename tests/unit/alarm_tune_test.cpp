#include <gtest/gtest.h>

#include <cmath>

#include "monitor/core/alarm_tune.h"
#include "tests/unit/board_journal.h"

namespace {

TEST(AlarmTune, NotesGiveTheirFrequenciesAndTimerDivisors)
{
    const uint32_t frequency[AlarmTuneLength] = {897, 1007, 800, 400, 599};
    const uint32_t divisor[AlarmTuneLength] = {1330, 1184, 1491, 2982, 1991};
    const int16_t milliseconds[AlarmTuneLength] = {100, 100, 100, 100, 200};
    for (int i = 0; i < AlarmTuneLength; ++i) {
        // 897.98 and 1007.94 Hz: truncated, not rounded.
        EXPECT_EQ(NoteFrequency(AlarmTune[i].note), frequency[i]) << "note " << i;
        EXPECT_EQ(SpeakerTimerDivisor(NoteFrequency(AlarmTune[i].note)), divisor[i]) << "note " << i;
        EXPECT_EQ(AlarmTune[i].milliseconds, milliseconds[i]) << "note " << i;
    }
    EXPECT_EQ(NoteFrequency(24), 1600u) << "two octaves up";
    EXPECT_EQ(NoteFrequency(1), 423u) << "a semitone is a twelfth of an octave, not a whole one";
    for (int16_t note = -36; note <= 60; ++note) {
        EXPECT_EQ(NoteFrequency(note), static_cast<uint32_t>(TuneBaseHz * std::pow(2.0, note / 12.0))) << note;
    }
}

class Speaker : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartFresh();
        SimPortWrite(board, SpeakerControlPort, 0xAC, 0);  // gate off, other bits set
        SimClearJournal(board);
    }
    std::vector<SimPortAccess> Journal()
    {
        std::vector<SimPortAccess> accesses;
        for (uint32_t i = 0; i < SimJournalKept(board); ++i) accesses.push_back(SimJournalEntry(board, i));
        return accesses;
    }
    SimBoard& board = SimBoardInstance();
};

TEST_F(Speaker, FrequencyLoadsTimerChannelTwoLowByteFirstAndLeavesTheGateAlone)
{
    SetSpeakerFrequency(897);  // divisor 1330 = 0x0532
    const std::vector<SimPortAccess> journal = Journal();
    ASSERT_EQ(journal.size(), 3u);
    const uint16_t ports[3] = {0x43, 0x42, 0x42};
    const uint8_t values[3] = {0xB6, 0x32, 0x05};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(journal[i].isWrite);
        EXPECT_EQ(journal[i].port, ports[i]) << i;
        EXPECT_EQ(journal[i].value, values[i]) << i;
    }
    EXPECT_EQ(board.timerDivisor, 1330u);
    EXPECT_EQ(board.toneCount, 0u) << "the speaker stays off";
}

TEST_F(Speaker, GateSwitchesBothBitsAndKeepsTheOthers)
{
    SetSpeakerFrequency(599);
    SwitchSpeakerOn();
    EXPECT_EQ(board.port61, 0xAF);
    SimSetNowMs(200);
    SwitchSpeakerOff();
    EXPECT_EQ(board.port61, 0xAC);

    ASSERT_EQ(board.toneCount, 1u);
    EXPECT_EQ(board.tone[0].frequencyHz, 599u);
    EXPECT_EQ(board.tone[0].startMs, 0u);
    EXPECT_EQ(board.tone[0].endMs, 200u);

    SwitchSpeakerOff();
    EXPECT_EQ(board.port61, 0xAC) << "switching off twice is harmless";
    EXPECT_EQ(board.toneCount, 1u);
}

}  // namespace
