#include <gtest/gtest.h>

#include "driver/io_permission_map.h"

#include <vector>

namespace {

std::vector<uint16_t> AllowedPorts(const uint8_t (&map)[IoPermissionMapBytes])
{
    std::vector<uint16_t> allowed;
    for (uint32_t port = 0; port <= 0xFFFF; ++port)
        if (IoPermissionMapAllows(map, static_cast<uint16_t>(port))) allowed.push_back(static_cast<uint16_t>(port));
    return allowed;
}

TEST(IoPermissionMap, OpensExactlyTheSixPortsTheMonitorUses)
{
    uint8_t map[IoPermissionMapBytes];
    BuildIoPermissionMap(map);
    EXPECT_EQ(AllowedPorts(map), (std::vector<uint16_t>{0x2E, 0x42, 0x43, 0x61, 0x295, 0x296}));
}

TEST(IoPermissionMap, NeighboursAndPortsOnOtherBytesStayClosed)
{
    uint8_t map[IoPermissionMapBytes];
    BuildIoPermissionMap(map);
    // 0x2E/0x2F share a byte; 0x40/0x41 and 0x44..0x47 share one with the
    // timer ports; 0x294/0x297 sit beside the chip's pair; 0x80 is the POST
    // port; 0x2E + 0x100 and 0x8000 + 0x295 would come from a map indexed
    // with a truncated or wrapped port number.
    for (uint16_t port : {0x2D, 0x2F, 0x40, 0x41, 0x44, 0x47, 0x60, 0x62, 0x80, 0x12E, 0x294, 0x297, 0x395,
                          0x8295, 0xFFFF})
        EXPECT_FALSE(IoPermissionMapAllows(map, port)) << std::hex << port;
    EXPECT_EQ(map[IoPermissionMapBytes - 1], 0xFF);
}

TEST(IoPermissionMap, ClosingRevokesEveryPort)
{
    uint8_t map[IoPermissionMapBytes];
    BuildIoPermissionMap(map);
    CloseIoPermissionMap(map);
    EXPECT_TRUE(AllowedPorts(map).empty());
}

}  // namespace
