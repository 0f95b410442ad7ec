#include "monitor/hw/chip.h"

#include "monitor/hw/chip_lock.h"
#include "monitor/hw/port_io.h"
#include "monitor/settings/monitor_config.h"

SavedFanControl savedFanControl;
SensorSnapshot sensorSnapshot[3];

namespace {

// What each input read last: a reading group that misses the shared lock
// answers with it.
struct LastReadings {
    int32_t temperature[3];  // registers 0x29..0x2B
    int32_t fanSpeed[3];
    double voltage[8];
    int caseOpen;
};
LastReadings last;

// Read-modify-write inside a group the caller holds.
void OrRegister(uint8_t reg, uint8_t bits)
{
    WriteChipRegister(reg, static_cast<uint8_t>(ReadChipRegister(reg) | bits));
}

void SetRegisterBits(uint8_t reg, uint8_t bits, ChipGroupKind kind = ProgrammingGroup)
{
    ChipGroup group(kind);
    if (group.Granted()) OrRegister(reg, bits);
}

void WriteRegister(uint8_t reg, uint8_t value)
{
    ChipGroup group(ProgrammingGroup);
    WriteChipRegister(reg, value);
}

void SendSuperIoEntryKey()
{
    ChipGroup group(ProgrammingGroup);
    for (uint8_t key : SuperIoEntryKey) PortOut8(SuperIoConfigPort, key);
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
    SendSuperIoEntryKey();
    SaveFanControlRegisters();
    SetRegisterBits(RegConfiguration, ConfigStartMonitoring);
    SetRegisterBits(RegFanControlFlags, FanControlEnable);
    SetRegisterBits(RegInitEnable, InitEnable);
    WriteRegister(RegInitMode, InitModeValue);
    SetRegisterBits(RegConfiguration, ConfigStartMonitoring);
    SetRegisterBits(RegFanControlMain, FanTachEnableAll);
    WriteRegister(RegInitMask, InitMaskAll);
    if (monitorConfig.tempSensorSetup != 0)
        WriteRegister(RegTemperatureSensorSetup, static_cast<uint8_t>(monitorConfig.tempSensorSetup));
    ClearCaseOpen();
}

void SaveFanControlRegisters()
{
    if (savedFanControl.saved) return;
    ChipGroup group(ProgrammingGroup);
    for (int i = 0; i < BoardFanRegisterCount; ++i)
        savedFanControl.value[i] = ReadChipRegister(static_cast<uint8_t>(FirstBoardFanRegister + i));
    savedFanControl.saved = true;
}

void RestoreFanControlRegisters()
{
    // Before the first initialisation there is nothing to give back.
    if (!savedFanControl.saved) return;
    ChipGroup group(ProgrammingGroup);
    for (int i = 0; i < BoardFanRegisterCount; ++i)
        WriteChipRegister(static_cast<uint8_t>(FirstBoardFanRegister + i), savedFanControl.value[i]);
}

void SetFanControlFlag()
{
    SetRegisterBits(RegFanControlFlags, FanControlEnable, PassWritingGroup);
}

int ClearCaseOpen()
{
    SetRegisterBits(RegConfiguration, ConfigClearCaseOpen);
    return ReadCaseOpen();
}

int ReadCaseOpen()
{
    ChipGroup group(ReadingGroup, CaseInput);
    if (group.Granted()) last.caseOpen = (ReadChipRegister(RegCaseStatus) & CaseOpened) ? 1 : 0;
    return last.caseOpen;
}

int TemperatureInputOf(int channel, int32_t fanMap)
{
    return TemperatureInput + TemperatureRegisterTable[FanMapRow(fanMap)][channel] - TemperatureRegisterTable[0][0];
}

int32_t ReadTemperature(int channel, int32_t fanMap)
{
    const uint8_t reg = TemperatureRegisterTable[FanMapRow(fanMap)][channel];
    const int input = TemperatureInputOf(channel, fanMap);
    int32_t& reading = last.temperature[input - TemperatureInput];
    ChipGroup group(ReadingGroup, input);
    if (group.Granted()) reading = static_cast<int8_t>(ReadChipRegister(reg));
    return reading;
}

int32_t ReadFanSpeed(uint8_t countRegister)
{
    if (countRegister < FanCountRegister[0] || countRegister > FanCountRegister[2]) return 0;
    const int fan = countRegister - FanCountRegister[0];
    int32_t& reading = last.fanSpeed[fan];
    ChipGroup group(ReadingGroup, FanInput + fan);
    if (!group.Granted()) return reading;
    const int32_t count = ReadChipRegister(countRegister);
    int32_t divisor = Fan2Divisor;
    if (countRegister != FanCountRegister[2]) {
        const uint8_t divisorBits = ReadChipRegister(RegFanDivisor);
        const int shift = countRegister == FanCountRegister[0] ? 0 : Fan1DivisorShift;
        divisor = 1 << ((divisorBits >> shift) & FanDivisorExponentMask);
    }
    reading = count * divisor == 0 || count == FanCountStopped ? 0 : 1350000 / (count * divisor);
    return reading;
}

double ReadVoltage(uint8_t reg)
{
    // The converter step and two of the scaling factors are single-precision
    // constants; their exact float values are part of the readings.
    constexpr float Step = 0.016f;
    const int channel = reg - VoltageRegisterBase;
    if (channel < 0 || channel >= 8) return 0;
    // The battery is sampled for this read; the sample and the read belong
    // together, and without the lock neither happens.
    const bool battery = reg == BatteryVoltageRegister;
    ChipGroup group(battery ? PassWritingGroup : ReadingGroup, RailInput + channel);
    if (!group.Granted()) return last.voltage[channel];
    if (battery) OrRegister(RegConfiguration, ConfigSampleBattery);
    const double v = ReadChipRegister(reg) * static_cast<double>(Step);
    double& volts = last.voltage[channel];
    switch (reg) {
    case RegHighRangeVoltage: volts = v * 0.75 * static_cast<double>(1.68f) * 2.4 * 1.3; break;
    case RegNegativeVoltage:
        volts = (v + (v - static_cast<double>(4.096f)) * static_cast<double>(100.0f) * static_cast<double>(0.04f)) * 0.75;
        break;
    default: volts = v; break;
    }
    return volts;
}

bool VoltageReadingTaken(uint8_t reg)
{
    const int channel = reg - VoltageRegisterBase;
    return channel >= 0 && channel < 8 && AgeOfReading(RailInput + channel).taken;
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
