// Which Windows family a program runs on, from GetVersion's result: the top
// bit is set on the 95/98 family and clear on the NT family.
#pragma once

#include <cstdint>

inline bool IsWindows9xFamily(uint32_t version)
{
    return version >= 0x80000000u;
}
