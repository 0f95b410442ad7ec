#include "monitor/ui/fan_page_rules.h"

#include "monitor/hw/chip.h"

int OrderTemperatureLimits(int32_t workTemp[5], int k, SliderMove moves[4])
{
    int count = 0;
    for (int j = k - 1; j >= 0; --j) {
        if (workTemp[j] > workTemp[j + 1]) {
            workTemp[j] = workTemp[j + 1];
            moves[count++] = {j, workTemp[j]};
        }
    }
    for (int j = k; j <= 3; ++j) {
        if (workTemp[j] > workTemp[j + 1]) {
            workTemp[j + 1] = workTemp[j];
            moves[count++] = {j + 1, workTemp[j + 1]};
        }
    }
    return count;
}

int OrderPwmLevels(int32_t positions[3], int k, SliderMove moves[2])
{
    int count = 0;
    for (int j = k - 1; j >= 0; --j) {
        if (positions[j] > positions[j + 1]) {
            positions[j] = positions[j + 1];
            moves[count++] = {j, positions[j]};
        }
    }
    for (int j = k + 1; j <= 2; ++j) {
        if (positions[j] < positions[j - 1]) {
            positions[j] = positions[j - 1];
            moves[count++] = {j, positions[j]};
        }
    }
    return count;
}

int32_t ToDisplayTemperature(int32_t celsius, int32_t celsiusScale)
{
    return celsiusScale ? celsius : CelsiusToFahrenheit(celsius);
}

int32_t ToStoredTemperature(int32_t shown, int32_t celsiusScale)
{
    return celsiusScale ? shown : FahrenheitToCelsius(shown);
}
