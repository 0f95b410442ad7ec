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

struct ChipLock {
    // Waits up to waitMs; true once held, also when its last holder ended
    // without releasing it.
    bool (*acquire)(uint32_t waitMs);
    void (*release)();
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

private:
    bool outerActive;
    bool outerMissed;
};
