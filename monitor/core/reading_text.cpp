#include "monitor/core/reading_text.h"

#include "common/runtime/format.h"
#include "monitor/hw/chip.h"

void FormatTemperature(char* text, size_t size, int32_t celsius, int32_t celsiusScale)
{
    const int32_t shown = celsiusScale ? celsius : CelsiusToFahrenheit(celsius);
    // Three digits, the sign beside them.
    FormatText(text, size, "%0*do%c", shown >= 0 ? 3 : 4, shown, celsiusScale ? 'C' : 'F');
}

void FormatFanSpeed(char* text, size_t size, int32_t rpm)
{
    FormatText(text, size, "%05d ", rpm);
}

void FormatVoltage(char* text, size_t size, int32_t millivolts)
{
    const int32_t magnitude = millivolts >= 0 ? millivolts : -millivolts;
    FormatText(text, size, "%s%2d.%02dV", millivolts >= 0 ? "" : "-", magnitude / 1000, magnitude % 1000 / 10);
}

int32_t VoltageMillivolts(double volts)
{
    return static_cast<int32_t>(volts * 1000);
}

int32_t NearestTenthInHundredths(int32_t millivolts)
{
    return (millivolts + 50) / 100 * 10;
}
