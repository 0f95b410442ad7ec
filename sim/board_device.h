// The port driver's device on the simulated board, kept the way the NT I/O
// manager keeps a legacy driver's device: opening it grants the opener the
// ports until the driver goes; a handle lives until its process ends (the
// monitor never closes its own); a stop of the driver makes the device
// refuse every new open at once, but unloads the driver, which revokes every
// grant, only once no handle on the device is left.
#pragma once

#include "sim/board.h"

// One step of a stop of the driver, as the service control manager asks for
// it: true once the driver is unloaded (or was not loaded); false while a
// process still holds the device, and the stop waits.
bool SimStopDriver(SimBoard& board);
