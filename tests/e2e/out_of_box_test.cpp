// What a user gets without a board maker's settings: a monitor started with
// no section at all, or with the installer's own fan profile.
#include "tests/e2e/monitor_harness.h"

namespace {

constexpr int ValueGreen = 1300, ValueRed = 1302, VoltWhite = 1305;
constexpr const char* StartProfile = "1,25,32,48,64,80,90,100,110,90,80";

class OutOfBox : public MonitorTest {
protected:
    int32_t FanRpm(int fan)
    {
        SimBoardLock lock(board());
        return SimFanRpm(board(), fan, SimNowMs());
    }

    bool PanelShows(int x, int y, const char* text, int strip)
    {
        return WaitUntil([&] { return ValueTextIs(CaptureClient(window), x, y, text, strip); }, 3000, 50);
    }

    // The title bar inside the window's border, from a picture of the screen
    // that stays in lastScreen.
    Pixels Caption()
    {
        RECT rect;
        GetWindowRect(window, &rect);
        const int inset = GetSystemMetrics(SM_CXFRAME);
        lastScreen = CaptureScreen();
        const Pixels& screen = lastScreen;
        Pixels bar;
        bar.width = rect.right - rect.left - 2 * inset;
        bar.height = GetSystemMetrics(SM_CYCAPTION) - 2;
        for (int y = 0; y < bar.height; ++y)
            for (int x = 0; x < bar.width; ++x) bar.rgb.push_back(screen.At(rect.left + inset + x, rect.top + inset + y));
        return bar;
    }

    Pixels lastScreen;
};

// Nominal rails of the panel's labels and a VCore of 1.52 V; no VOLTBASE.
TEST_F(OutOfBox, WithoutSettingsEveryFanRunsAndAHealthyBoardRaisesNoAlarm)
{
    DeleteProfileSection();
    Board("temp0 = 40\ntemp1 = 40\ntemp2 = 40\n"
          "volt0.raw = 95\nvolt1.raw = 191\nvolt2.raw = 5\nvolt3.raw = 206\nvolt4.raw = 156\nvolt5.raw = 112\n"
          "volt6.raw = 94\nvolt7.raw = 94");
    StartMonitor();
    for (int fan = 0; fan < 3; ++fan) EXPECT_GT(FanRpm(fan), 0) << "fan " << fan << " at 40 C";
    Board("temp0 = 70\ntemp1 = 70\ntemp2 = 70");
    for (int fan = 0; fan < 3; ++fan) EXPECT_GT(FanRpm(fan), 0) << "fan " << fan << " at 70 C";

    RunCycle();
    const char* readings[8] = {" 1.52V", "12.01V", "-11.98V", " 3.29V", " 2.49V", " 1.79V", " 1.50V", " 1.50V"};
    for (int k = 0; k < 8; ++k)
        EXPECT_TRUE(PanelShows(90 + 190 * (k / 4), 250 + 20 * (k % 4), readings[k], VoltWhite)) << "channel " << k;
    EXPECT_TRUE(PanelShows(40, 110, "070oC", ValueGreen)) << "below the Over limit";
    SaveArtifact(CaptureClient(window), "out-of-box-healthy-board.bmp");
    for (int i = 0; i < 4; ++i) {
        RunCycle();
        EXPECT_TRUE(ShowsNormalIcon());
    }
    CloseMonitor();
    for (const char* key : {"FAN0", "FAN1", "FAN2"}) EXPECT_EQ(ProfileValue(key), StartProfile) << key;
    EXPECT_EQ(ProfileValue("VOLTBASE"), "150,1200,-1200,330,250,180,150,150") << "VCore's base learned from its reading";
}

// The user switched the installer's profile to software mode: the ten
// numbers hold no alarm limit.
TEST_F(OutOfBox, SoftwareModeFromTheInstallersNumbersAlarmsAt80AndTheCaptionComesBack)
{
    SetProfileValue("FAN0", "0,25,35,45,60,75,90,100,110,90");
    Board("temp0 = 50\ntemp1 = 30\ntemp2 = 30");
    StartMonitor();
    EXPECT_GT(FanRpm(0), 0);
    RunCycle();
    EXPECT_TRUE(PanelShows(40, 110, "050oC", ValueGreen));
    for (int i = 0; i < 3; ++i) {
        RunCycle();
        EXPECT_TRUE(ShowsNormalIcon()) << "no alarm at 50 C";
    }
    const Pixels normal = Caption();

    // Every alarm cycle inverts the caption, and the monitor's own timer adds
    // cycles at any moment: end the alarm while an odd number shows.
    Board("temp0 = 80");
    RunCycle();
    EXPECT_TRUE(PanelShows(40, 110, "080oC", ValueRed));
    ASSERT_TRUE(WaitUntil([&] { return Caption().rgb != normal.rgb; }, 3000, 20)) << "the alarm flashes the caption";
    Board("temp0 = 50");
    SaveArtifact(lastScreen, "out-of-box-caption-flashed.bmp");
    RunCycle();
    EXPECT_TRUE(WaitUntil([&] { return Caption().rgb == normal.rgb; }, 3000, 50)) << "caption back to normal";
    EXPECT_TRUE(ShowsNormalIcon());
    SaveScreenshot("out-of-box-caption-after-alarm.bmp");
}

}  // namespace
