#include "monitor/core/crash_guard.h"

CrashGuardRole ClaimCrashGuard(std::atomic<uint32_t>& owner, uint32_t thread)
{
    uint32_t first = 0;
    if (owner.compare_exchange_strong(first, thread)) return CrashGuardRole::GiveBoardBack;
    return first == thread ? CrashGuardRole::EndAtOnce : CrashGuardRole::WaitForTheFirst;
}
