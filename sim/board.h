// The simulated QX7305 board: everything the monitor reads and writes on its
// I/O ports, modelled closely enough that the programs cannot tell it from a
// real board, and observable enough that tests can check every access.
//
// The record is plain data of fixed size so that it can live in a named
// shared-memory section on Windows, where the monitor, the test driver and
// boardctl all see the same board. No pointers, no constructors.
//
// Model, as the monitor sees it through ports 0x295 (index) / 0x296 (data):
//  - Register 0x00 bit 5 written as 1 clears the case-open latch; bit 6
//    written as 1 samples the battery input into register 0x23. Both bits
//    clear themselves.
//  - Register 0x01 bit 4 is the case-open latch. It is set while the case is
//    open (the intrusion input is level-sensitive), so clearing it with the
//    case still open has no lasting effect.
//  - Registers 0x0D..0x0F hold 1350000 / (rpm x divisor), with divisor
//    2^(0x0B bits 0-2) for fan 0, 2^(0x0B bits 3-5) for fan 1 and a fixed 2
//    for fan 2; a stopped fan, a count that does not fit, or a tachometer
//    input that is not enabled (0x13 bit 4+n clear) reads 255.
//  - Registers 0x20..0x27 are the raw voltage inputs (16 mV per count at
//    the pin); 0x29..0x2B the three temperature inputs, two's complement.
//  - Fan output n runs at full duty unless 0x13 bit n enables its PWM. With
//    PWM enabled, 0x15+n bit 7 clear is software mode (duty = bits 0-6 of
//    127). Bit 7 set is automatic mode following temperature input
//    (bits 0-1): below limit 0 ("Off") the fan stops, at limit 1 ("On") it
//    starts again (hysteresis in between), from limit 1, 2, 3 it runs at
//    PWM level 0, 1, 2, and from limit 4 ("Over") at full duty. Limits are
//    0x60+8n..0x64+8n (signed), levels 0x65+8n..0x67+8n. The automatic
//    controller works only while 0x14 bit 7 is set; otherwise such a fan
//    runs at full duty.
//  - A fan's speed is its full speed x duty / 127; below duty 12 it stalls.
//
// Port 0x2E takes the Super I/O entry key; ports 0x43/0x42 program timer
// channel 2 and port 0x61 bits 0-1 gate it to the speaker. Every tone that
// sounds is logged with its frequency and its start and end time.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

constexpr uint32_t SimBoardMagic = 0x42565351;  // "QSVB"
constexpr uint32_t SimJournalSize = 8192;
constexpr uint32_t SimToneLogSize = 512;
constexpr uint32_t SimToneSounding = 0xFFFFFFFFu;  // endMs of a tone still sounding
constexpr uint32_t SimTimerClockHz = 1193180;

enum SimDriverState : uint32_t { SimDriverRunning = 0, SimDriverStopped = 1, SimDriverAbsent = 2 };
constexpr uint32_t SimDeviceHolderSlots = 8;

struct SimPortAccess {
    uint16_t port;
    uint8_t value;
    uint8_t isWrite;
    uint32_t timeMs;
    uint32_t source;  // the process that made it (0 on a process-local board)
};

struct SimTone {
    uint32_t frequencyHz;
    uint32_t divisor;
    uint32_t startMs;
    uint32_t endMs;
};

// A temperature input follows base + swing x sin(2 pi t / period): a load
// pattern. A swing of 0 holds it steady.
struct SimTemperatureInput {
    int32_t base;
    int32_t swing;
    int32_t periodSeconds;
};

struct SimFan {
    int32_t fullSpeedRpm;
    int32_t stopped;  // seized or unplugged, whatever the duty
    int32_t running;  // automatic mode: on/off state between the Off and On limits
    int32_t pinnedCount;  // a tachometer count forced by the scenario, or -1
};

struct SimBoard {
    uint32_t magic;
    std::atomic<uint32_t> lock;
    uint32_t epochTick;  // the platform tick count at which the board started

    uint8_t index;  // last register number written to port 0x295
    uint8_t reg[256];

    uint32_t superIoKeyProgress;  // entry-key bytes matched so far
    uint32_t superIoConfigMode;
    uint32_t superIoWrites;

