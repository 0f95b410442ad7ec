#include "monitor/hw/chip.h"

#include "monitor/hw/port_io.h"
#include "monitor/settings/monitor_config.h"

SavedFanControl savedFanControl;
SensorSnapshot sensorSnapshot[3];

namespace {

constexpr uint8_t SuperIoEntryKey[4] = {0x87, 0x01, 0x55, 0x55};
constexpr uint8_t FirstFanControlRegister = 0x13;

void SetRegisterBits(uint8_t reg, uint8_t bits)
{
    WriteChipRegister(reg, static_cast<uint8_t>(ReadChipRegister(reg) | bits));
}

}  // namespace

uint8_t ReadChipRegister(uint8_t reg)
{
    PortOut8(ChipIndexPort, reg);
    return PortIn8(ChipDataPort);
}

void WriteChipRegister(uint8_t reg, uint8_t value)
{
    PortOut8(ChipIndexPort, reg);
    PortOut8(ChipDataPort, value);
}

void InitChip()
{
    for (uint8_t key : SuperIoEntryKey) PortOut8(SuperIoConfigPort, key);
    SaveFanControlRegisters();
    SetRegisterBits(0x00, 0x01);
    SetRegisterBits(0x14, 0x80);
    SetRegisterBits(0x5C, 0x80);
    WriteChipRegister(0x59, 0x56);
    SetRegisterBits(0x00, 0x01);
    SetRegisterBits(0x13, 0x70);
    WriteChipRegister(0x50, 0xFF);
    if (monitorConfig.tempSensorSetup != 0)
        WriteChipRegister(0x51, static_cast<uint8_t>(monitorConfig.tempSensorSetup));
    ClearCaseOpen();
}

void SaveFanControlRegisters()
{
    if (savedFanControl.saved) return;
    for (int i = 0; i < 5; ++i) savedFanControl.value[i] = ReadChipRegister(static_cast<uint8_t>(FirstFanControlRegister + i));
    savedFanControl.saved = true;
}

void RestoreFanControlRegisters()
{
    for (int i = 0; i < 5; ++i) WriteChipRegister(static_cast<uint8_t>(FirstFanControlRegister + i), savedFanControl.value[i]);
}

void SetFanControlFlag()
{
    SetRegisterBits(0x14, 0x80);
}

int ClearCaseOpen()
{
    SetRegisterBits(0x00, 0x20);
    return ReadCaseOpen();
}

int ReadCaseOpen()
{
    return (ReadChipRegister(0x01) & 0x10) ? 1 : 0;
}

int32_t ReadTemperature(int channel, int32_t fanMap)
{
    const uint8_t raw = ReadChipRegister(TemperatureRegisterTable[FanMapRow(fanMap)][channel]);
    return static_cast<int8_t>(raw);
}

int32_t ReadFanSpeed(uint8_t countRegister)
{
    if (countRegister < 0x0D || countRegister > 0x0F) return 0;
    const int32_t count = ReadChipRegister(countRegister);
    int32_t divisor = 2;
    if (countRegister != 0x0F) {
        const uint8_t divisorBits = ReadChipRegister(0x0B);
        const int exponent = countRegister == 0x0D ? (divisorBits & 0x07) : ((divisorBits >> 3) & 0x07);
        divisor = 1 << exponent;
    }
    if (count * divisor == 0 || count == 255) return 0;
    return 1350000 / (count * divisor);
}

double ReadVoltage(uint8_t reg)
{
    // The converter step and two of the scaling factors are single-precision
    // constants; their exact float values are part of the readings.
    constexpr float Step = 0.016f;
    if (reg == BatteryVoltageRegister) SetRegisterBits(0x00, 0x40);
    const double v = ReadChipRegister(reg) * static_cast<double>(Step);
    switch (reg) {
    case 0x21: return v * 0.75 * static_cast<double>(1.68f) * 2.4 * 1.3;
    case 0x22:
        return (v + (v - static_cast<double>(4.096f)) * static_cast<double>(100.0f) * static_cast<double>(0.04f)) * 0.75;
    default: return v;
    }
}

namespace {

// numerator / denominator to the nearest whole number, rounded the same way
// on both sides of zero (neither 5 nor 9 leaves a half). Wide enough for any
// stored limit, however odd.
int32_t DivideRounded(int64_t numerator, int64_t denominator)
{
    const int64_t half = denominator / 2;
    return static_cast<int32_t>((numerator >= 0 ? numerator + half : numerator - half) / denominator);
}

}  // namespace

int32_t CelsiusToFahrenheit(int32_t celsius)
{
    return DivideRounded(9 * static_cast<int64_t>(celsius) + 160, 5);
}

int32_t FahrenheitToCelsius(int32_t fahrenheit)
{
    return DivideRounded(5 * static_cast<int64_t>(fahrenheit) - 160, 9);
}
