#include "monitor/hw/chip_mutex.h"

#include "common/windows_family.h"
#include "monitor/hw/chip_lock.h"
#include "monitor/hw/chip_mutex_choice.h"

static_assert(MutexWaitAndReleaseRights == (SYNCHRONIZE | MUTEX_MODIFY_STATE), "the rights of a wait and a release");

namespace {

HANDLE superIoMutex;

bool AcquireProcessMutex(uint32_t waitMs)
{
    return AcquireSuperIoMutex(superIoMutex, waitMs);
}

bool ReleaseProcessMutex()
{
    return ReleaseMutex(superIoMutex) != FALSE;
}

uint32_t TickNow()
{
    return GetTickCount();
}

constexpr ChipLock SuperIoMutexLock = {AcquireProcessMutex, ReleaseProcessMutex, TickNow};
// Nothing shared: the groups go ahead, and the readings still have ages.
constexpr ChipLock NoSharedLock = {nullptr, nullptr, TickNow};

void* CreateOrOpen(const char* name, bool* refused)
{
    // A null DACL: a program of any user or a service may wait for it and
    // release it. The 95/98 family has no security descriptors; there the
    // calls fail and the mutex is created without one.
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
    if (InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE))
        attributes.lpSecurityDescriptor = &descriptor;
    HANDLE mutex = CreateMutexA(&attributes, FALSE, name);
    *refused = !mutex && GetLastError() == ERROR_ACCESS_DENIED;
    return mutex;
}

void* Open(const char* name, uint32_t rights, bool* refused)
{
    HANDLE mutex = OpenMutexA(rights, FALSE, name);
    *refused = !mutex && GetLastError() == ERROR_ACCESS_DENIED;
    return mutex;
}

constexpr MutexCalls SystemMutexCalls = {CreateOrOpen, Open};

}  // namespace

HANDLE OpenSuperIoMutex()
{
    return static_cast<HANDLE>(ChooseChipMutex(SystemMutexCalls, !IsWindows9xFamily(GetVersion())));
}

bool AcquireSuperIoMutex(HANDLE mutex, DWORD waitMs)
{
    const DWORD result = WaitForSingleObject(mutex, waitMs);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void ShareChipWithOtherPrograms()
{
    superIoMutex = OpenSuperIoMutex();
    UseChipLock(superIoMutex ? &SuperIoMutexLock : &NoSharedLock);
}
