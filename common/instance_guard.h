// One monitor per machine, whatever copy of the program it runs from and
// whichever user or session starts it: the monitor holds a named kernel
// object for its whole life, and the uninstaller looks for that object to
// know whether a monitor still runs somewhere it cannot see.
#pragma once

// Takes the guard for the life of the process; false when another monitor
// holds it (the handle is then not kept).
bool TakeMonitorInstanceGuard();

// Whether a monitor holds the guard, in any session of the machine.
bool MonitorInstanceGuardHeld();
