// Programming the chip's three fan outputs from their FanProfile records:
// automatic mode (the chip follows a temperature input through five limits
// and three PWM levels) or software programmable mode (a fixed PWM value).
#pragma once

#include <array>
#include <cstdint>

constexpr int FanModeSoftware = 1;
constexpr int FanModeAutomatic = 2;

// Row fanMap gives the PWM control value of fan outputs 0, 1, 2 in automatic
// mode: 0x80 plus the temperature input the output follows, always the input
// that the panel shows as the same channel.
constexpr std::array<std::array<uint8_t, 3>, 6> PwmControlTable = {{
    {0x80, 0x81, 0x82},
    {0x80, 0x82, 0x81},
    {0x81, 0x80, 0x82},
    {0x82, 0x80, 0x81},
    {0x81, 0x82, 0x80},
    {0x82, 0x81, 0x80},
}};

void ProgramFan(int fan, int mode, int32_t fanMap);
void ProgramAllFans();

// How often a fan output has been programmed in this process, and when last
// (on the chip lock's clock): a fan just programmed may still be spinning up.
struct FanProgramming {
    uint32_t count;
    uint32_t atMs;
};
FanProgramming LastFanProgramming(int fan);
