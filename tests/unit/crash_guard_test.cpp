#include "monitor/core/crash_guard.h"

#include <gtest/gtest.h>

// The first thread to fault gives the board back; a fault of that same thread
// while it does so ends the process at once; every other thread, however
// many fault and whenever, waits for the first instead of ending it.
TEST(CrashGuard, TheFirstFaultingThreadGivesTheBoardBackItsOwnNextFaultEndsAtOnceOthersWait)
{
    std::atomic<uint32_t> owner{0};
    constexpr struct {
        uint32_t thread;
        CrashGuardRole role;
    } Faults[] = {
        {12, CrashGuardRole::GiveBoardBack},  {34, CrashGuardRole::WaitForTheFirst},
        {12, CrashGuardRole::EndAtOnce},      {56, CrashGuardRole::WaitForTheFirst},
        {34, CrashGuardRole::WaitForTheFirst}, {12, CrashGuardRole::EndAtOnce},
    };
    for (const auto& fault : Faults) EXPECT_EQ(ClaimCrashGuard(owner, fault.thread), fault.role) << fault.thread;
}
