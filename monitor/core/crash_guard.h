// What the monitor does when it crashes: it gives the board its own fan
// control back and silences the speaker, so that no fan stays at a fixed low
// speed behind it, and then ends the process with the exception's code.
#pragma once

#include <atomic>
#include <cstdint>

// Installs the process's unhandled-exception filter; called by the main
// thread at start.
void InstallCrashGuard();

// The part a faulting thread plays: the first one gives the board back and
// ends the process; a fault of that same thread while it does so (the ports
// or the lock are gone) ends the process at once; any other thread waits
// until the first has ended the process, so that no two guards end each other.
enum class CrashGuardRole { GiveBoardBack, EndAtOnce, WaitForTheFirst };

// Claims the guard for the thread (ids are never 0); owner holds the first
// claimant, 0 before any.
CrashGuardRole ClaimCrashGuard(std::atomic<uint32_t>& owner, uint32_t thread);
