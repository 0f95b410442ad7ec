#include "monitor/hw/chip_lock.h"

namespace {

const ChipLock* chipLock;

ChipReadingPass::State pass;

// Passes that had the lock come every second; a miss more than this after
// the last one (at the start, or after the machine slept) counts from itself.
constexpr uint32_t PassGapMs = 2000;

// The readings are as old as staleSinceMs while passes miss the lock.
bool missing;
uint32_t staleSinceMs;
bool hadLock;
uint32_t lastLockedPassMs;

void NoteMiss()
{
    if (missing) return;
    missing = true;
    const uint32_t now = chipLock->nowMs();
    staleSinceMs = hadLock && now - lastLockedPassMs <= PassGapMs ? lastLockedPassMs : now;
}

}  // namespace

void UseChipLock(const ChipLock* lock)
{
    chipLock = lock;
    missing = false;
    hadLock = false;
}

ChipGroup::ChipGroup(ChipGroupKind kind) : granted(true), held(false)
{
    if (!chipLock) return;
    if (kind == ReadingGroup && pass.active) {
        if (!pass.missed)
            held = chipLock->acquire(ReadingWaitMs);
        else if (pass.overdue)
            held = chipLock->acquire(0);
        if (held) pass.took = true;
        if (!held && !pass.missed) {
            pass.missed = true;
            NoteMiss();
        }
        granted = held || pass.overdue;
        if (!held && granted) pass.unlocked = true;
        return;
    }
    held = chipLock->acquire(ProgrammingWaitMs);
}

ChipGroup::~ChipGroup()
{
    if (held) chipLock->release();
}

ChipReadingPass::ChipReadingPass() : outer(pass)
{
    const uint32_t now = chipLock ? chipLock->nowMs() : 0;
    const bool overdue = missing && now - staleSinceMs + PassSlackMs >= LongestStaleMs;
    pass = {true, now, false, false, overdue, false};
}

ChipReadingPass::~ChipReadingPass()
{
    // A pass without any group (nothing shown) tells nothing about the lock.
    if (pass.took && !pass.missed) {
        missing = false;
        hadLock = true;
        lastLockedPassMs = pass.startMs;
    }
    pass = outer;
}

bool ChipReadingPass::ReadWithoutLock() const
{
    return pass.unlocked;
}
