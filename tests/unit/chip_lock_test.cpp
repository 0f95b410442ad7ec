#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "monitor/hw/chip_lock.h"
#include "monitor/hw/chip_mutex_choice.h"
#include "monitor/hw/fan_control.h"
#include "tests/unit/board_journal.h"

namespace {

// Stands in for the named mutex: another program may hold it, always or in a
// rhythm of its own; the spans in which this process held it are kept as
// journal positions.
struct StandInLock {
    bool takenByOther = false;
    // Whether the other program holds it for the group-th acquire of a pass.
    bool (*rhythm)(uint32_t nowMs, bool paint, int group) = nullptr;
    bool paint = false;
    int group = 0;
    bool releaseWorks = true;
    bool ours = false;
    bool nested = false;
    uint32_t spanStart = 0;
    std::vector<std::pair<uint32_t, uint32_t>> spans;
    std::vector<uint32_t> waits;
    uint32_t missedWaitMs = 0;  // what the acquires that found it taken waited
    uint32_t nowMs = 0;
};
StandInLock standIn;

bool AcquireStandIn(uint32_t waitMs)
{
    standIn.waits.push_back(waitMs);
    const bool taken =
        standIn.rhythm ? standIn.rhythm(standIn.nowMs, standIn.paint, standIn.group++) : standIn.takenByOther;
    if (taken) {
        standIn.missedWaitMs += waitMs;
        return false;
    }
    if (standIn.ours) standIn.nested = true;
    standIn.ours = true;
    standIn.spanStart = SimBoardInstance().journalCount;
    return true;
}

bool ReleaseStandIn()
{
    if (!standIn.releaseWorks) return false;
    standIn.ours = false;
    standIn.spans.push_back({standIn.spanStart, SimBoardInstance().journalCount});
    return true;
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
            {
                ChipRun run;
                SetFanControlFlag();
                ReadTemperature(0, 0);
            }
            for (int n = 1; n < 3; ++n) ReadTemperature(n, 0);
            for (uint8_t reg : FanCountRegister) ReadFanSpeed(reg);
            ChipRun run;
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
// keeps it: none touches the chip until a reading would be five seconds old,
// then that reading is taken (with the lock only where it is free) and the
// next one when it is due again; once the holder lets go passes are normal.
TEST_F(SharedChipLock, ReadingsAreNeverLeftStaleForMoreThanFiveSeconds)
{
    InitChip();
    struct Pass {
        bool touched;
        int32_t temperature;
        bool withoutLock;
    };
    const auto pass = [](uint32_t atMs, uint8_t rail = 0) {
        standIn.nowMs = atMs;
        ClearJournal();
        standIn.waits.clear();
        ChipReadingPass p;
        const int32_t temperature = ReadTemperature(0, 0);
        ReadFanSpeed(FanCountRegister[0]);
        ReadCaseOpen();
        if (rail) ReadVoltage(rail);
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
        EXPECT_FALSE(pass(holdStart + 5030).touched) << "read again when due again";

        standIn.takenByOther = false;
        const Pass after = pass(holdStart + 6040);
        EXPECT_TRUE(after.touched && !after.withoutLock);
        EXPECT_FALSE(standIn.ours);
    }
    // Readings already older than that (the machine slept) are taken at the
    // first miss; a rail never read counts from the first pass that wanted it.
    standIn.takenByOther = true;
    const uint8_t rail = VoltageRegisterBase + 4;
    EXPECT_TRUE(pass(90000, rail).touched);
    EXPECT_FALSE(VoltageReadingTaken(rail));
    EXPECT_FALSE(pass(93000, rail).touched);
    EXPECT_TRUE(pass(94600, rail).touched);
    EXPECT_TRUE(VoltageReadingTaken(rail));
}

// The other program's rhythms against a monitor that cycles once a second
// (a little late, as timers are) and paints 20 ms after each cycle, over a
// minute in which the inputs change every second. Whatever the rhythm, every
// reading the alarms judge is at most five seconds old, a pass waits for the
// lock once at most, and no write reaches the chip without the lock.
struct Rhythm {
    const char* name;
    bool (*taken)(uint32_t nowMs, bool paint, int group);
};

constexpr Rhythm Rhythms[] = {
    {"NeverHeld", [](uint32_t, bool, int) { return false; }},
    {"HeldForEver", [](uint32_t, bool, int) { return true; }},
    {"HeldDuringEveryCycleFreeForItsPaint", [](uint32_t, bool paint, int) { return !paint; }},
    {"HeldDuringEveryPaintFreeForTheCycle", [](uint32_t, bool paint, int) { return paint; }},
    {"Held900MsOfEverySecond", [](uint32_t now, bool, int) { return now % 1000 < 900; }},
    {"Held4SecondsOfEvery5", [](uint32_t now, bool, int) { return now % 5000 < 4000; }},
    {"FreeOnlyForEachPassFirstGroup", [](uint32_t, bool, int group) { return group > 0; }},
    {"FreeForTheCyclesFirstGroupAndEveryPaint",
     [](uint32_t, bool paint, int group) { return !paint && group > 0; }},
};

class ChipLockRhythm : public SharedChipLock, public ::testing::WithParamInterface<Rhythm> {};

TEST_P(ChipLockRhythm, EveryReadingStaysWithinFiveSecondsAndNothingIsWrittenWithoutTheLock)
{
    InitChip();
    standIn.rhythm = GetParam().taken;
    // What each second of the board shows: a reading holds the value of the
    // second in which it was taken.
    std::vector<int32_t> temperatureAt, rpmAt, millivoltsAt;
    char scenario[80];
    for (uint32_t second = 0; second < 60; ++second) {
        const uint32_t cycleMs = 20850 + second * 1013;
        snprintf(scenario, sizeof scenario, "temp0 = %u\nfan0.count = %u\nvolt4.raw = %u", 20 + second,
                 100 + second, 50 + second);
        ApplyScenario(scenario);
        temperatureAt.push_back(static_cast<int32_t>(20 + second));
        rpmAt.push_back(static_cast<int32_t>(1350000 / ((100 + second) * 2)));
        millivoltsAt.push_back(static_cast<int32_t>(16 * (50 + second)));
        const auto takenWithin = [](const std::vector<int32_t>& at, int32_t reading) {
            for (size_t age = 0; age <= LongestStaleMs / 1000 && age < at.size(); ++age)
                if (at[at.size() - 1 - age] == reading) return true;
            return false;
        };
        const auto pass = [&](uint32_t atMs, bool paint, auto reads) {
            standIn.nowMs = atMs;
            standIn.paint = paint;
            standIn.group = 0;
            standIn.missedWaitMs = 0;
            ChipReadingPass p;
            reads();
            EXPECT_LE(standIn.missedWaitMs, ReadingWaitMs) << "second " << second;
        };
        int32_t temperature = 0, rpm = 0, millivolts = 0;
        // The groups that follow each other without a pause run as the
        // monitor runs them.
        pass(cycleMs, false, [&] {
            {
                ChipRun run;
                SetFanControlFlag();
                temperature = ReadTemperature(0, 0);
            }
            ReadTemperature(1, 0);
            ReadTemperature(2, 0);
            rpm = ReadFanSpeed(FanCountRegister[0]);
            ReadFanSpeed(FanCountRegister[1]);
            ReadFanSpeed(FanCountRegister[2]);
            ReadCaseOpen();
        });
        pass(cycleMs + 20, true, [&] {
            ChipRun run;
            for (int k = 0; k < 8; ++k) {
                const double volts = ReadVoltage(static_cast<uint8_t>(VoltageRegisterBase + k));
                if (k == 4) millivolts = static_cast<int32_t>(volts * 1000);
            }
            ReadCaseOpen();
        });
        if (second < LongestStaleMs / 1000) continue;  // the first readings are judged once taken
        EXPECT_TRUE(takenWithin(temperatureAt, temperature)) << "second " << second << ": " << temperature << " C";
        EXPECT_TRUE(takenWithin(rpmAt, rpm)) << "second " << second << ": " << rpm << " rpm";
        EXPECT_TRUE(takenWithin(millivoltsAt, millivolts)) << "second " << second << ": " << millivolts << " mV";
        for (int input = 0; input < ChipInputCount; ++input) {
            if (input == BatteryInput) continue;  // sampled only with the lock
            const ReadingAge age = AgeOfReading(input);
            EXPECT_TRUE(age.taken && age.ageMs <= LongestStaleMs) << "input " << input << ", second " << second;
        }
    }
    const SimBoard& board = SimBoardInstance();
    std::vector<bool> held(SimJournalKept(board), false);
    for (const auto& span : standIn.spans)
        for (uint32_t i = span.first; i < span.second && i < held.size(); ++i) held[i] = true;
    for (uint32_t i = 0; i < SimJournalKept(board); ++i) {
        const SimPortAccess& a = SimJournalEntry(board, i);
        if (a.port == ChipDataPort && a.isWrite) {
            EXPECT_TRUE(held[i]) << "write " << i << " without the lock";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rhythms, ChipLockRhythm, ::testing::ValuesIn(Rhythms),
                         [](const ::testing::TestParamInfo<Rhythm>& param) { return std::string(param.param.name); });

// Stands in for the system's mutex calls: what each name answers.
enum class Answer { Works, Refused, Fails };
struct MutexName {
    Answer create;  // created, or opened with full access
    Answer open;    // opened with the rights asked for
};
struct MutexCase {
    const char* what;
    bool globalNamespace;
    MutexName global, local;
    const char* chosen;
};
const MutexCase* mutexCase;
char globalMutex, localMutex;

bool IsGlobal(const char* name)
{
    return std::string(name) == GlobalChipMutexName;
}

void* Answered(const char* name, Answer answer, bool* refused)
{
    *refused = answer == Answer::Refused;
    if (answer != Answer::Works) return nullptr;
    return IsGlobal(name) ? &globalMutex : &localMutex;
}

void* StandInCreateOrOpen(const char* name, bool* refused)
{
    return Answered(name, (IsGlobal(name) ? mutexCase->global : mutexCase->local).create, refused);
}

void* StandInOpen(const char* name, uint32_t rights, bool* refused)
{
    EXPECT_EQ(rights, MutexWaitAndReleaseRights) << "the rights of a wait and a release, no fewer";
    return Answered(name, (IsGlobal(name) ? mutexCase->global : mutexCase->local).open, refused);
}

TEST(ChipMutex, AMutexThisUserMayNotReleaseIsNeverUsed)
{
    constexpr MutexName Free = {Answer::Works, Answer::Works};
    constexpr MutexName Unused = {Answer::Fails, Answer::Fails};
    const MutexCase cases[] = {
        {"created or opened with full access", true, Free, Unused, "global"},
        {"another user's, releasable", true, {Answer::Refused, Answer::Works}, Unused, "global"},
        {"another user's, not releasable", true, {Answer::Refused, Answer::Refused}, Free, nullptr},
        {"no global namespace (NT 4.0)", true, Unused, Free, "local"},
        {"no right to create a global one", true, {Answer::Refused, Answer::Fails}, Free, "local"},
        {"the 95/98 family", false, Free, Free, "local"},
        {"the session's, not releasable", false, Unused, {Answer::Refused, Answer::Refused}, nullptr},
    };
    const MutexCalls standIns = {StandInCreateOrOpen, StandInOpen};
    for (const MutexCase& c : cases) {
        mutexCase = &c;
        void* chosen = ChooseChipMutex(standIns, c.globalNamespace);
        void* expected = !c.chosen ? nullptr : std::string(c.chosen) == "global" ? &globalMutex : &localMutex;
        EXPECT_EQ(chosen, expected) << c.what;
    }
}

TEST_F(SharedChipLock, GroupsOfARunShareOneHoldThatEndsWithTheRun)
{
    InitChip();
    standIn.waits.clear();
    standIn.spans.clear();
    {
        ChipReadingPass pass;
        ChipRun run;
        for (int k = 0; k < 8; ++k) ReadVoltage(static_cast<uint8_t>(VoltageRegisterBase + k));
        ReadCaseOpen();
        EXPECT_TRUE(standIn.ours) << "held until the run ends";
    }
    EXPECT_EQ(standIn.waits, std::vector<uint32_t>{ReadingWaitMs});
    EXPECT_EQ(standIn.spans.size(), 1u);
    EXPECT_FALSE(standIn.ours || standIn.nested);

    // Taken by another program: the run's groups keep the pass's rules and
    // read nothing; a run whose lock cannot be let go gives the lock up.
    standIn.takenByOther = true;
    standIn.waits.clear();
    ClearJournal();
    {
        ChipReadingPass pass;
        ChipRun run;
        SetFanControlFlag();
        ReadTemperature(0, 0);
    }
    EXPECT_EQ(standIn.waits, std::vector<uint32_t>{ReadingWaitMs});
    EXPECT_EQ(SimJournalKept(SimBoardInstance()), 0u);
    standIn.takenByOther = false;
    standIn.releaseWorks = false;
    {
        ChipRun run;
        ReadTemperature(0, 0);
        ReadTemperature(1, 0);
    }
    ReadTemperature(2, 0);
    EXPECT_EQ(standIn.waits.size(), 2u) << "one wait for the run, none after";
}

TEST_F(SharedChipLock, ALockThatCouldNotBeReleasedIsNeverTakenAgain)
{
    standIn.releaseWorks = false;
    ReadTemperature(0, 0);
    EXPECT_EQ(standIn.waits.size(), 1u);
    ClearJournal();
    {
        ChipReadingPass pass;
        SetFanControlFlag();
        ReadTemperature(0, 0);
    }
    ProgramFan(0, FanModeSoftware, 0);
    EXPECT_EQ(standIn.waits.size(), 1u) << "no later wait";
    EXPECT_EQ(RegisterWrites().size(), 3u) << "the groups go ahead as without a lock";
}

}  // namespace
