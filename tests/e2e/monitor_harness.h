// Driving the simulator build of the monitor: this test process owns the
// simulated board (it creates the shared section first), starts the monitor,
// and runs monitoring cycles deterministically by sending WM_TIMER.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "sim/board_store.h"
#include "tests/e2e/harness.h"

// Base voltages that match the simulated board's rails, as a board maker's
// install.ini sets them: VCore's is fixed rather than learned.
constexpr const char* BoardBases = "180,1200,-1200,330,250,180,150,150";
// The fan curve the installer writes for each fan without an install.ini:
// automatic mode, the alarm at its Over limit of 75 C.
constexpr const char* InstallerFan = "1,25,35,45,60,75,90,100,110,90";

// Whether another process holds the programs' shared chip lock.
bool ChipLockTaken();

// Installs and starts the stand-in service (tests/e2e/tools) under the port
// driver's service name "hwpio"; stopping it stops the simulated driver.
void RunServiceInTheDriversPlace();

// The reading log's header line (without its line end) for these titles.
std::string LogHeader(const char* secondTemperature = "System (C)", const char* secondFan = "System fan (RPM)");
// Columns of a line of the reading log.
constexpr size_t TemperatureAlarmColumn = 16, FanStallColumn = 20;

std::vector<std::string> Split(const std::string& text, const std::string& separator);

// How the monitor's window is while another program acts on it.
enum class WindowState { Shown, Hidden, Minimised, OptionsOpen };
// Its name, for a screenshot or the case of a test over window states.
inline const char* WindowStateName(WindowState state)
{
    constexpr const char* Names[] = {"Shown", "Hidden", "Minimised", "OptionsOpen"};
    return Names[static_cast<int>(state)];
}
inline std::string WindowStateCase(const ::testing::TestParamInfo<WindowState>& test)
{
    return WindowStateName(test.param);
}

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts KelvimonSim.exe (or the copy of it at exePath) and waits for its
    // main window ("" when none is expected, e.g. when a message box is
    // expected instead).
    void StartMonitor(const std::string& arguments = "", bool expectWindow = true, const std::string& exePath = "");
    // The same with the window shown, hidden from the start ("HIDE") or
    // minimised; with the Options sheet open on its first page, whose window
    // is returned.
    HWND StartMonitorIn(WindowState state);
    // Ends the monitor the way the user does (its close box) and waits.
    void CloseMonitor();

    // The reading log at path, a line every second.
    void UseLog(const std::string& path, const char* sizeKb = "");
    // Its lines; a last line without its CR LF stays a line.
    std::vector<std::string> LogLines();

    // Changes the board as a scenario line would.
    void Board(const char* lines);
    SimBoard& board() { return SimBoardInstance(); }
    // Tones begun on the simulated speaker so far.
    uint32_t ToneCount();
    // Settings for the next start: the speaker tune on, the CPU's alarm from
    // 75 C; and the CPU at 40 C.
    void PrepareCpuAlarm();
    // Heats the CPU to 95 C: whether the alarm sounds within 6 s, as the
    // monitor's own timer runs it.
    bool AlarmSoundsWhenTheCpuOverheats();
    // Registers 0x13..0x17, which the monitor programs and gives back.
    std::vector<int> FanControlRegisters();

    // One monitoring cycle; returns once it has run (or waits for the shell).
    void RunCycle();
    // Cycles run so far (each begins by setting bit 7 of register 0x14).
    uint32_t CyclesRun();
    // Waits until the monitor's own timer has just run a cycle, so that the
    // next second belongs to the test.
    void WaitForTimerCycle();
    // Whether the notification area shows the icon it showed at start (the
    // normal one), read from its pixels once the shell has redrawn it.
    bool ShowsNormalIcon();
    // Whether the cycles run so far have put the normal icon back, given the
    // shell as long as it takes (a busy machine redraws it late).
    bool ReturnsToNormalIcon();
    // The icon taken only while no cycle runs, with the number of cycles run
    // when it was taken. Cycles after the first quietCycles are alarm cycles,
    // each inverting the icon; the shell is given time to show the inversion
    // of the last one.
    bool ShowsNormalIconAfter(uint32_t* cycles, uint32_t quietCycles = 0);

    // The Options sheet, opened with the panel's Option button (posted: the
    // sheet is modal and the click returns only when it closes).
    HWND OpenOptions();
    std::vector<std::string> SheetTabTitles(HWND sheet);
    HWND CurrentPage(HWND sheet);
    bool SheetIsOpen();
    // Clicks a button of a page the way the mouse does.
    void ClickButton(HWND page, int id);
    // What a drag of a page's slider to a position sends to the page
    // (scroll is WM_HSCROLL or WM_VSCROLL).
    void Drag(HWND page, int id, int32_t position, UINT scroll);
    // OK, Apply, Cancel or Help (PSBTN_*); returns when the sheet has done it.
    void PressSheetButton(HWND sheet, int button);
    // OK or Cancel, and the sheet is gone.
    void CloseSheetWith(HWND sheet, int button)
    {
        PressSheetButton(sheet, button);
        EXPECT_TRUE(WaitUntil([&] { return !SheetIsOpen(); }, 5000)) << "the sheet stays open";
    }

    // A bitmap of the monitor's panel art, loaded once per test.
    const Pixels& Strip(int id);
    // Whether the panel shows the text at (x, y) in the cells of a value
    // strip, the sign cell left of x included.
    bool ValueTextIs(const Pixels& panel, int x, int y, const char* text, int strip);

    Program monitor;
    HWND window = nullptr;
    std::string logPath;
    Pixels normalTray;
    std::map<int, Pixels> strips;
};
