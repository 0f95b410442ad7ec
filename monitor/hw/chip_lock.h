// The lock that programs on the same machine share for the chip's ports, so
// that no other tool's access lands between our index write and its data
// access, nor ours between theirs. The Win32 layer installs the real one (a
// named mutex, chip_mutex_win.cpp); unit tests install a stand-in.
//
// Every group of port accesses that belongs together (one register read or
// write, a read-modify-write, the Super I/O entry key, the five registers
// of the board's fan control) holds it as one ChipGroup, never across a
// pause or a message box. Groups wait in two ways:
//  - A reading group of a monitoring cycle or a paint (a ChipReadingPass)
//    waits at most ReadingWaitMs. On a miss it touches no port and the pass's
//    readings keep their previous values; after a miss the pass's later
//    groups do not wait at all, so a holder that keeps the lock costs a
//    pass one such wait.
//    Readings are never older than LongestStaleMs, though: once passes have
//    missed the lock for that long since the last pass that had it, a pass
//    that misses it reads anyway, and its later groups take the lock only
//    when it is free. A monitor that keeps showing and judging old readings
//    while the CPU overheats is worse than a rare read that lands between
//    another tool's index and data access, and a tool that keeps the lock
//    for seconds is stuck, not between the two. The first pass that gets the
//    lock for all its groups ends this.
//  - Every other group (initialisation, fan programming, giving the board's
//    fan control back, readings outside a pass) waits up to
//    ProgrammingWaitMs and then goes ahead. Other tools hold the lock for a
//    group of accesses, microseconds to a few milliseconds; one that keeps it
//    for a second is stuck, not in the middle of a pair, and the fans must
//    not stay unprogrammed or stranded on its account.
#pragma once

#include <cstdint>

constexpr uint32_t ReadingWaitMs = 10;
constexpr uint32_t ProgrammingWaitMs = 1000;
constexpr uint32_t LongestStaleMs = 5000;
// Passes come once a second, a little early or late: the one that would
// leave the readings older than LongestStaleMs reads anyway.
constexpr uint32_t PassSlackMs = 500;

struct ChipLock {
    // Waits up to waitMs; true once held, also when its last holder ended
    // without releasing it.
    bool (*acquire)(uint32_t waitMs);
    void (*release)();
    // A millisecond clock that may wrap, for how long passes have missed.
    uint32_t (*nowMs)();
};

// The lock every later group takes; none (the start) lets groups go ahead
// unlocked.
void UseChipLock(const ChipLock* lock);

enum ChipGroupKind { ReadingGroup, ProgrammingGroup };

class ChipGroup {
public:
    explicit ChipGroup(ChipGroupKind kind);
    ~ChipGroup();
    ChipGroup(const ChipGroup&) = delete;
    ChipGroup& operator=(const ChipGroup&) = delete;
    // False only for a reading group of a pass that has missed the lock: it
    // must touch no port.
    bool Granted() const { return granted; }

private:
    bool granted;
    bool held;
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

    struct State {
        bool active;
        uint32_t startMs;
        bool missed;    // a group found the lock taken
        bool took;      // a group held the lock
        bool overdue;   // the readings are as old as they may get
        bool unlocked;  // a group read without the lock
    };

private:
    State outer;
};
