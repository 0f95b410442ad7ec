#include "monitor/hw/chip_mutex.h"

#include "common/windows_family.h"
#include "monitor/hw/chip_lock.h"

namespace {

constexpr const char* GlobalMutexName = "Global\\Access_ISABUS.HTP.Method";
constexpr const char* LocalMutexName = "Access_ISABUS.HTP.Method";

HANDLE superIoMutex;

bool AcquireProcessMutex(uint32_t waitMs)
{
    return AcquireSuperIoMutex(superIoMutex, waitMs);
}

void ReleaseProcessMutex()
{
    ReleaseMutex(superIoMutex);
}

uint32_t TickNow()
{
    return GetTickCount();
}

constexpr ChipLock SuperIoMutexLock = {AcquireProcessMutex, ReleaseProcessMutex, TickNow};

HANDLE CreateOrOpen(const char* name)
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
    // Created by another user who gave others less than full access:
    // waiting and releasing is all this program needs.
    if (!mutex && GetLastError() == ERROR_ACCESS_DENIED) mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
    return mutex;
}

}  // namespace

HANDLE OpenSuperIoMutex()
{
    if (IsWindows9xFamily(GetVersion())) return CreateOrOpen(LocalMutexName);
    HANDLE mutex = CreateOrOpen(GlobalMutexName);
    return mutex ? mutex : CreateOrOpen(LocalMutexName);
}

bool AcquireSuperIoMutex(HANDLE mutex, DWORD waitMs)
{
    const DWORD result = WaitForSingleObject(mutex, waitMs);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void ShareChipWithOtherPrograms()
{
    superIoMutex = OpenSuperIoMutex();
    if (superIoMutex) UseChipLock(&SuperIoMutexLock);
}
