// The named mutex through which programs of every user and service on the
// machine share the chip's ports (Win32 layer over chip_lock.h).
#pragma once

#include <windows.h>

// Creates or opens "Global\Access_ISABUS.HTP.Method", or the same name
// without "Global\" where that namespace is unavailable (the 95/98 family,
// NT 4.0 without Terminal Server). Null when neither can be had, or when the
// mutex exists but this user may not release it (chip_mutex_choice.h).
HANDLE OpenSuperIoMutex();

// Waits up to waitMs; true once held, also when abandoned by its last holder.
bool AcquireSuperIoMutex(HANDLE mutex, DWORD waitMs);

// Opens the mutex once for the life of the process and makes every later
// group of chip accesses hold it. Without it the program runs unlocked, as
// on a machine without other monitoring tools.
void ShareChipWithOtherPrograms();
