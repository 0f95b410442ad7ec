#include <gtest/gtest.h>

#include <utility>

#include "monitor/hw/chip_lock.h"
#include "monitor/hw/fan_control.h"
#include "tests/unit/board_journal.h"

namespace {

// Stands in for the named mutex: another program may hold it; the spans in
// which this process held it are kept as journal positions.
struct StandInLock {
    bool takenByOther = false;
    bool ours = false;
    bool nested = false;
    uint32_t spanStart = 0;
    std::vector<std::pair<uint32_t, uint32_t>> spans;
    std::vector<uint32_t> waits;
    uint32_t nowMs = 0;
};
StandInLock standIn;

bool AcquireStandIn(uint32_t waitMs)
{
    standIn.waits.push_back(waitMs);
    if (standIn.takenByOther) return false;
    if (standIn.ours) standIn.nested = true;
    standIn.ours = true;
    standIn.spanStart = SimBoardInstance().journalCount;
    return true;
}

void ReleaseStandIn()
{
    standIn.ours = false;
    standIn.spans.push_back({standIn.spanStart, SimBoardInstance().journalCount});
}

uint32_t StandInClock()
{
    return standIn.nowMs;
}

constexpr ChipLock StandInChipLock = {AcquireStandIn, ReleaseStandIn, StandInClock};

class SharedChipLock : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartFresh();
        for (FanProfile& f : monitorConfig.fan) f = {1, {25, 35, 45, 60, 75}, {90, 100, 110}, 90, 0};
        standIn = StandInLock{};
        UseChipLock(&StandInChipLock);
    }
    void TearDown() override { UseChipLock(nullptr); }

    // Everything the monitor does to the chip during its life.
    static void WholeLife()
    {
        InitChip();
        ProgramAllFans();
        {
            ChipReadingPass pass;
            SetFanControlFlag();
            for (int n = 0; n < 3; ++n) ReadTemperature(n, 0);
            for (uint8_t reg : FanCountRegister) ReadFanSpeed(reg);
            for (int k = 0; k < 8; ++k) ReadVoltage(static_cast<uint8_t>(VoltageRegisterBase + k));
            ReadCaseOpen();
        }
        ClearCaseOpen();
        RestoreFanControlRegisters();
    }
};

TEST_F(SharedChipLock, EveryIndexDataPairAndReadModifyWriteLiesInsideOneHold)
{
    WholeLife();
    EXPECT_FALSE(standIn.nested);
    EXPECT_FALSE(standIn.ours) << "released at the end";
    const SimBoard& board = SimBoardInstance();
    const uint32_t total = board.journalCount;
    ASSERT_EQ(total, SimJournalKept(board));
    std::vector<int> spanOf(total, -1);
    for (size_t s = 0; s < standIn.spans.size(); ++s)
        for (uint32_t i = standIn.spans[s].first; i < standIn.spans[s].second; ++i) spanOf[i] = static_cast<int>(s);

    // A read-modify-write shows as a read of a register right followed by a
    // write of it: both lie in one hold.
    int indexSpan = -1;
    int keySpan = -1;
    int lastReadSpan = -1;
    uint8_t index = 0;
    int lastRead = -1;
    for (uint32_t i = 0; i < total; ++i) {
        const SimPortAccess& a = SimJournalEntry(board, i);
        ASSERT_NE(spanOf[i], -1) << "access " << i << " on port " << std::hex << a.port << " outside the lock";
        if (a.port == ChipIndexPort) {
            indexSpan = spanOf[i];
            index = a.value;
        }
        if (a.port == ChipDataPort) {
            EXPECT_EQ(spanOf[i], indexSpan) << "data access " << i << " split from its index";
            if (a.isWrite && lastRead == index) {
                EXPECT_EQ(spanOf[i], lastReadSpan) << "read-modify-write split";
            }
            lastRead = a.isWrite ? -1 : index;
            lastReadSpan = spanOf[i];
        }
        if (a.port == SuperIoConfigPort) {
            if (keySpan == -1) keySpan = spanOf[i];
            EXPECT_EQ(spanOf[i], keySpan) << "the entry key is one group";
        }
    }
}

