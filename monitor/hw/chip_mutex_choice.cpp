#include "monitor/hw/chip_mutex_choice.h"

namespace {

// Null with *refused when the mutex exists but may not be released by us.
void* CreateOrOpen(const MutexCalls& calls, const char* name, bool* refused)
{
    *refused = false;
    void* mutex = calls.createOrOpen(name, refused);
    if (mutex || !*refused) return mutex;
    *refused = false;
    return calls.open(name, MutexWaitAndReleaseRights, refused);
}

}  // namespace

void* ChooseChipMutex(const MutexCalls& calls, bool globalNamespace)
{
    bool refused = false;
    if (globalNamespace) {
        void* mutex = CreateOrOpen(calls, GlobalChipMutexName, &refused);
        if (mutex || refused) return mutex;
    }
    return CreateOrOpen(calls, LocalChipMutexName, &refused);
}
