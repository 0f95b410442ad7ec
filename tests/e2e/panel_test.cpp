// The instrument panel, checked on its pixels: every cell the monitor draws
// is compared with the glyph cell of the bitmap it must come from.
#include "tests/e2e/monitor_harness.h"

#include <psapi.h>

#include <cstdio>

namespace {

constexpr int ValueGreen = 1300, ValueFan = 1301, ValueRed = 1302, VoltWhite = 1305, VoltRed = 1306;
constexpr int Clock = 1307, Lamps = 1400, CaseState = 1403, Background = 1405, VoltLabels = 1408;
constexpr uint32_t FocusColour = 0xC000C0;
constexpr const char* InstallerFan = "1,25,35,45,60,75,90,100,110,90";

class Panel : public MonitorTest {
protected:
    void SetUp() override
    {
        MonitorTest::SetUp();
        for (const char* key : {"FAN0", "FAN1", "FAN2"}) SetProfileValue(key, InstallerFan);
        Board("volt0 = 1.76\nvolt1.raw = 191\nvolt2.raw = 5\nvolt3 = 3.3\nvolt4 = 2.5\nvolt5 = 1.8\nvolt6 = 1.5\nvolt7 = 1.5");
    }

    // Runs a cycle and waits until the panel shows what the check expects.
    bool ShowsAfterCycle(const std::function<bool(const Pixels&)>& check)
    {
        RunCycle();
        return WaitUntil([&] { return check(CaptureClient(window)); }, 3000, 50);
    }

    // Inside the lines of a focus ring that may stand around the lamp's item.
    bool LampIs(const Pixels& panel, int x, int y, bool on)
    {
        return BlocksEqual(panel, x + 3, y + 1, Strip(Lamps), 3, (on ? 0 : 16) + 1, 24, 14);
    }

    // Paints what is invalid and returns when the monitor has painted it.
    void PaintNow()
    {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, WM_PAINT, 0, 0, SMTO_NORMAL, 5000, &result);
    }

    // Pixels that differ between two pictures of the panel, leaving out the
    // clock, which moves on between any two of them.
    static int DifferingPixels(const Pixels& a, const Pixels& b)
    {
        int differing = 0;
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x) {
                const bool clock = x >= 230 && y >= 343 && y < 391;
                if (!clock && a.At(x, y) != b.At(x, y)) ++differing;
            }
        return differing;
    }

    void Click(int x, int y) { SendMessageA(window, WM_LBUTTONDOWN, 0, MAKELPARAM(x, y)); }
    void Key(WPARAM key) { SendMessageA(window, WM_KEYDOWN, key, 0); }
};

TEST_F(Panel, TemperatureIsGreenBelowItsLimitAndRedAtIt)
{
    Board("temp0 = 74\ntemp1 = 34\ntemp2 = 29");
    StartMonitor();
    EXPECT_TRUE(ShowsAfterCycle([&](const Pixels& p) { return ValueTextIs(p, 40, 110, "074oC", ValueGreen); }));
    SaveArtifact(CaptureClient(window), "panel-normal.bmp");

    Board("temp0 = 75");
    EXPECT_TRUE(ShowsAfterCycle([&](const Pixels& p) { return ValueTextIs(p, 40, 110, "075oC", ValueRed); }));
    EXPECT_TRUE(ShowsAfterCycle([&](const Pixels& p) { return ValueTextIs(p, 160, 110, "034oC", ValueGreen); }));
    SaveArtifact(CaptureClient(window), "panel-alarm.bmp");
}

TEST_F(Panel, FahrenheitShowsTheConvertedValueButTheColourFollowsCelsius)
{
    SetProfileValue("CSCALE", "0");
    Board("temp0 = 74\ntemp2 = 75");
    StartMonitor();
    EXPECT_TRUE(ShowsAfterCycle([&](const Pixels& p) {
        return ValueTextIs(p, 40, 110, "165oF", ValueGreen) && ValueTextIs(p, 280, 110, "167oF", ValueRed);
    }));
}

