// The rules of a fan page that need no window: the five temperature limits
// and the three PWM levels stay in ascending order, whichever one the user
// moves, and temperatures are shown in the display scale but stored in
// degrees Celsius.
#pragma once

#include <cstdint>

// A slider that an ordering rule moved, and where to.
struct SliderMove {
    int slider;
    int32_t position;
};

// After the limit of slider k changed in workTemp: lower limits above it
// come down to it (from k-1 down to 0), higher limits below it go up to it
// (from k+1 up to 4). The moved slider itself never gives way. Returns the
// number of moves written (at most 4).
int OrderTemperatureLimits(int32_t workTemp[5], int k, SliderMove moves[4]);

// The same for the three PWM levels, whose positions are the sliders'
// (already within their range). Returns the number of moves (at most 2).
int OrderPwmLevels(int32_t positions[3], int k, SliderMove moves[2]);

int32_t ToDisplayTemperature(int32_t celsius, int32_t celsiusScale);
int32_t ToStoredTemperature(int32_t shown, int32_t celsiusScale);
