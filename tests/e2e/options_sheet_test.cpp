// The Options sheet, its fan pages, the About box and the Help window.
#include "tests/e2e/monitor_harness.h"

#include <commctrl.h>
#include <prsht.h>

namespace {

constexpr int ApplyButton = 0x3021;  // the sheet's own control ids
constexpr int HelpButton = 9;

class OptionsSheet : public MonitorTest {
protected:
    void SetUp() override
    {
        MonitorTest::SetUp();
        for (const char* key : {"FAN0", "FAN1", "FAN2"}) SetProfileValue(key, InstallerFan);
    }

    HWND Item(HWND page, int id) { return GetDlgItem(page, id); }
    int32_t Position(HWND page, int id) { return static_cast<int32_t>(SendMessageA(Item(page, id), TBM_GETPOS, 0, 0)); }
    std::vector<int32_t> Positions(HWND page, int first, int count)
    {
        std::vector<int32_t> out;
        for (int i = 0; i < count; ++i) out.push_back(Position(page, first + i));
        return out;
    }
    std::vector<std::string> BoxTexts(HWND page)
    {
        std::vector<std::string> out;
        for (int i = 0; i < 5; ++i) out.push_back(WindowText(Item(page, 1609 + i)));
        return out;
    }
    void Type(HWND page, int box, const char* text)
    {
        SendMessageA(Item(page, box), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(box, EN_KILLFOCUS), reinterpret_cast<LPARAM>(Item(page, box)));
    }
    // A click of the left mouse button into a control, which takes the focus.
    void Click(HWND control)
    {
        SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    }
    bool ApplyEnabled(HWND sheet) { return IsWindowEnabled(Item(sheet, ApplyButton)) != FALSE; }
    int32_t FanRpm(int fan)
    {
        SimBoardLock lock(board());
        return SimFanRpm(board(), fan, SimNowMs());
    }
    std::vector<int> Registers(uint8_t first, int count)
    {
        std::vector<int> out;
        for (int i = 0; i < count; ++i) out.push_back(board().reg[first + i]);
        return out;
    }
};

using Titles = std::vector<std::string>;

// A fan page for each channel whose temperature and fan readouts both exist,
// named by the channel's title; the sheet opens on its first page. The
// monitor never writes a title, so the titled case comes last.
TEST_F(OptionsSheet, PagesFollowTheReadoutsThatExistAndTheChannelTitles)
{
    const struct {
        const char* key;  // the one setting besides every readout present
        const char* value;
        Titles titles;
    } cases[] = {
        {"DEFONOF", "1,1,1,1,1,1", {"CPU Fan", "System Fan", "Panel Fan", "Misc", "Voltage"}},
        {"DEFONOF", "1,0,1,1,1,1", {"CPU Fan", "Panel Fan", "Misc", "Voltage"}},
        {"DEFONOF", "1,1,1,1,0,1", {"CPU Fan", "Panel Fan", "Misc", "Voltage"}},
        {"DEFONOF", "0,0,0,1,1,1", {"Misc", "Voltage"}},
        {"TITLE2", "Chipset", {"CPU Fan", "System Fan", "Chipset Fan", "Misc", "Voltage"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        SetProfileValue("DEFONOF", "1,1,1,1,1,1");
        SetProfileValue("FANONOF", "1,1,1,1,1,1");
        SetProfileValue(c.key, c.value);
        StartMonitor();
        HWND sheet = OpenOptions();
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(SheetTabTitles(sheet), c.titles);
        HWND page = CurrentPage(sheet);
        const bool fanPage = Item(page, 1640) != nullptr;
        EXPECT_EQ(fanPage, c.titles.size() > 2) << "the sheet opens on its first page";
        EXPECT_EQ(IsWindowEnabled(Item(sheet, HelpButton)) != 0, fanPage) << "Help only on fan pages";
        if (&c == &cases[0]) {
            Sleep(700);
            SaveScreenshot("options-fan-page.bmp");
        }
        CloseSheetWith(sheet, PSBTN_CANCEL);
        CloseMonitor();
    }
}

TEST_F(OptionsSheet, TemperatureSlidersKeepTheirOrder)
{
    StartMonitor();
    HWND page = CurrentPage(OpenOptions());
    EXPECT_EQ(Positions(page, 1640, 5), (std::vector<int32_t>{25, 35, 45, 60, 75}));
    Drag(page, 1641, 70, WM_VSCROLL);
    EXPECT_EQ(Positions(page, 1640, 5), (std::vector<int32_t>{25, 70, 70, 70, 75}));
    EXPECT_EQ(BoxTexts(page), (std::vector<std::string>{"25", "70", "70", "70", "75"}));
    Drag(page, 1643, 20, WM_VSCROLL);
    EXPECT_EQ(Positions(page, 1640, 5), (std::vector<int32_t>{20, 20, 20, 20, 75}));
}

TEST_F(OptionsSheet, TypedTemperatureBeyondTheRangeIsStoredAtTheSliderEnd)
{
    StartMonitor();
    HWND sheet = OpenOptions();
    HWND page = CurrentPage(sheet);
    Type(page, 1611, "150");
    EXPECT_EQ(Positions(page, 1640, 5), (std::vector<int32_t>{25, 35, 100, 100, 100}));
    EXPECT_EQ(BoxTexts(page), (std::vector<std::string>{"25", "35", "150", "150", "150"}));
    EXPECT_TRUE(IsWindowEnabled(Item(sheet, ApplyButton)));
    PressSheetButton(sheet, PSBTN_APPLYNOW);
    EXPECT_EQ(Registers(0x60, 5), (std::vector<int>{25, 35, 100, 100, 100}));
}

TEST_F(OptionsSheet, TypingATemperatureEnablesApplyWhoseClickTakesIt)
{
    StartMonitor();
    HWND sheet = OpenOptions();
    SendMessageA(sheet, PSM_SETCURSEL, 1, 0);  // the System Fan page is made and fills its boxes now
    EXPECT_FALSE(ApplyEnabled(sheet)) << "filling the boxes is no change";
    SendMessageA(sheet, PSM_SETCURSEL, 0, 0);
    HWND page = CurrentPage(sheet);
    HWND high = Item(page, 1612);
    Click(high);
    SendMessageA(high, EM_SETSEL, 0, -1);
    for (char key : std::string("65")) SendMessageA(high, WM_CHAR, static_cast<WPARAM>(key), 1);
    EXPECT_TRUE(ApplyEnabled(sheet));
    EXPECT_EQ(Position(page, 1643), 60) << "taken when the box loses the focus";
    Click(Item(sheet, ApplyButton));
    EXPECT_EQ(Registers(0x60, 5), (std::vector<int>{25, 35, 45, 65, 75}));
    EXPECT_FALSE(ApplyEnabled(sheet));
}

// Enter presses OK with the focus still in the box: the value typed counts.
TEST_F(OptionsSheet, EnterInATemperatureBoxAppliesWhatWasTyped)
{
    StartMonitor();
    HWND sheet = OpenOptions();
    HWND high = Item(CurrentPage(sheet), 1612);
    Click(high);
    SendMessageA(high, EM_SETSEL, 0, -1);
    for (char key : std::string("65")) SendMessageA(high, WM_CHAR, static_cast<WPARAM>(key), 1);
    PostMessageA(high, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_TRUE(WaitUntil([&] { return !SheetIsOpen(); }, 5000)) << "Enter did not press OK";
    EXPECT_EQ(Registers(0x60, 5), (std::vector<int>{25, 35, 45, 65, 75}));
}

// A letter O for a zero, as a board maker's install.ini might carry it.
TEST_F(OptionsSheet, MistypedCurveShowsTheDefaultsAndItsLineStaysUntilThePageApplies)
{
    constexpr const char* Typo = "1,30,40,5O,60,70,80,100,120,90,70";
    SetProfileValue("FAN0", Typo);
    StartMonitor();
    HWND sheet = OpenOptions();
    HWND page = CurrentPage(sheet);
    EXPECT_EQ(Positions(page, 1640, 5), (std::vector<int32_t>{25, 32, 48, 64, 80}));
    EXPECT_EQ(BoxTexts(page), (std::vector<std::string>{"25", "32", "48", "64", "80"}));
    EXPECT_EQ(Positions(page, 1630, 3), (std::vector<int32_t>{90, 100, 110}));
    EXPECT_EQ(IsDlgButtonChecked(page, 2070), BST_CHECKED);
    Sleep(700);
    SaveScreenshot("options-fan-page-typo.bmp");
    CloseSheetWith(sheet, PSBTN_CANCEL);
    CloseMonitor();
    EXPECT_EQ(ProfileValue("FAN0"), Typo) << "kept for the user to mend";
    EXPECT_EQ(ProfileValue("RESET0"), "") << "and not taken as the default";

    StartMonitor();
    sheet = OpenOptions();
    Drag(CurrentPage(sheet), 1641, 40, WM_VSCROLL);
    CloseSheetWith(sheet, PSBTN_OK);
    CloseMonitor();
    EXPECT_EQ(ProfileValue("FAN0"), "1,25,40,48,64,80,90,100,110,90,80");
}

TEST_F(OptionsSheet, PwmLevelsKeepTheirOrderBothWays)
{
    StartMonitor();
    HWND page = CurrentPage(OpenOptions());
    EXPECT_EQ(Positions(page, 1630, 3), (std::vector<int32_t>{90, 100, 110}));
    Drag(page, 1630, 120, WM_HSCROLL);
    EXPECT_EQ(Positions(page, 1630, 3), (std::vector<int32_t>{120, 120, 120}));
    Drag(page, 1632, 50, WM_HSCROLL);
    EXPECT_EQ(Positions(page, 1630, 3), (std::vector<int32_t>{50, 50, 50}));
}

TEST_F(OptionsSheet, ApplyInAutomaticModeProgramsTheCurveAndTheFanFollows)
{
    Board("temp0 = 50\nfan0 = 5080\nreg0B = 0x12");  // Medium band of the default curve
    StartMonitor();
    HWND sheet = OpenOptions();
    HWND page = CurrentPage(sheet);
    const int32_t before = FanRpm(0);
    Drag(page, 1631, 127, WM_HSCROLL);  // Medium runs at full PWM now
    Drag(page, 1640, 20, WM_VSCROLL);
    PressSheetButton(sheet, PSBTN_APPLYNOW);
    EXPECT_EQ(board().reg[0x15], 0x80);
    EXPECT_EQ(Registers(0x60, 5), (std::vector<int>{20, 35, 45, 60, 75}));
    EXPECT_EQ(Registers(0x65, 3), (std::vector<int>{90, 127, 127}));
    EXPECT_GT(FanRpm(0), before + 500) << "the simulated fan speeds up";
}

TEST_F(OptionsSheet, SoftwareModeWritesTheFixedPwmAndMakesTheAlarmLimitTheThreshold)
{
    Board("temp0 = 60");
    StartMonitor();
    HWND sheet = OpenOptions();
    HWND page = CurrentPage(sheet);
    ClickButton(page, 2073);
    EXPECT_FALSE(IsWindowEnabled(Item(page, 1640))) << "the curve is greyed in software mode";
    EXPECT_FALSE(IsWindowEnabled(Item(page, 1609)));
    EXPECT_TRUE(IsWindowEnabled(Item(page, 1633)));
    Drag(page, 1633, 100, WM_HSCROLL);
    Drag(page, 1645, 55, WM_HSCROLL);
    const uint8_t limits[5] = {board().reg[0x60], board().reg[0x61], board().reg[0x62], board().reg[0x63], board().reg[0x64]};
    PressSheetButton(sheet, PSBTN_OK);
    EXPECT_EQ(board().reg[0x15], 100);
    EXPECT_EQ(board().reg[0x60], limits[0]) << "software mode leaves the curve registers alone";
    EXPECT_EQ(board().reg[0x64], limits[4]);
    EXPECT_TRUE(WaitUntil([&] { return !SheetIsOpen(); }, 5000));
    CloseMonitor();
    EXPECT_EQ(ProfileValue("FAN0"), "0,25,35,45,60,75,90,100,110,100,55");
}

TEST_F(OptionsSheet, PagesNeverShownDoNotReprogramTheirFans)
{
    StartMonitor();
    HWND sheet = OpenOptions();
    Board("reg16 = 0x11\nreg17 = 0x22\nreg15 = 0x33");
    PressSheetButton(sheet, PSBTN_OK);
    EXPECT_EQ(board().reg[0x15], 0x80) << "the first page was shown and applies";
    EXPECT_EQ(board().reg[0x16], 0x11);
    EXPECT_EQ(board().reg[0x17], 0x22);
}

TEST_F(OptionsSheet, FahrenheitPagesShowConvertedLimitsAndStoreCelsius)
{
    SetProfileValue("CSCALE", "0");
    StartMonitor();
    HWND sheet = OpenOptions();
    HWND page = CurrentPage(sheet);
    EXPECT_EQ(Positions(page, 1640, 5), (std::vector<int32_t>{77, 95, 113, 140, 167}));
    EXPECT_EQ(WindowText(Item(page, 1609)), "77");
    EXPECT_EQ(WindowText(Item(page, 2001)), "212 F");
    Drag(page, 1640, 33, WM_VSCROLL);
    CloseSheetWith(sheet, PSBTN_OK);
    CloseMonitor();
    EXPECT_EQ(ProfileValue("FAN0"), "1,1,35,45,60,75,90,100,110,90,80") << "33 F is stored as 1 C, the rest unchanged";
}

TEST_F(OptionsSheet, ResetToDefaultLoadsTheInstallersValues)
{
    StartMonitor();
    CloseMonitor();  // the first start snapshots the installer's curve into RESET0
    SetProfileValue("FAN0", "0,10,20,30,40,50,1,2,3,4,66");
    StartMonitor();
    HWND sheet = OpenOptions();
    HWND page = CurrentPage(sheet);
    EXPECT_EQ(IsDlgButtonChecked(page, 2073), BST_CHECKED);
    EXPECT_FALSE(IsWindowEnabled(Item(sheet, ApplyButton)));
    ClickButton(page, 1890);
    EXPECT_EQ(IsDlgButtonChecked(page, 2070), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page, 2073), BST_UNCHECKED);
    EXPECT_EQ(Positions(page, 1640, 5), (std::vector<int32_t>{25, 35, 45, 60, 75}));
    EXPECT_EQ(BoxTexts(page), (std::vector<std::string>{"25", "35", "45", "60", "75"}));
    EXPECT_EQ(Positions(page, 1630, 3), (std::vector<int32_t>{90, 100, 110}));
    EXPECT_EQ(Position(page, 1633), 90);
    EXPECT_EQ(Position(page, 1645), 66) << "the default holds no alarm limit";
    EXPECT_TRUE(IsWindowEnabled(Item(sheet, ApplyButton)));
    EXPECT_TRUE(IsWindowEnabled(Item(page, 1640)));
}

TEST_F(OptionsSheet, CancelAppliesNothing)
{
    StartMonitor();
    HWND sheet = OpenOptions();
    HWND page = CurrentPage(sheet);
    Drag(page, 1644, 90, WM_VSCROLL);
    ClickButton(page, 2073);
    CloseSheetWith(sheet, PSBTN_CANCEL);
    EXPECT_EQ(board().reg[0x64], 75);
    EXPECT_EQ(board().reg[0x15], 0x80);
    EXPECT_TRUE(IsRunning(monitor));
    CloseMonitor();
    EXPECT_EQ(ProfileValue("FAN0"), "1,25,35,45,60,75,90,100,110,90,80");
}

TEST_F(OptionsSheet, ResumeProgramsTheFansFromTheCurrentProfiles)
{
    StartMonitor();
    HWND sheet = OpenOptions();
    Drag(CurrentPage(sheet), 1644, 88, WM_VSCROLL);
    CloseSheetWith(sheet, PSBTN_OK);
    SendMessageA(window, WM_POWER, PWR_SUSPENDREQUEST, 0);
    Board("reg64 = 5");
    SendMessageA(window, WM_POWER, PWR_SUSPENDRESUME, 0);
    EXPECT_EQ(board().reg[0x64], 88);
}

TEST_F(OptionsSheet, MonitoringGoesOnBehindTheSheet)
{
    StartMonitor();
    OpenOptions();
    WaitForTimerCycle();
}

TEST_F(OptionsSheet, AboutBoxClosesOnlyWithOk)
{
    StartMonitor();
    PostMessageA(window, WM_LBUTTONDOWN, 0, MAKELPARAM(10, 380));
    HWND about = WaitForDialog(monitor.pid, "About Thermivo", 10000);
    ASSERT_NE(about, nullptr);
    EXPECT_NE(FindWindowExA(about, nullptr, "SysAnimate32", nullptr), nullptr);
    const HWND place = GetDlgItem(about, 1700);
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(GetWindowLongA(place, GWL_STYLE) & WS_VISIBLE, 0) << "the animation's placeholder frame shows";
    Sleep(500);
    SaveScreenshot("about-box.bmp");
    SendMessageA(about, WM_COMMAND, IDCANCEL, 0);
    SendMessageA(about, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(IsWindow(about)) << "Escape does nothing";
    WaitForTimerCycle();  // the cycle runs under the modal box
    PressDialogButton(about, IDOK);
    EXPECT_TRUE(WaitForWindowGone(about, 5000));
}

TEST_F(OptionsSheet, HelpOpensOnceAndClosesWithTheSheet)
{
    StartMonitor();
    HWND sheet = OpenOptions();
    PressSheetButton(sheet, PSBTN_HELP);
    HWND help = WaitForDialog(monitor.pid, "Thermivo Help", 5000);
    ASSERT_NE(help, nullptr);
    PressSheetButton(sheet, PSBTN_HELP);
    EXPECT_EQ(ProcessWindows(monitor.pid, "#32770").size(), 2u) << "the sheet and one Help window";
    HWND text = GetDlgItem(help, 127);
    EXPECT_TRUE(WaitUntil([&] { return SendMessageA(text, WM_GETTEXTLENGTH, 0, 0) > 5000; }, 5000)) << "the help text is streamed in";
    const std::string start = WindowText(text).substr(0, 40);
    Sleep(300);
    EXPECT_EQ(SendMessageA(text, EM_GETFIRSTVISIBLELINE, 0, 0), 0) << "focused again, it still shows the start";
    SaveScreenshot("help-window.bmp");

    SendMessageA(text, WM_VSCROLL, SB_BOTTOM, 0);
    PressSheetButton(sheet, PSBTN_CANCEL);
    EXPECT_TRUE(WaitForWindowGone(help, 5000)) << "the Help window goes with the sheet";

    sheet = OpenOptions();
    PressSheetButton(sheet, PSBTN_HELP);
    help = WaitForDialog(monitor.pid, "Thermivo Help", 5000);
    ASSERT_NE(help, nullptr);
    text = GetDlgItem(help, 127);
    EXPECT_TRUE(WaitUntil([&] { return SendMessageA(text, WM_GETTEXTLENGTH, 0, 0) > 5000; }, 5000));
    EXPECT_EQ(WindowText(text).substr(0, 40), start) << "a new window shows the text from its start";
    EXPECT_EQ(SendMessageA(text, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    PressDialogButton(help, IDOK);
    EXPECT_TRUE(WaitForWindowGone(help, 5000));
    EXPECT_TRUE(SheetIsOpen());
}

}  // namespace
