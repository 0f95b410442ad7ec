#include "driver/io_permission_map.h"

// Written as plain loops with no library call: the driver links no C runtime.
void CloseIoPermissionMap(uint8_t (&map)[IoPermissionMapBytes])
{
    for (uint8_t& byte : map) byte = 0xFF;
}

void BuildIoPermissionMap(uint8_t (&map)[IoPermissionMapBytes])
{
    CloseIoPermissionMap(map);
    for (uint16_t port : GrantedPorts) map[port / 8] &= static_cast<uint8_t>(~(1u << (port % 8)));
}

bool IoPermissionMapAllows(const uint8_t (&map)[IoPermissionMapBytes], uint16_t port)
{
    return (map[port / 8] & (1u << (port % 8))) == 0;
}
