// Driving the simulator build of the monitor: this test process owns the
// simulated board (it creates the shared section first), starts the monitor,
// and runs monitoring cycles deterministically by sending WM_TIMER.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "sim/board_store.h"
#include "tests/e2e/harness.h"

// Base voltages that match the simulated board's rails, as a board maker's
// install.ini sets them; the built-in bases fit no board's plain inputs.
constexpr const char* BoardBases = "180,1200,-1200,330,250,180,150,150";

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts KelvimonSim.exe and waits for its main window ("" when none is
    // expected, e.g. when a message box is expected instead).
    void StartMonitor(const std::string& arguments = "", bool expectWindow = true);
    // Ends the monitor the way the user does (its close box) and waits.
    void CloseMonitor();

    // Changes the board as a scenario line would.
    void Board(const char* lines);
    SimBoard& board() { return SimBoardInstance(); }

    // One monitoring cycle, run synchronously.
    void RunCycle();
    // Cycles run so far (each begins by setting bit 7 of register 0x14).
    uint32_t CyclesRun();
    // Waits until the monitor's own timer has just run a cycle, so that the
    // next second belongs to the test.
    void WaitForTimerCycle();
    // Whether the notification area shows the icon it showed at start (the
    // normal one), read from its pixels once the shell has redrawn it.
    bool ShowsNormalIcon();
    // The same, taken only while no cycle runs; with the number of cycles
    // run when it was taken.
    bool ShowsNormalIconAfter(uint32_t* cycles);

    Program monitor;
    HWND window = nullptr;
    Pixels normalTray;
};
