// The only door to the machine's I/O ports. The shipped programs implement it
// with the processor's in/out instructions (port_io_x86.cpp); the simulator
// build and the tests implement it on the simulated board.
#pragma once

#include <cstdint>

uint8_t PortIn8(uint16_t port);
void PortOut8(uint16_t port, uint8_t value);
