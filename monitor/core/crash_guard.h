// What the monitor does when it crashes: it gives the board its own fan
// control back and silences the speaker, so that no fan stays at a fixed low
// speed behind it, and then ends the process with the exception's code.
#pragma once

// Installs the process's unhandled-exception filter; called by the main
// thread at start.
void InstallCrashGuard();