TEST_F(SharedChipLock, CycleThatFindsTheChipTakenWaitsOnceTouchesNothingAndKeepsItsReadings)
{
    InitChip();
    ApplyScenario("temp0 = 41\nfan0.count = 135\nvolt3.raw = 200");
    const auto readAll = [] {
        ChipReadingPass pass;
        SetFanControlFlag();
        std::vector<double> r = {double(ReadTemperature(0, 0)), double(ReadFanSpeed(FanCountRegister[0])),
                                 ReadVoltage(BatteryVoltageRegister), double(ReadCaseOpen())};
        return r;
    };
    const std::vector<double> before = readAll();
    EXPECT_EQ(before, (std::vector<double>{41, 5000, 200 * double(0.016f), 0}));

    ApplyScenario("temp0 = 80\nfan0.count = 100\nvolt3.raw = 10\ncase = open");
    standIn.takenByOther = true;
    standIn.waits.clear();
    ClearJournal();
    EXPECT_EQ(readAll(), before) << "the previous readings stay";
    EXPECT_EQ(SimJournalKept(SimBoardInstance()), 0u) << "no port touched";
    EXPECT_EQ(standIn.waits, std::vector<uint32_t>{ReadingWaitMs}) << "one short wait for the whole pass";

    standIn.takenByOther = false;
    const std::vector<double> after = readAll();
    EXPECT_EQ(after, (std::vector<double>{80, 6750, 10 * double(0.016f), 1}));
}

TEST_F(SharedChipLock, ProgrammingAndTheRestoreWaitLongerThenGoAhead)
{
    InitChip();
    standIn.takenByOther = true;
    standIn.waits.clear();
    ClearJournal();
    ProgramFan(0, FanModeSoftware, 0);
    RestoreFanControlRegisters();
    EXPECT_EQ(standIn.waits, (std::vector<uint32_t>{ProgrammingWaitMs, ProgrammingWaitMs}));
    EXPECT_EQ(RegisterWrites().back(), W(0x17, 0x3C)) << "the board's fan control is given back";

    standIn.waits.clear();
    ApplyScenario("temp1 = 33");
    EXPECT_EQ(ReadTemperature(1, 0), 33) << "a reading outside a cycle or paint goes ahead too";
    EXPECT_EQ(standIn.waits, std::vector<uint32_t>{ProgrammingWaitMs});
}

// Passes once a second from just before another program takes the lock and
// keeps it: none touches the chip until the readings would be five seconds
// old, then each reads all its registers, taking the lock only where it is
// free; once the holder lets go passes are normal again, and a later hold
// counts anew.
TEST_F(SharedChipLock, ReadingsAreNeverLeftStaleForMoreThanFiveSeconds)
{
    InitChip();
    struct Pass {
        bool touched;
        int32_t temperature;
        bool withoutLock;
    };
    const auto pass = [](uint32_t atMs) {
        standIn.nowMs = atMs;
        ClearJournal();
        standIn.waits.clear();
        ChipReadingPass p;
        const int32_t temperature = ReadTemperature(0, 0);
        ReadFanSpeed(FanCountRegister[0]);
        ReadCaseOpen();
        return Pass{SimJournalKept(SimBoardInstance()) > 0, temperature, p.ReadWithoutLock()};
    };
    for (uint32_t holdStart : {10000u, 40000u}) {
        ApplyScenario("temp0 = 40");
        const Pass fresh = pass(holdStart - 990);
        EXPECT_TRUE(fresh.touched && !fresh.withoutLock);
        standIn.takenByOther = true;
        ApplyScenario("temp0 = 95");
        for (uint32_t s = 0; s < 4; ++s) {
            const Pass p = pass(holdStart + 10 + 1000 * s);
            EXPECT_FALSE(p.touched) << "pass " << s << " of the hold at " << holdStart;
            EXPECT_EQ(p.temperature, 40);
            EXPECT_EQ(standIn.waits, std::vector<uint32_t>{ReadingWaitMs});
        }
        const Pass overdue = pass(holdStart + 4020);
        EXPECT_TRUE(overdue.touched && overdue.withoutLock && overdue.temperature == 95) << "hold at " << holdStart;
        EXPECT_EQ(standIn.waits, (std::vector<uint32_t>{ReadingWaitMs, 0, 0})) << "later groups take a free lock";
        EXPECT_TRUE(pass(holdStart + 5030).withoutLock);

        standIn.takenByOther = false;
        const Pass after = pass(holdStart + 6040);
        EXPECT_TRUE(after.touched && !after.withoutLock);
        EXPECT_FALSE(standIn.ours);
    }
    // A miss long after the last pass that had the lock (the machine slept)
    // counts from itself.
    standIn.takenByOther = true;
    EXPECT_FALSE(pass(90000).touched);
    EXPECT_FALSE(pass(93000).touched);
    EXPECT_TRUE(pass(94600).touched);
}

}  // namespace
