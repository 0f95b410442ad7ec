#include "monitor/hw/chip_lock.h"

namespace {

const ChipLock* chipLock;
// A release failed: this process may still own the lock, and must not wait
// for it again as if it did not.
bool lockGivenUp;

ChipReadingPass::State pass;

// The current run: whether one is open, and whether it holds the lock that
// one of its groups took.
struct RunState {
    bool active;
    bool held;
};
RunState run;

// sinceMs: when the input was read last or, never read yet, when a pass
// first wanted it; a reading that never was counts from then.
struct InputAge {
    bool wanted;
    bool taken;
    uint32_t sinceMs;
};
InputAge inputAge[ChipInputCount];

bool Shared()
{
    return chipLock && chipLock->acquire && !lockGivenUp;
}

bool ValidInput(int input)
{
    return input >= 0 && input < ChipInputCount;
}

// Whether a pass that misses the lock reads the input anyway.
bool Overdue(int input, uint32_t now)
{
    if (!ValidInput(input)) return false;
    InputAge& age = inputAge[input];
    if (!age.wanted) {
        age.wanted = true;
        age.sinceMs = now;
    }
    return now - age.sinceMs + PassSlackMs >= LongestStaleMs;
}

void NoteRead(int input, uint32_t now)
{
    if (!ValidInput(input)) return;
    inputAge[input] = {true, true, now};
    if (pass.active) pass.fresh |= 1u << input;
}

void ReleaseChipLock()
{
    if (!chipLock->release()) lockGivenUp = true;
}

}  // namespace

void UseChipLock(const ChipLock* lock)
{
    chipLock = lock;
    lockGivenUp = false;
    for (InputAge& age : inputAge) age = {};
}

uint32_t ChipNowMs()
{
    return chipLock ? chipLock->nowMs() : 0;
}

ReadingAge AgeOfReading(int input)
{
    if (!ValidInput(input) || !inputAge[input].taken) return {false, 0};
    return {true, ChipNowMs() - inputAge[input].sinceMs};
}

ChipGroup::ChipGroup(ChipGroupKind kind, int input) : granted(true), held(false)
{
    const uint32_t now = ChipNowMs();
    if (run.held) {
        // The run's lock covers this group too.
    } else if (Shared()) {
        if (kind != ProgrammingGroup && pass.active) {
            const bool overdue = Overdue(input, now);
            if (!pass.missed)
                held = chipLock->acquire(ReadingWaitMs);
            else if (overdue)
                held = chipLock->acquire(0);
            if (!held) pass.missed = true;
            granted = held || (kind == ReadingGroup && overdue);
            if (!held && granted) pass.unlocked = true;
        } else {
            held = chipLock->acquire(ProgrammingWaitMs);
        }
    }
    if (held && run.active) {
        run.held = true;
        held = false;
    }
    if (granted) NoteRead(input, now);
}

ChipGroup::~ChipGroup()
{
    if (held) ReleaseChipLock();
}

ChipRun::ChipRun()
{
    run = {true, false};
}

ChipRun::~ChipRun()
{
    if (run.held) ReleaseChipLock();
    run = {false, false};
}

ChipReadingPass::ChipReadingPass() : outer(pass)
{
    pass = {true, false, false, 0};
}

ChipReadingPass::~ChipReadingPass()
{
    pass = outer;
}

bool ChipReadingPass::ReadWithoutLock() const
{
    return pass.unlocked;
}

bool ChipReadingPass::ReadFresh(int input) const
{
    return ValidInput(input) && (pass.fresh >> input & 1u) != 0;
}
