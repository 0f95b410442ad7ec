// What the monitor does when it crashes: it gives the board its own fan
// control back and silences the speaker before the process ends, so that no
// fan stays at a fixed low speed behind it.
#pragma once

// Installs the process's unhandled-exception filter; called by the main
// thread at start.
void InstallCrashGuard();