TEST_F(Panel, NegativeTemperatureHasItsSignInTheSignCell)
{
    Board("temp1 = -5");
    StartMonitor();
    EXPECT_TRUE(ShowsAfterCycle([&](const Pixels& p) { return ValueTextIs(p, 160, 110, "-005oC", ValueGreen); }));
    Board("temp1 = 5");
    EXPECT_TRUE(ShowsAfterCycle([&](const Pixels& p) { return ValueTextIs(p, 160, 110, "005oC", ValueGreen); }))
        << "the old sign is blacked out without erasing";
}

TEST_F(Panel, FanSpeedsShowFiveDigits)
{
    Board("fan0.count = 135\nfan2 = stopped");
    StartMonitor();
    EXPECT_TRUE(ShowsAfterCycle([&](const Pixels& p) {
        return ValueTextIs(p, 40, 180, "05000 ", ValueFan) && ValueTextIs(p, 280, 180, "00000 ", ValueFan);
    }));
}

TEST_F(Panel, VoltagesFillTwoColumnsAndOutOfToleranceIsRedWhenWarned)
{
    SetProfileValue("VOLTBASE", "180,180,-1200,330,250,180,150,150");  // +12 measured against 1.80 V
    SetProfileValue("VOLTENABLE", "1,1,1,1,1,1,0,1");
    Board("volt6 = 3.0");  // +1.5 far off, but its warning is off
    StartMonitor();
    EXPECT_TRUE(ShowsAfterCycle([&](const Pixels& p) {
        return ValueTextIs(p, 90, 250, " 1.76V", VoltWhite) && ValueTextIs(p, 90, 270, "12.01V", VoltRed) &&
               ValueTextIs(p, 90, 290, "-11.98V", VoltWhite) && ValueTextIs(p, 280, 290, " 3.00V", VoltWhite);
    }));
    const Pixels panel = CaptureClient(window);
    for (int k = 0; k < 8; ++k)
        EXPECT_TRUE(BlocksEqual(panel, 10 + 190 * (k / 4), 250 + 20 * (k % 4), Strip(VoltLabels), 0, 20 * k, 65, 20))
            << "label of channel " << k;
}

TEST_F(Panel, OutOfToleranceVoltageWithItsWarningRaisesTheAlarm)
{
    Board("volt1.raw = 120");  // +12 at 7.5 V
    StartMonitor();
    uint32_t cycles = 0;
    for (int i = 0; i < 3; ++i) {
        RunCycle();
        const bool normal = ShowsNormalIconAfter(&cycles);
        EXPECT_EQ(normal, cycles % 2 == 1) << "every cycle after the first paint is an alarm cycle: " << cycles;
    }
    // As at a temperature's limit: the looks alone would fit a still icon.
    EXPECT_TRUE(WaitUntil([&] { return !ShowsNormalIcon(); }, 3000)) << "the alarm icon never showed";

    Board("volt1.raw = 191");
    RunCycle();  // this cycle still sees the last paint's alarm
    WaitUntil([&] { return ValueTextIs(CaptureClient(window), 90, 270, "12.01V", VoltWhite); }, 3000);
    RunCycle();
    RunCycle();
    EXPECT_TRUE(ReturnsToNormalIcon());
}

