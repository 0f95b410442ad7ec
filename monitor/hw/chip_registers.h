// The QX7305's ports, registers and bits as the monitor uses them, each named
// once. Every register is 8 bits wide and reached through the index port
// (register number) and the data port (value).
#pragma once

#include <cstdint>

// Ports.
constexpr uint16_t ChipIndexPort = 0x295;
constexpr uint16_t ChipDataPort = 0x296;
constexpr uint16_t SuperIoConfigPort = 0x2E;

// Written byte by byte to the Super I/O configuration port; nothing ever
// leaves the configuration mode it opens.
constexpr uint8_t SuperIoEntryKey[4] = {0x87, 0x01, 0x55, 0x55};

// Configuration.
constexpr uint8_t RegConfiguration = 0x00;
constexpr uint8_t ConfigStartMonitoring = 0x01;
constexpr uint8_t ConfigClearCaseOpen = 0x20;
constexpr uint8_t ConfigSampleBattery = 0x40;  // set before every read of BatteryVoltageRegister

constexpr uint8_t RegCaseStatus = 0x01;
constexpr uint8_t CaseOpened = 0x10;  // latched until cleared

// Fan tachometers: counts of fans 0, 1, 2 and the divisor exponents of the
// first two; fan 2 always counts with divisor 2.
constexpr uint8_t RegFanDivisor = 0x0B;
constexpr uint8_t FanDivisorExponentMask = 0x07;
constexpr int Fan1DivisorShift = 3;
constexpr int Fan2Divisor = 2;
constexpr uint8_t FanCountRegister[3] = {0x0D, 0x0E, 0x0F};
constexpr uint8_t FanCountStopped = 255;  // the count's maximum: no valid revolution

// Fan control. 0x13..0x17 are the board's own fan control, saved at the first
// initialisation and given back at the end.
constexpr uint8_t RegFanControlMain = 0x13;
constexpr uint8_t FanPwmEnableAll = 0x07;     // bits 0-2: PWM outputs 0, 1, 2
constexpr uint8_t FanTachEnableAll = 0x70;    // bits 4-6: tachometer inputs 0, 1, 2
constexpr uint8_t RegFanControlFlags = 0x14;
constexpr uint8_t FanControlEnable = 0x80;    // bit 7: the automatic controller runs
// Bit 7 set: automatic mode following temperature input bits 0-1 (the
// values of PwmControlTable); clear: software mode with the duty in bits 0-6.
constexpr uint8_t RegPwmControl[3] = {0x15, 0x16, 0x17};
constexpr uint8_t PwmValueMask = 0x7F;
constexpr uint8_t FirstBoardFanRegister = RegFanControlMain;
constexpr int BoardFanRegisterCount = 5;      // 0x13..0x17

// Inputs: eight voltages 0x20..0x27 (16 mV per count at the pin), three
// temperatures 0x29..0x2B (two's-complement degrees Celsius, read through
// TemperatureRegisterTable).
constexpr uint8_t VoltageRegisterBase = 0x20;
constexpr uint8_t RegHighRangeVoltage = 0x21;
constexpr uint8_t RegNegativeVoltage = 0x22;
constexpr uint8_t BatteryVoltageRegister = 0x23;

// Known to the monitor only as steps of the initialisation.
constexpr uint8_t RegInitMask = 0x50;
constexpr uint8_t InitMaskAll = 0xFF;
constexpr uint8_t RegTemperatureSensorSetup = 0x51;  // the TEMPCHAN value
constexpr uint8_t RegInitMode = 0x59;
constexpr uint8_t InitModeValue = 0x56;
constexpr uint8_t RegInitEnable = 0x5C;
constexpr uint8_t InitEnable = 0x80;

// Automatic-mode curve of fan output n: five temperature limits from
// 0x60 + 8n ("Off", "On", "Medium", "High", "Over") and three PWM levels from
// 0x65 + 8n.
constexpr uint8_t RegFanLimitBase = 0x60;
constexpr uint8_t RegFanLevelBase = 0x65;
constexpr int FanCurveStride = 8;
