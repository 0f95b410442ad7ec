#include "monitor/hw/chip_lock.h"

namespace {

const ChipLock* chipLock;

struct PassState {
    bool active;
    bool missed;
};
PassState pass;

}  // namespace

void UseChipLock(const ChipLock* lock)
{
    chipLock = lock;
}

ChipGroup::ChipGroup(ChipGroupKind kind) : granted(true), held(false)
{
    if (!chipLock) return;
    if (kind == ReadingGroup && pass.active) {
        if (!pass.missed) held = chipLock->acquire(ReadingWaitMs);
        pass.missed = !held;
        granted = held;
        return;
    }
    held = chipLock->acquire(ProgrammingWaitMs);
}

ChipGroup::~ChipGroup()
{
    if (held) chipLock->release();
}

ChipReadingPass::ChipReadingPass() : outerActive(pass.active), outerMissed(pass.missed)
{
    pass = {true, false};
}

ChipReadingPass::~ChipReadingPass()
{
    pass = {outerActive, outerMissed};
}
