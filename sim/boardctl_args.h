// boardctl's command line, understood without any platform call.
#pragma once

#include <cstdint>

enum BoardctlAction {
    BoardctlStatus,   // status
    BoardctlSet,      // set LINE...
    BoardctlLoad,     // load FILE
    BoardctlReg,      // reg HEX [VALUE]
    BoardctlTones,    // tones
    BoardctlJournal,  // journal [N]
    BoardctlHold,     // hold MS: holds the programs' shared chip lock
    BoardctlHammer,   // hammer N: N register reads, each under the shared lock
    BoardctlFault,    // fault: the monitor's next port read raises an access violation
    BoardctlRhythm,   // rhythm cycles|busy MS: holds the shared lock in a rhythm for MS milliseconds
};

enum BoardctlRhythmKind {
    RhythmCycles,  // during every monitoring cycle, free for a paint between them
    RhythmBusy,    // 900 ms of every second, the monitoring cycles among them
};

struct BoardctlCommand {
    BoardctlAction action;
    int firstText;      // set: argv index of the first line; load: of the file
    uint8_t reg;
    bool writeValue;
    uint8_t value;
    uint32_t count;     // journal: entries; hammer: reads; hold, rhythm: milliseconds
    BoardctlRhythmKind rhythm;
};

constexpr uint32_t BoardctlDefaultJournal = 40;
constexpr uint32_t BoardctlLongestHoldMs = 600000;

// False when the words make no command (the usage applies). Numbers must be
// whole: a register in hexadecimal up to FF, a value up to 255 in decimal or
// with 0x, counts in decimal.
bool ParseBoardctlArguments(int argc, const char* const* argv, BoardctlCommand& command);