// The monitor's own timer: the alarm must come within 4 s of the stop.
TEST_F(Panel, AWatchedDrivenFanThatStopsRaisesTheAlarmUntilItTurnsAgain)
{
    SetProfileValue("FAN1", "0,25,35,45,60,75,90,100,110,127,90");  // software mode, full duty
    SetProfileValue("FANSTALL", "0,1,0");
    SetProfileValue("SOUND", "1");
    StartMonitor();
    auto fanShows = [&](const char* text, int strip, DWORD timeoutMs) {
        return WaitUntil([&] { return ValueTextIs(CaptureClient(window), 160, 180, text, strip); }, timeoutMs, 50);
    };
    ASSERT_TRUE(fanShows("04500 ", ValueFan, 3000));

    // The fans programmed at the start have had their five seconds to spin up.
    ASSERT_TRUE(WaitUntil([&] { return CyclesRun() >= 6; }, 10000)) << "the timer stopped";
    WaitForTimerCycle();
    Board("fan1 = stopped");
    const DWORD stoppedAt = GetTickCount();
    ASSERT_TRUE(fanShows("00000 ", ValueRed, 4000)) << "no stall within 4 s";
    EXPECT_LE(GetTickCount() - stoppedAt, 4000u);
    EXPECT_TRUE(WaitUntil([&] { return ToneCount() > 0; }, 3000)) << "the warning sound";
    EXPECT_TRUE(WaitUntil([&] { return !ShowsNormalIcon(); }, 4000)) << "the tray icon blinks";
    SaveScreenshot("panel-fan-stalled.bmp");

    Board("fan1 = running");
    EXPECT_TRUE(fanShows("04500 ", ValueFan, 3000));
    EXPECT_TRUE(WaitUntil([&] { return ShowsNormalIcon(); }, 3000));
}

TEST_F(Panel, NoStallAlarmForAFanItsCurveSwitchedOffOneNotWatchedOrWithoutTheKey)
{
    SetProfileValue("FAN2", "0,25,35,45,60,75,90,100,110,127,90");
    Board("temp0 = 20\nfan2 = stopped");  // fan 0 below its Off limit of 25 C; fan 2 driven but stopped
    for (const char* watched : {"1,1,0", static_cast<const char*>(nullptr)}) {
        SetProfileValue("FANSTALL", watched);
        if (!watched) Board("fan1 = stopped");  // without the key a driven fan that stops is only a reading
        StartMonitor();
        for (int i = 0; i < 5; ++i) {
            RunCycle();
            EXPECT_TRUE(ShowsNormalIcon()) << (watched ? watched : "no FANSTALL") << ", cycle " << i;
        }
        EXPECT_TRUE(WaitUntil([&] {
            const Pixels p = CaptureClient(window);
            return ValueTextIs(p, 40, 180, "00000 ", ValueFan) && ValueTextIs(p, 280, 180, "00000 ", ValueFan);
        }, 3000)) << "both read 0 in the fan colour";
        CloseMonitor();
    }
}

TEST_F(Panel, VoltageGridWithSevenOneAndNoChannels)
{
    SetProfileValue("VOLTONOFF", "1,1,1,0,1,1,1,1");
    StartMonitor();
    EXPECT_TRUE(ShowsAfterCycle([&](const Pixels& p) {
        // Channels 0 1 2 4 on the left, 5 6 7 on the right; channel 7 in row 2.
        return BlocksEqual(p, 10, 310, Strip(VoltLabels), 0, 80, 65, 20) &&
               BlocksEqual(p, 200, 290, Strip(VoltLabels), 0, 140, 65, 20) &&
               ValueTextIs(p, 280, 290, " 1.50V", VoltWhite);
    }));
    CloseMonitor();

    SetProfileValue("VOLTONOFF", "0,0,0,0,0,1");
    StartMonitor();

    EXPECT_TRUE(ShowsAfterCycle([&](const Pixels& p) {
        return BlocksEqual(p, 10, 250, Strip(VoltLabels), 0, 100, 65, 20) && ValueTextIs(p, 90, 250, " 1.80V", VoltWhite) &&
               BlocksEqual(p, 0, 270, Strip(Background), 0, 270, 400, 20);
    }));
    CloseMonitor();

    SetProfileValue("VOLTONOFF", "0");
    StartMonitor();
    EXPECT_TRUE(ShowsAfterCycle(
        [&](const Pixels& p) { return BlocksEqual(p, 0, 250, Strip(Background), 0, 250, 400, 80); }));
}

