// Reading the simulated board's port journal as register accesses, for tests
// that assert what the program did to the chip and in which order.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <vector>

#include "monitor/settings/monitor_config.h"
#include "monitor/hw/chip.h"
#include "sim/board_store.h"
#include "sim/board_store_local.h"

struct RegisterAccess {
    bool write;
    uint8_t reg;
    uint8_t value;
    bool operator==(const RegisterAccess& other) const
    {
        return write == other.write && reg == other.reg && value == other.value;
    }
};

inline RegisterAccess R(uint8_t reg, uint8_t value) { return {false, reg, value}; }
inline RegisterAccess W(uint8_t reg, uint8_t value) { return {true, reg, value}; }

// Index-port writes followed by data-port accesses, in order; a data access
// without a preceding index write would show up with the stale index.
inline std::vector<RegisterAccess> RegisterAccesses()
{
    const SimBoard& board = SimBoardInstance();
    std::vector<RegisterAccess> accesses;
    uint8_t index = board.index;
    for (uint32_t i = 0; i < SimJournalKept(board); ++i) {
        const SimPortAccess& a = SimJournalEntry(board, i);
        if (a.port == ChipIndexPort && a.isWrite) index = a.value;
        if (a.port == ChipDataPort) accesses.push_back({a.isWrite != 0, index, a.value});
    }
    return accesses;
}

inline std::vector<RegisterAccess> RegisterWrites()
{
    std::vector<RegisterAccess> writes;
    for (const RegisterAccess& a : RegisterAccesses())
        if (a.write) writes.push_back(a);
    return writes;
}

inline void ApplyScenario(const char* text)
{
    char error[120];
    SimApplyScenario(SimBoardInstance(), text, error, sizeof error);
}

inline void ClearJournal()
{
    SimClearJournal(SimBoardInstance());
}

// A fresh board, fresh settings and a process that has saved nothing yet.
inline void StartFresh()
{
    SimResetLocalBoard();
    monitorConfig = InitialMonitorConfig();
    savedFanControl = {};
    ApplyScenario("noise = 0");
}

inline std::ostream& operator<<(std::ostream& out, const RegisterAccess& a)
{
    char text[32];
    snprintf(text, sizeof text, "%s %02X=%02X", a.write ? "W" : "R", a.reg, a.value);
    return out << text;
}
