// The QX7305 environment controller: register access, initialisation, save
// and restore of the board's fan control, and sensor readout in engineering
// units. Every register access goes through ReadChipRegister and
// WriteChipRegister, inside a ChipGroup that holds the lock other programs
// share (chip_lock.h); every operation below takes its groups itself. All of
// it runs on the main thread, except the restore of a crashing process.
// A reading that finds the chip held by another program in a cycle or a
// paint returns the input's previous reading, until that would be too old
// (chip_lock.h).
#pragma once

#include <array>
#include <cstdint>

#include "monitor/hw/chip_registers.h"

uint8_t ReadChipRegister(uint8_t reg);
void WriteChipRegister(uint8_t reg, uint8_t value);

// Row fanMap gives the temperature register of channels 0, 1, 2.
constexpr std::array<std::array<uint8_t, 3>, 6> TemperatureRegisterTable = {{
    {0x29, 0x2A, 0x2B},
    {0x29, 0x2B, 0x2A},
    {0x2A, 0x29, 0x2B},
    {0x2B, 0x29, 0x2A},
    {0x2A, 0x2B, 0x29},
    {0x2B, 0x2A, 0x29},
}};

// fanMap selects a row of the six-row tables; a value outside them falls back
// to the first row rather than reading past the table.
inline int FanMapRow(int32_t fanMap)
{
    return fanMap >= 0 && fanMap < 6 ? fanMap : 0;
}

// The board's own fan control, registers 0x13..0x17, as found at the first
// initialisation of the process.
struct SavedFanControl {
    uint8_t value[5];
    bool saved;
};
extern SavedFanControl savedFanControl;

// The latest readings of the monitoring cycle, per channel.
struct SensorSnapshot {
    int32_t temperature;  // degrees Celsius
    int32_t fanSpeed;     // RPM, 0 = stopped or no valid count
};
extern SensorSnapshot sensorSnapshot[3];

void InitChip();
void SaveFanControlRegisters();
void RestoreFanControlRegisters();
void SetFanControlFlag();
int ClearCaseOpen();
int ReadCaseOpen();
int32_t ReadTemperature(int channel, int32_t fanMap);
// The reading input (chip_lock.h) behind a channel's temperature.
int TemperatureInputOf(int channel, int32_t fanMap);
int32_t ReadFanSpeed(uint8_t countRegister);
double ReadVoltage(uint8_t reg);
// False until a read of the input has reached the chip: until then
// ReadVoltage answers 0 V, which is no reading at all.
bool VoltageReadingTaken(uint8_t reg);

// Whole degrees to the nearest whole degree of the other scale, below zero
// as above it.
int32_t CelsiusToFahrenheit(int32_t celsius);
int32_t FahrenheitToCelsius(int32_t fahrenheit);