TEST_F(Panel, LampsShowAndClicksToggleOnlyPresentItems)
{
    SetProfileValue("FANONOF", "1,0,1,1,1,1");
    SetProfileValue("DEFONOF", "1,1,1,1,0,1");
    StartMonitor();
    EXPECT_TRUE(ShowsAfterCycle([&](const Pixels& p) {
        return LampIs(p, 60, 135, true) && LampIs(p, 180, 135, false) && LampIs(p, 300, 205, true) &&
               BlocksEqual(p, 180, 205, Strip(Background), 180, 205, 40, 16);
    })) << "the lamp of the absent item 4 is not drawn";

    Click(185, 140);  // item 1 on
    Click(185, 210);  // item 4 is absent: nothing
    Click(5, 5);      // outside everything
    EXPECT_TRUE(WaitUntil([&] { return LampIs(CaptureClient(window), 180, 135, true); }, 3000));
    CloseMonitor();
    EXPECT_EQ(ProfileValue("FANONOF"), "1,1,1,1,0,1");
}

TEST_F(Panel, CaseIndicatorWithCaseSupervision)
{
    SetProfileValue("DEFCASE", "1");
    StartMonitor();
    EXPECT_TRUE(ShowsAfterCycle([&](const Pixels& p) { return BlocksEqual(p, 90, 345, Strip(CaseState), 0, 0, 50, 20); }));
    Board("case = open");
    EXPECT_TRUE(ShowsAfterCycle([&](const Pixels& p) { return BlocksEqual(p, 90, 345, Strip(CaseState), 50, 0, 50, 20); }));
    SaveArtifact(CaptureClient(window), "panel-case-open.bmp");
}

TEST_F(Panel, ClockShowsTheLocalDate)
{
    StartMonitor();
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[16];
    snprintf(date, sizeof date, "%02d-%02d-%04d", now.wMonth, now.wDay, now.wYear);
    EXPECT_TRUE(ShowsAfterCycle([&](const Pixels& p) {
        int x = 230;
        for (const char* c = date; *c; ++c) {
            const bool dash = *c == '-';
            const int sourceX = dash ? 318 : 24 * (*c - '0') + 3;
            const int width = dash ? 10 : 18;
            if (!BlocksEqual(p, x, 343, Strip(Clock), sourceX, 0, width, dash ? 20 : 24)) return false;
            x += width;
        }
        return true;
    })) << date;
}

TEST_F(Panel, TabMovesTheFocusRingAndEnterActivatesTheTarget)
{
    SetProfileValue("DEFONOF", "1,1,0,1,1,1");
    StartMonitor();
    auto ringAt = [&](int left, int bottom) {
        return WaitUntil([&] { return CaptureClient(window).At(left + 5, bottom + 1) == FocusColour; }, 3000);
    };
    EXPECT_TRUE(ringAt(60, 393)) << "the focus starts on Exit";
    Key(VK_TAB);
    EXPECT_TRUE(ringAt(120, 393));
    Key(VK_TAB);
    Key(VK_TAB);
    EXPECT_TRUE(ringAt(60, 151)) << "from Option round to item 0";
    Key(VK_TAB);
    Key(VK_TAB);
    EXPECT_TRUE(ringAt(60, 221)) << "item 2 is absent, so item 3 follows item 1";
    Key(VK_RETURN);
    EXPECT_TRUE(WaitUntil([&] { return LampIs(CaptureClient(window), 60, 205, false); }, 3000));
    for (int i = 0; i < 4; ++i) Key(VK_TAB);  // 4, 5, About, Exit
    Key(VK_SPACE);
    EXPECT_TRUE(WaitForExit(monitor, 10000));
    EXPECT_EQ(ProfileValue("FANONOF"), "1,1,0,0,1,1");
}

