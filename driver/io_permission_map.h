#pragma once
// The I/O permission map the port driver hands to the processor: one bit per
// port for all 65536 ports, bit clear = the port instruction is allowed in
// user mode, bit set = it faults. Plain logic, shared by the driver and the
// unit tests.
#include <stddef.h>
#include <stdint.h>

constexpr size_t IoPermissionMapBytes = 65536 / 8;

// The only ports a process that opened the device may use, all 8 bits wide:
// what the monitor's chip, Super I/O and speaker code touch.
constexpr uint16_t GrantedPorts[] = {
    0x2E,   // Super I/O configuration port: entry key
    0x42,   // speaker timer, channel 2
    0x43,   // speaker timer, mode register
    0x61,   // speaker gate
    0x295,  // environment controller, index
    0x296,  // environment controller, data
};

// Every port closed: what a revoked grant leaves.
void CloseIoPermissionMap(uint8_t (&map)[IoPermissionMapBytes]);

// Every port closed but the granted ones.
void BuildIoPermissionMap(uint8_t (&map)[IoPermissionMapBytes]);

bool IoPermissionMapAllows(const uint8_t (&map)[IoPermissionMapBytes], uint16_t port);
