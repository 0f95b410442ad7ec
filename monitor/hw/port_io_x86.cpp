#include "monitor/hw/port_io.h"

// 8-bit port I/O from user mode. On the 95/98 family this is allowed as is;
// on the NT family only after the port-access driver has granted it to the
// process (see port_access_win.cpp).
uint8_t PortIn8(uint16_t port)
{
    uint8_t value;
    __asm__ __volatile__("inb %w1, %b0" : "=a"(value) : "Nd"(port));
    return value;
}

void PortOut8(uint16_t port, uint8_t value)
{
    __asm__ __volatile__("outb %b0, %w1" : : "a"(value), "Nd"(port));
}