TEST_F(Panel, HideButtonHidesAndTheTrayBringsItBack)
{
    StartMonitor();
    Click(130, 380);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(IsRunning(monitor));
    SendMessageA(window, 1124, 101, WM_LBUTTONDOWN);
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(Panel, ExitButtonEndsTheProgram)
{
    StartMonitor();
    Click(70, 380);
    EXPECT_TRUE(WaitForExit(monitor, 10000));
    EXPECT_TRUE(ProfileHasKey("POSITION"));
}

TEST_F(Panel, TwoColumnsAndOneColumn)
{
    SetProfileValue("DEFONOF", "1,0,1,1,0,1");
    SetProfileValue("TITLE2", "Chipset");
    Board("temp0 = 41\ntemp2 = 52");
    StartMonitor();
    EXPECT_TRUE(ShowsAfterCycle([&](const Pixels& p) {
        return ValueTextIs(p, 80, 110, "041oC", ValueGreen) && ValueTextIs(p, 240, 110, "052oC", ValueGreen) &&
               LampIs(p, 260, 135, true);
    }));
    SaveArtifact(CaptureClient(window), "panel-two-columns.bmp");
    CloseMonitor();

    SetProfileValue("DEFONOF", "0,1,0,0,1,0");
    Board("temp1 = 33");
    SetProfileValue("FANONOF", "1,1,1,1,1,1");
    StartMonitor();
    EXPECT_TRUE(ShowsAfterCycle([&](const Pixels& p) {
        return ValueTextIs(p, 150, 110, "033oC", ValueGreen) && LampIs(p, 170, 205, true);
    }));
    Click(175, 210);
    EXPECT_TRUE(WaitUntil([&] { return LampIs(CaptureClient(window), 170, 205, false); }, 3000));
    SaveArtifact(CaptureClient(window), "panel-one-column.bmp");
}

TEST_F(Panel, ACycleThatChangesNothingChangesNoPixelAlsoDuringAnAlarm)
{
    SetProfileValue("DEFCASE", "1");
    Board("temp0 = 45\ntemp1 = 34\ntemp2 = 29");
    StartMonitor();
    auto waitForNextSecond = [] {
        SYSTEMTIME start;
        GetLocalTime(&start);
        WaitUntil([&] {
            SYSTEMTIME now;
            GetLocalTime(&now);
            return now.wSecond != start.wSecond;
        }, 1500, 5);
    };
    // The screen is up to date once the clock shows a later time than then.
    auto shownAfter = [&](const Pixels& then, Pixels* now) {
        return WaitUntil([&] {
            *now = CaptureClient(window);
            return !BlocksEqual(*now, 250, 367, then, 250, 367, 140, 24);
        }, 3000);
    };
    for (const char* state : {"quiet", "alarm"}) {
        const bool alarm = state[0] == 'a';
        if (alarm) Board("temp0 = 95");
        RunCycle();
        PaintNow();
        Pixels before;
        ASSERT_TRUE(WaitUntil([&] {
            before = CaptureClient(window);
            return ValueTextIs(before, 40, 110, alarm ? "095oC" : "045oC", alarm ? ValueRed : ValueGreen);
        }, 3000)) << state;

        waitForNextSecond();
        RunCycle();
        PaintNow();
        Pixels after;
        ASSERT_TRUE(shownAfter(before, &after)) << state;
        EXPECT_EQ(DifferingPixels(before, after), 0) << state << ": the cycle's paint";

        waitForNextSecond();
        InvalidateRect(window, nullptr, TRUE);
        PaintNow();
        Pixels redrawn;
        ASSERT_TRUE(shownAfter(after, &redrawn)) << state;
        EXPECT_EQ(DifferingPixels(after, redrawn), 0) << state << ": the panel drawn afresh";
        SaveArtifact(redrawn, alarm ? "panel-unchanged-alarm.bmp" : "panel-unchanged-quiet.bmp");
    }
}

// A paint draws only the cells that changed and hands the window only those
// texts; after readings that change from cycle to cycle, and paints of a part
// of the window in between, the window shows what a panel drawn afresh shows.
TEST_F(Panel, ChangingReadingsShowAsThePanelDrawnAfresh)
{
    SetProfileValue("DEFCASE", "1");
    Board("temp0 = 45\ntemp1 = 34\ntemp2 = 29");
    StartMonitor();
    const char* const steps[] = {"temp0 = 46\nfan1.count = 100", "temp0 = 95\nvolt2.raw = 9\ncase = open",
                                 "temp0 = -5\nfan1.count = 120\nvolt5 = 1.2", "temp0 = 44\nvolt2.raw = 5"};
    for (const char* step : steps) {
        Board(step);
        // A part of the readout area painted on its own, as the system may.
        const RECT part = {150, 170, 260, 290};
        InvalidateRect(window, &part, FALSE);
        PaintNow();
        RunCycle();
        PaintNow();
    }
    Pixels shown;
    ASSERT_TRUE(WaitUntil([&] {
        shown = CaptureClient(window);
        return ValueTextIs(shown, 40, 110, "044oC", ValueGreen);
    }, 3000));
    // Once the clock has moved on, the picture is of the paint afresh.
    Sleep(1100);
    InvalidateRect(window, nullptr, TRUE);
    PaintNow();
    Pixels redrawn;
    ASSERT_TRUE(WaitUntil([&] {
        redrawn = CaptureClient(window);
        return !BlocksEqual(redrawn, 250, 367, shown, 250, 367, 140, 24);
    }, 3000));
    EXPECT_EQ(DifferingPixels(shown, redrawn), 0);
    SaveArtifact(shown, "panel-changed-readings.bmp");
}

// Wine counts no GDI objects for GetGuiResources, so the objects a paint
// would leave behind are also looked for in the memory they would take:
// every font, memory context or pen that stays costs the process memory.
TEST_F(Panel, PaintingReleasesEveryGdiObjectItCreates)
{
    SetProfileValue("DEFCASE", "1");
    StartMonitor();
    auto paintTimes = [&](int count) {
        for (int i = 0; i < count; ++i) {
            InvalidateRect(window, nullptr, TRUE);
            PaintNow();
        }
    };
    auto privateKb = [&] {
        PROCESS_MEMORY_COUNTERS memory = {};
        GetProcessMemoryInfo(monitor.process, &memory, sizeof memory);
        return static_cast<long>(memory.PagefileUsage / 1024);
    };
    auto handles = [&] {
        DWORD count = 0;
        GetProcessHandleCount(monitor.process, &count);
        return count;
    };
    paintTimes(10);
    const DWORD objectsAfter10 = GetGuiResources(monitor.process, GR_GDIOBJECTS);
    const DWORD handlesAfter10 = handles();
    const long memoryAfter10 = privateKb();
    const uint64_t accessesBefore = board().accessCount;
    paintTimes(10000);
    const DWORD objectsAfter10010 = GetGuiResources(monitor.process, GR_GDIOBJECTS);
    const DWORD handlesAfter10010 = handles();
    const long growth = privateKb() - memoryAfter10;
    EXPECT_GE(board().accessCount - accessesBefore, 10000u * 20) << "every paint reads the voltages";
    EXPECT_EQ(objectsAfter10010, objectsAfter10);
    EXPECT_EQ(handlesAfter10010, handlesAfter10);  // Wine, too, answers 0 for another process
    EXPECT_EQ(growth, 0) << "private memory grew by " << growth << " KB over 10000 paints";
    printf("after 10 and after 10010 paints: GDI objects %lu, %lu; handles %lu, %lu; private memory grew %ld KB\n",
           objectsAfter10, objectsAfter10010, handlesAfter10, handlesAfter10010, growth);
}

}  // namespace