    SimTemperatureInput temperature[3];
    uint8_t voltageRaw[8];
    int32_t noise;  // 1: voltages wander by a count and fans ripple slightly
    SimFan fan[3];
    int32_t caseOpen;
    uint32_t driverState;
    // The port driver's device as the system keeps it (sim/board_device.h):
    // the processes that opened it, 0 in a free slot, and a stop of the
    // driver that waits for them.
    uint32_t deviceHolder[SimDeviceHolderSlots];
    uint32_t driverStopPending;

    uint8_t timerMode;
    uint8_t timerHighNext;
    uint8_t timerLow;
    uint8_t port61;
    uint32_t timerDivisor;
    SimTone tone[SimToneLogSize];
    uint32_t toneCount;

    // Set by boardctl: the next port read of a program on the shared board
    // raises an access violation, to show what a crash leaves behind.
    uint32_t faultRequested;

    SimPortAccess journal[SimJournalSize];
    uint32_t journalCount;  // entries ever journalled since the last clear
    uint64_t accessCount;   // port accesses ever made
};

// Puts the board into its power-on state with the built-in scenario. The
// magic is left for the owner of the record to set once it is ready.
void SimResetBoard(SimBoard& board, uint32_t epochTick);

// Port accesses of the program, journalled with their source. The caller
// holds the board lock.
uint8_t SimPortRead(SimBoard& board, uint16_t port, uint32_t nowMs, uint32_t source = 0);
void SimPortWrite(SimBoard& board, uint16_t port, uint8_t value, uint32_t nowMs, uint32_t source = 0);

// Whether the process opened the port driver's device and the driver has
// gone since, taking the ports it granted with it: the processor then
// refuses the process every port instruction.
bool SimPortsRevoked(const SimBoard& board, uint32_t source);

// What the board's inputs and outputs are doing at a moment.
int32_t SimTemperatureAt(const SimBoard& board, int input, uint32_t nowMs);
int32_t SimFanDuty(SimBoard& board, int fan, uint32_t nowMs);
int32_t SimFanRpm(SimBoard& board, int fan, uint32_t nowMs);
uint8_t SimFanCount(SimBoard& board, int fan, uint32_t nowMs);
uint8_t SimVoltageReading(const SimBoard& board, int channel, uint32_t nowMs);
int SimSpeakerSounding(const SimBoard& board);

// Physical events on the board.
void SimSetCaseOpen(SimBoard& board, int open);

// Volts at a voltage input as the board's input circuitry scales them, and
// back. Channel 1 is the high-range input, channel 2 the negative range.
double SimVoltsFromRaw(int channel, uint8_t raw);
uint8_t SimRawFromVolts(int channel, double volts);

void SimClearJournal(SimBoard& board);
const SimPortAccess& SimJournalEntry(const SimBoard& board, uint32_t i);  // i counts from the oldest kept
uint32_t SimJournalKept(const SimBoard& board);

// Scenario text: lines of "key = value", "#" starts a comment.
//   temp<n> = <celsius> [<swing> <period seconds>]     n = 0..2 (inputs 0x29..0x2B);
//                                                      -128..127, swing 0..255, period 1..86400
//   fan<n> = <full speed rpm> | stopped | running      rpm 0..1000000
//   fan<n>.count = <count> | auto                      pins the count register (a faulty sensor)
//   volt<n> = <volts>  |  volt<n>.raw = <count>        n = 0..7
//   noise = 0 | 1
//   case = open | closed
//   driver = running | stopped | absent
//   reg<hex> = <value>                                 any register, e.g. reg0B = 0x11
// Returns 1 when every line was understood; otherwise 0, with the first bad
// line described in error. Lines before a bad one stay applied.
int SimApplyScenario(SimBoard& board, const char* text, char* error, size_t errorSize);

// Serialises board access between the program's threads and other processes.
struct SimBoardLock {
    explicit SimBoardLock(SimBoard& board);
    ~SimBoardLock();
    SimBoardLock(const SimBoardLock&) = delete;
    SimBoardLock& operator=(const SimBoardLock&) = delete;
    SimBoard& board;
};
