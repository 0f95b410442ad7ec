#include "common/instance_guard.h"

#include <windows.h>

#include "common/windows_family.h"

namespace {

// The system-wide namespace of systems with terminal sessions (Windows 2000,
// NT 4.0 Terminal Server), and the plain name where the system has one
// namespace anyway (95/98, NT 4.0 without Terminal Server), which does not
// know the prefix.
constexpr const char* GlobalGuardName = "Global\\Thermivo.Monitor.Instance";
constexpr const char* PlainGuardName = "Thermivo.Monitor.Instance";

// Whether an error on creating or opening the name says that the object
// exists: created by another user, whose monitor gave others no access, or
// taken by an object of another kind.
bool ExistsElsewhere(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_HANDLE;
}

// The names in the order they are tried: the prefix is tried first on the NT
// family, and the plain name only when the system does not know it.
int GuardNames(const char* (&names)[2])
{
    int count = 0;
    if (!IsWindows9xFamily(GetVersion())) names[count++] = GlobalGuardName;
    names[count++] = PlainGuardName;
    return count;
}

}  // namespace

bool TakeMonitorInstanceGuard()
{
    const char* names[2];
    const int count = GuardNames(names);
    for (int i = 0; i < count; ++i) {
        // The handle stays open until the process ends, whatever way.
        HANDLE guard = CreateMutexA(nullptr, FALSE, names[i]);
        const DWORD error = GetLastError();
        if (guard && error != ERROR_ALREADY_EXISTS) return true;
        if (guard) CloseHandle(guard);
        if (guard || ExistsElsewhere(error)) return false;
    }
    // No name could be had at all: a monitor that cannot be guarded still
    // watches the board rather than leave it unwatched.
    return true;
}

bool MonitorInstanceGuardHeld()
{
    const char* names[2];
    const int count = GuardNames(names);
    for (int i = 0; i < count; ++i) {
        HANDLE guard = OpenMutexA(SYNCHRONIZE, FALSE, names[i]);
        if (guard) {
            CloseHandle(guard);
            return true;
        }
        if (ExistsElsewhere(GetLastError())) return true;
    }
    return false;
}
