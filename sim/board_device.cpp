#include "monitor/hw/port_access.h"
#include "sim/board_store.h"

// The simulated board stands in for the port-access driver's device: it opens
// only while the scenario says the driver is running.
uint32_t OpenPortDevice()
{
    return SimBoardInstance().driverState == SimDriverRunning ? 0 : ERROR_FILE_NOT_FOUND;
}
