// The lock that programs on the same machine share for the chip's ports, so
// that no other tool's access lands between our index write and its data
// access, nor ours between theirs. The Win32 layer installs the real one (a
// named mutex, chip_mutex_win.cpp); unit tests install a stand-in.
//
// Every group of port accesses that belongs together (one register read or
// write, a read-modify-write, the Super I/O entry key, the five registers
// of the board's fan control) holds it as one ChipGroup, never across a
// pause or a message box. Groups wait in two ways:
//  - A group of a monitoring cycle or a paint (a ChipReadingPass) waits at
//    most ReadingWaitMs, and once a group of the pass has found the lock
//    taken, the pass's later groups no longer wait at all: a holder that
//    keeps the lock costs a pass one such wait. A group that misses the lock
//    touches no port and its reading stays the previous one.
//    Every input (ChipInput) has an age of its own, though, and no reading
//    is left older than LongestStaleMs: a group that misses the lock reads
//    its input anyway once the reading would otherwise be that old (taking
//    the lock if it is free at that moment), whatever other inputs and other
//    passes got meanwhile. Without the lock a group only reads: the
//    fan-control flag is not set and the battery is not sampled, so the
//    battery's reading waits for a pass that has the lock. A monitor that
//    keeps showing and judging old readings while the CPU overheats is worse
//    than a rare read that lands between another tool's index and data
//    access, and a tool that keeps the lock for seconds is stuck, not between
//    the two.
//  - Every other group (initialisation, fan programming, giving the board's
//    fan control back, readings outside a pass) waits up to
//    ProgrammingWaitMs and then goes ahead. Other tools hold the lock for a
//    group of accesses, microseconds to a few milliseconds; one that keeps it
//    for a second is stuck, not in the middle of a pair, and the fans must
//    not stay unprogrammed or stranded on its account.
// Groups of a pass that follow one another with no pause and no other call
// between them (the fan-control flag and the first temperature; a paint's
// rails and case flag) may run as one ChipRun: the lock that the first of
// them takes is kept for the others and let go at the run's end, one wait
// and one release instead of one each, and no other program's group can
// land between them anyway. The rules above hold for each group of a run;
// a run only ever spans port accesses and the arithmetic on their values.
// A lock that could not be released is never taken again: groups then go
// ahead as without a lock.
#pragma once

#include <cstdint>

constexpr uint32_t ReadingWaitMs = 10;
constexpr uint32_t ProgrammingWaitMs = 1000;
constexpr uint32_t LongestStaleMs = 5000;
// Passes come once a second, a little early or late: the one that would
// leave a reading older than LongestStaleMs reads it anyway.
constexpr uint32_t PassSlackMs = 500;

struct ChipLock {
    // Waits up to waitMs; true once held, also when its last holder ended
    // without releasing it. Null when no lock is shared with other programs:
    // every group goes ahead, and the clock still tells the readings' ages.
    bool (*acquire)(uint32_t waitMs);
    // False when the lock could not be let go.
    bool (*release)();
    // A millisecond clock that may wrap.
    uint32_t (*nowMs)();
};

// The lock every later group takes, and the clock of the readings' ages;
// none (the start) lets groups go ahead unlocked and ages nothing.
void UseChipLock(const ChipLock* lock);
// The lock's clock, or 0 without one.
uint32_t ChipNowMs();

// The inputs that passes read, each with an age of its own: the three
// temperature registers, the three fan counts, the eight rails (the battery
// is one of them) and the case flag.
constexpr int TemperatureInput = 0;  // + register - 0x29
constexpr int FanInput = 3;          // + fan
constexpr int RailInput = 6;         // + register - 0x20
constexpr int BatteryInput = RailInput + 3;
constexpr int CaseInput = 14;
constexpr int ChipInputCount = 15;
constexpr int NoChipInput = -1;

struct ReadingAge {
    bool taken;      // read from the chip at least once
    uint32_t ageMs;  // since it was read last
};
ReadingAge AgeOfReading(int input);

enum ChipGroupKind {
    ProgrammingGroup,
    // Reads an input.
    ReadingGroup,
    // Writes for a pass (the fan-control flag; the battery's sample before
    // its read): inside a pass, never without the lock.
    PassWritingGroup,
};

class ChipGroup {
public:
    explicit ChipGroup(ChipGroupKind kind, int input = NoChipInput);
    ~ChipGroup();
    ChipGroup(const ChipGroup&) = delete;
    ChipGroup& operator=(const ChipGroup&) = delete;
    // False only for a group of a pass that has neither the lock nor an
    // overdue reading to take: it must touch no port.
    bool Granted() const { return granted; }

private:
    bool granted;
    bool held;
};

// Groups that follow one another within a pass; see above. Runs do not nest.
class ChipRun {
public:
    ChipRun();
    ~ChipRun();
    ChipRun(const ChipRun&) = delete;
    ChipRun& operator=(const ChipRun&) = delete;
};

// One monitoring cycle or one paint. A pass begun inside another (a paint
// forced during a cycle) counts on its own and leaves the outer one as it was.
class ChipReadingPass {
public:
    ChipReadingPass();
    ~ChipReadingPass();
    ChipReadingPass(const ChipReadingPass&) = delete;
    ChipReadingPass& operator=(const ChipReadingPass&) = delete;
    // Whether a group of this pass so far read the chip without the lock.
    bool ReadWithoutLock() const;
    // Whether a group of this pass read the input from the chip.
    bool ReadFresh(int input) const;

    struct State {
        bool active;
        bool missed;      // a group found the lock taken
        bool unlocked;    // a group read without the lock
        uint32_t fresh;   // bit per input read
    };

private:
    State outer;
};
