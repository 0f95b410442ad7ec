// Which named mutex the monitor shares the chip through, decided without a
// platform call: chip_mutex_win.cpp gives the calls, unit tests stand-ins.
#pragma once

#include <cstdint>

// The access rights of a handle that may wait for the mutex and release it
// (SYNCHRONIZE | MUTEX_MODIFY_STATE): a handle without the second may not be
// allowed to release what its wait took.
constexpr uint32_t MutexWaitAndReleaseRights = 0x00100001;

struct MutexCalls {
    // Creates the mutex with an access list that lets everybody wait for it
    // and release it, or opens the existing one with full access. Null when
    // it cannot; *refused tells whether its access list refused this user.
    void* (*createOrOpen)(const char* name, bool* refused);
    // Opens the existing mutex with exactly these rights; null when it
    // cannot, *refused telling whether its access list refused them.
    void* (*open)(const char* name, uint32_t rights, bool* refused);
};

// The shared mutex, or null when the program must run without one. The
// global name first where the system has that namespace, else (or where this
// user may not create in it) the session's; a mutex whose creator gives this
// user no right to release it is not used at all, since a wait could then
// take it for good.
void* ChooseChipMutex(const MutexCalls& calls, bool globalNamespace);

constexpr const char* GlobalChipMutexName = "Global\\Access_ISABUS.HTP.Method";
constexpr const char* LocalChipMutexName = "Access_ISABUS.HTP.Method";
