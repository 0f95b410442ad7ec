#include "monitor/hw/chip.h"

#include "monitor/hw/port_io.h"
#include "monitor/settings/monitor_config.h"

SavedFanControl savedFanControl;
SensorSnapshot sensorSnapshot[3];

namespace {

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
    SetRegisterBits(RegConfiguration, ConfigStartMonitoring);
    SetRegisterBits(RegFanControlFlags, FanControlEnable);
    SetRegisterBits(RegInitEnable, InitEnable);
    WriteChipRegister(RegInitMode, InitModeValue);
    SetRegisterBits(RegConfiguration, ConfigStartMonitoring);
    SetRegisterBits(RegFanControlMain, FanTachEnableAll);
    WriteChipRegister(RegInitMask, InitMaskAll);
    if (monitorConfig.tempSensorSetup != 0)
        WriteChipRegister(RegTemperatureSensorSetup, static_cast<uint8_t>(monitorConfig.tempSensorSetup));
    ClearCaseOpen();
}

void SaveFanControlRegisters()
{
    if (savedFanControl.saved) return;
    for (int i = 0; i < BoardFanRegisterCount; ++i)
        savedFanControl.value[i] = ReadChipRegister(static_cast<uint8_t>(FirstBoardFanRegister + i));
    savedFanControl.saved = true;
}

void RestoreFanControlRegisters()
{
    for (int i = 0; i < BoardFanRegisterCount; ++i)
        WriteChipRegister(static_cast<uint8_t>(FirstBoardFanRegister + i), savedFanControl.value[i]);
}

void SetFanControlFlag()
{
    SetRegisterBits(RegFanControlFlags, FanControlEnable);
}

int ClearCaseOpen()
{
    SetRegisterBits(RegConfiguration, ConfigClearCaseOpen);
    return ReadCaseOpen();
}

int ReadCaseOpen()
{
    return (ReadChipRegister(RegCaseStatus) & CaseOpened) ? 1 : 0;
}

int32_t ReadTemperature(int channel, int32_t fanMap)
{
    const uint8_t raw = ReadChipRegister(TemperatureRegisterTable[FanMapRow(fanMap)][channel]);
    return static_cast<int8_t>(raw);
}

int32_t ReadFanSpeed(uint8_t countRegister)
{
    if (countRegister < FanCountRegister[0] || countRegister > FanCountRegister[2]) return 0;
    const int32_t count = ReadChipRegister(countRegister);
    int32_t divisor = Fan2Divisor;
    if (countRegister != FanCountRegister[2]) {
        const uint8_t divisorBits = ReadChipRegister(RegFanDivisor);
        const int shift = countRegister == FanCountRegister[0] ? 0 : Fan1DivisorShift;
        divisor = 1 << ((divisorBits >> shift) & FanDivisorExponentMask);
    }
    if (count * divisor == 0 || count == FanCountStopped) return 0;
    return 1350000 / (count * divisor);
}

double ReadVoltage(uint8_t reg)
{
    // The converter step and two of the scaling factors are single-precision
    // constants; their exact float values are part of the readings.
    constexpr float Step = 0.016f;
    if (reg == BatteryVoltageRegister) SetRegisterBits(RegConfiguration, ConfigSampleBattery);
    const double v = ReadChipRegister(reg) * static_cast<double>(Step);
    switch (reg) {
    case RegHighRangeVoltage: return v * 0.75 * static_cast<double>(1.68f) * 2.4 * 1.3;
    case RegNegativeVoltage:
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
