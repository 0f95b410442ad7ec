// Which Windows family a program runs on, from GetVersion's result: the top
// bit is set on the 95/98 family and clear on the NT family. Everything that
// differs between the families follows from this one decision.
#pragma once

#include <cstdint>

enum class WindowsFamily { Nt, Windows9x };

inline bool IsWindows9xFamily(uint32_t version)
{
    return version >= 0x80000000u;
}

inline WindowsFamily FamilyOfVersion(uint32_t version)
{
    return IsWindows9xFamily(version) ? WindowsFamily::Windows9x : WindowsFamily::Nt;
}
