// The Misc and Voltage pages of the Options sheet, driven in the running
// monitor: what their controls show, what applying them changes in the
// monitor, the board and the registry, and what reaches win.ini at exit.
#include "tests/e2e/monitor_harness.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int ApplyButton = 0x3021;  // the sheet's own control id
constexpr int ValueGreen = 1300, ValueRed = 1302;

// Misc page.
constexpr int Celsius = 1800, Fahrenheit = 1801, TopMost = 1802, SoundEnable = 1803, Speaker = 1804,
              SoundCard = 1805, ClearCase = 1806, AutoStart = 1807;
// Voltage page: the controls of row k add k.
constexpr int Spin = 1740, Percent = 1840, Enable = 1850, Base = 1860, Name = 1870, PercentSign = 1880;
constexpr int SetVCore = 1891;
constexpr int RowFamilies[] = {Base, Spin, Percent, Enable, PercentSign, Name};

constexpr const char* RunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class OptionsPages : public MonitorTest {
protected:
    void SetUp() override
    {
        MonitorTest::SetUp();
        for (const char* key : {"FAN0", "FAN1", "FAN2"}) SetProfileValue(key, InstallerFan);
        // The panel at the top left, the sheet moved to the right of it.
        SetProfileValue("POSITION", "0,0");
    }

    // Opens the sheet and shows the page with that tab title.
    HWND OpenPage(const char* title)
    {
        sheet = OpenOptions();
        if (!sheet) return nullptr;
        SetWindowPos(sheet, nullptr, 500, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        const std::vector<std::string> titles = SheetTabTitles(sheet);
        for (size_t i = 0; i < titles.size(); ++i)
            if (titles[i] == title) SendMessageA(sheet, PSM_SETCURSEL, i, 0);
        HWND page = CurrentPage(sheet);
        EXPECT_EQ(WindowText(page), title);
        return page;
    }

    // A picture of the screen for a person, once the sheet has painted itself.
    void Screenshot(const char* name)
    {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(sheet, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
        Sleep(500);
        SaveScreenshot(name);
    }

    bool ApplyEnabled() { return IsWindowEnabled(GetDlgItem(sheet, ApplyButton)) != FALSE; }
    void Press(int button)
    {
        if (button == PSBTN_APPLYNOW) PressSheetButton(sheet, button);
        else CloseSheetWith(sheet, button);
    }

    // A click on a button of the page, as the mouse makes it.
    bool Checked(HWND page, int id)
    {
        return SendMessageA(GetDlgItem(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    bool Enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }
    bool Visible(HWND page, int id) { return IsWindowVisible(GetDlgItem(page, id)) != FALSE; }
    std::string Text(HWND page, int id) { return WindowText(GetDlgItem(page, id)); }

    // Keys typed into a box after selecting its text, one character at a time.
    void Type(HWND page, int id, const char* keys)
    {
        HWND box = GetDlgItem(page, id);
        SendMessageA(box, EM_SETSEL, 0, -1);
        for (const char* c = keys; *c; ++c) SendMessageA(box, WM_CHAR, static_cast<WPARAM>(*c), 1);
    }
    void Key(HWND page, int id, WPARAM key) { SendMessageA(GetDlgItem(page, id), WM_KEYDOWN, key, 1); }

    // A control's place on the page.
    RECT Place(HWND page, int id)
    {
        RECT r;
        GetWindowRect(GetDlgItem(page, id), &r);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    HWND sheet = nullptr;
};

// Wine carries the text of CB_GETLBTEXT back from the monitor's process,
// but as wide characters whichever call asked for it: ask for them.
std::string ListText(HWND list, int index)
{
    wchar_t wide[64] = L"";
    SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide));
    char text[64] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

bool SamePlace(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

void SetRunValue(const char* data)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, RunKey, 0, nullptr, 0, KEY_SET_VALUE | ProgramRegistryView(), nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Thermivo", 0, REG_SZ, reinterpret_cast<const BYTE*>(data), static_cast<DWORD>(strlen(data) + 1));
    RegCloseKey(key);
}

void DeleteRunValue()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RunKey, 0, KEY_SET_VALUE | ProgramRegistryView(), &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, "Thermivo");
    RegCloseKey(key);
}

// --- Misc page ---------------------------------------------------------------

TEST_F(OptionsPages, TickingTheSoundWithNoKindChosenSelectsTheSoundCardThatApplyStores)
{
    SetProfileValue("SOUND", "0");
    StartMonitor();
    HWND page = OpenPage("Misc");
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(Checked(page, SoundEnable));
    EXPECT_FALSE(Enabled(page, Speaker));
    EXPECT_FALSE(Enabled(page, SoundCard));
    EXPECT_FALSE(Checked(page, Speaker) || Checked(page, SoundCard));
    EXPECT_TRUE(Checked(page, Celsius));
    Screenshot("options-misc.bmp");

    ClickButton(page, SoundEnable);
    EXPECT_TRUE(Enabled(page, Speaker));
    EXPECT_TRUE(Enabled(page, SoundCard));
    EXPECT_FALSE(Checked(page, Speaker));
    EXPECT_TRUE(Checked(page, SoundCard));
    EXPECT_TRUE(ApplyEnabled());
    Screenshot("options-misc-sound-ticked.bmp");
    Press(PSBTN_OK);
    CloseMonitor();
    EXPECT_EQ(ProfileValue("SOUND"), "2");
}

TEST_F(OptionsPages, UntickingTheSoundSilencesTheWarningAtApply)
{
    SetProfileValue("SOUND", "1");
    Board("temp0 = 80");  // above the Over limit of 75
    StartMonitor();
    ASSERT_TRUE(WaitUntil([&] { return ToneCount() > 0; }, 5000)) << "the alarm tune did not start";

    HWND page = OpenPage("Misc");
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(Checked(page, SoundEnable));
    EXPECT_TRUE(Checked(page, Speaker));
    ClickButton(page, SoundEnable);
    EXPECT_FALSE(Enabled(page, Speaker));
    EXPECT_FALSE(Enabled(page, SoundCard));
    Press(PSBTN_APPLYNOW);

    // The main window held the worker: no tune starts any more, the speaker is off.
    const uint32_t tones = ToneCount();
    Sleep(4000);  // longer than a pass of the tune and its pause
    EXPECT_EQ(ToneCount(), tones);
    {
        SimBoardLock lock(board());
        ASSERT_GT(board().toneCount, 0u);
        EXPECT_NE(board().tone[(board().toneCount - 1) % SimToneLogSize].endMs, SimToneSounding);
    }
    Press(PSBTN_CANCEL);
    CloseMonitor();
    EXPECT_EQ(ProfileValue("SOUND"), "0");
}

TEST_F(OptionsPages, TopMostChangesOnlyWhenTheBoxDiffersAtApply)
{
    StartMonitor();
    auto isTopMost = [&] { return (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    ASSERT_FALSE(isTopMost());
    HWND page = OpenPage("Misc");
    ASSERT_NE(page, nullptr);
    ClickButton(page, TopMost);
    ClickButton(page, TopMost);
    Press(PSBTN_APPLYNOW);
    EXPECT_FALSE(isTopMost()) << "ticked and unticked again: nothing to do";

    ClickButton(page, TopMost);
    Press(PSBTN_APPLYNOW);
    EXPECT_TRUE(isTopMost());
    Press(PSBTN_APPLYNOW);
    EXPECT_TRUE(isTopMost()) << "applying the same state again changes nothing";
    Press(PSBTN_OK);
    EXPECT_TRUE(isTopMost());
}

TEST_F(OptionsPages, ClearCaseOpenFlagActsAtOnceOnlyWithCaseSupervision)
{
    SetProfileValue("DEFCASE", "1");
    StartMonitor();
    Board("case = open");
    Board("case = closed");
    ASSERT_NE(board().reg[0x01] & 0x10, 0) << "the latch holds the opening";
    HWND page = OpenPage("Misc");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(Enabled(page, ClearCase));
    ClickButton(page, ClearCase);
    EXPECT_EQ(board().reg[0x01] & 0x10, 0) << "cleared before any Apply";
    EXPECT_FALSE(ApplyEnabled()) << "nothing for the sheet to apply";
    Press(PSBTN_CANCEL);
    EXPECT_EQ(board().reg[0x01] & 0x10, 0) << "Cancel does not undo it";
    CloseMonitor();

    SetProfileValue("DEFCASE", "0");
    StartMonitor();
    page = OpenPage("Misc");
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(Enabled(page, ClearCase));
}

TEST_F(OptionsPages, FahrenheitAppliedShowsOnThePanelWhileTheAlarmFollowsCelsius)
{
    Board("temp0 = 74\ntemp1 = 34\ntemp2 = 75");  // the Over limit is 75 C
    StartMonitor();
    RunCycle();
    ASSERT_TRUE(WaitUntil([&] { return ValueTextIs(CaptureClient(window), 40, 110, "074oC", ValueGreen); }, 3000));

    HWND page = OpenPage("Misc");  // the first fan page has been shown
    ASSERT_NE(page, nullptr);
    ClickButton(page, Fahrenheit);
    EXPECT_TRUE(ApplyEnabled());
    Press(PSBTN_APPLYNOW);
    // The monitor's own next cycle, at most a second away, shows the new scale.
    const DWORD applied = GetTickCount();
    EXPECT_TRUE(WaitUntil(
        [&] {
            const Pixels panel = CaptureClient(window);
            return ValueTextIs(panel, 40, 110, "165oF", ValueGreen) && ValueTextIs(panel, 280, 110, "167oF", ValueRed);
        },
        1500));
    printf("Fahrenheit on the panel %lu ms after Apply\n", static_cast<unsigned long>(GetTickCount() - applied));
    Screenshot("options-misc-fahrenheit.bmp");

    // The fan page, which applied first in Celsius, shows itself again in Fahrenheit.
    SendMessageA(sheet, PSM_SETCURSEL, 0, 0);
    HWND fanPage = CurrentPage(sheet);
    EXPECT_EQ(WindowText(GetDlgItem(fanPage, 2000)), " 32 F");
    EXPECT_EQ(WindowText(GetDlgItem(fanPage, 1613)), "167") << "Over, 75 C";
    Press(PSBTN_OK);
    CloseMonitor();
    EXPECT_EQ(ProfileValue("CSCALE"), "0");
    EXPECT_EQ(ProfileValue("FAN0").rfind("1,25,35,45,60,75,", 0), 0u) << ProfileValue("FAN0");
}

TEST_F(OptionsPages, StartAtLogonBoxSetsAndClearsTheRunValue)
{
    DeleteRunValue();
    StartMonitor();
    HWND page = OpenPage("Misc");
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(Checked(page, AutoStart));
    ClickButton(page, AutoStart);
    EXPECT_TRUE(ApplyEnabled());
    Press(PSBTN_APPLYNOW);
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string data;
    ASSERT_TRUE(RegistryString(HKEY_LOCAL_MACHINE, RunKey, "Thermivo", &data));
    EXPECT_EQ(data, std::string(windows) + "\\Kelvimon.EXE HIDE");

    ClickButton(page, AutoStart);
    Press(PSBTN_OK);
    EXPECT_FALSE(RegistryString(HKEY_LOCAL_MACHINE, RunKey, "Thermivo", nullptr));

    // A value of that name counts as set, wherever it points, and stays as it is.
    SetRunValue("D:\\Elsewhere\\Kelvimon.EXE HIDE");
    page = OpenPage("Misc");
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(Checked(page, AutoStart));
    Press(PSBTN_OK);
    ASSERT_TRUE(RegistryString(HKEY_LOCAL_MACHINE, RunKey, "Thermivo", &data));
    EXPECT_EQ(data, "D:\\Elsewhere\\Kelvimon.EXE HIDE");

    // One longer than 260 bytes cannot be read back, so it counts as not set
    // and ticking the box writes the command in its place.
    SetRunValue(("D:\\" + std::string(260, 'x') + "\\Kelvimon.EXE HIDE").c_str());
    page = OpenPage("Misc");
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(Checked(page, AutoStart));
    ClickButton(page, AutoStart);
    Press(PSBTN_OK);
    ASSERT_TRUE(RegistryString(HKEY_LOCAL_MACHINE, RunKey, "Thermivo", &data));
    EXPECT_EQ(data, std::string(windows) + "\\Kelvimon.EXE HIDE");
}

// --- Voltage page ------------------------------------------------------------

TEST_F(OptionsPages, PercentagesStayWithinZeroToHundredAsTheyAreTyped)
{
    SetProfileValue("VOLT", "10,10,10,10,10,10,10,10");
    StartMonitor();
    HWND page = OpenPage("Voltage");
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(ApplyEnabled()) << "filling the boxes is no change";
    Screenshot("options-voltage.bmp");

    Type(page, Percent, "15");
    EXPECT_EQ(Text(page, Percent), "15");
    EXPECT_TRUE(ApplyEnabled());
    Type(page, Percent, "0");
    EXPECT_EQ(Text(page, Percent), "0");
    Type(page, Percent + 3, "150");
    EXPECT_EQ(Text(page, Percent + 3), "100") << "corrected at the third key";

    // The arrows of the up-down control stop at the ends of the range.
    Key(page, Percent + 3, VK_UP);
    EXPECT_EQ(Text(page, Percent + 3), "100");
    Key(page, Percent + 3, VK_DOWN);
    EXPECT_EQ(Text(page, Percent + 3), "99");
    Key(page, Percent, VK_DOWN);
    EXPECT_EQ(Text(page, Percent), "0");
    Key(page, Percent, VK_UP);
    EXPECT_EQ(Text(page, Percent), "1");
}

TEST_F(OptionsPages, HiddenChannelRowsCloseUp)
{
    // The places of the rows with every channel shown.
    StartMonitor();
    HWND page = OpenPage("Voltage");
    ASSERT_NE(page, nullptr);
    RECT shownPlace[6][8];
    for (int f = 0; f < 6; ++f)
        for (int k = 0; k < 8; ++k) shownPlace[f][k] = Place(page, RowFamilies[f] + k);
    Press(PSBTN_CANCEL);
    CloseMonitor();

    SetProfileValue("VOLTONOFF", "1,1,0,1,1,1,1,1");
    StartMonitor();
    page = OpenPage("Voltage");
    ASSERT_NE(page, nullptr);
    Screenshot("options-voltage-row2-hidden.bmp");
    EXPECT_TRUE(Visible(page, SetVCore));
    for (int f = 0; f < 6; ++f) {
        const int family = RowFamilies[f];
        EXPECT_FALSE(Visible(page, family + 2)) << family + 2;
        for (int k = 0; k < 8; ++k) {
            if (k == 2) continue;
            const RECT expected = shownPlace[f][k < 2 ? k : k - 1];
            EXPECT_TRUE(Visible(page, family + k)) << family + k;
            EXPECT_TRUE(SamePlace(Place(page, family + k), expected)) << family + k << " is not in its row's place";
            EXPECT_NE(Place(page, family + k).top, shownPlace[f][7].top) << "row 7's place stays empty";
        }
    }
    // The rows are named as the panel labels the channels.
    const char* names[8] = {"VCore", "+12V", "-12V", "+3.3V", "+2.5V", "+1.8V", "+1.5V", "AGP"};
    for (int k = 0; k < 8; ++k) EXPECT_EQ(Text(page, Name + k), names[k]);
}

TEST_F(OptionsPages, WithoutVCoreItsRowAndButtonAreHidden)
{
    SetProfileValue("VOLTONOFF", "0,1,1,1,1,1,1,1");
    SetProfileValue("VOLTBASE", "180,-50,-1250,-1,250,180,150,150");
    StartMonitor();
    HWND page = OpenPage("Voltage");
    ASSERT_NE(page, nullptr);
    Screenshot("options-voltage-no-vcore.bmp");
    EXPECT_FALSE(Visible(page, SetVCore));
    EXPECT_FALSE(Visible(page, Base));
    for (int family : RowFamilies) {
        EXPECT_FALSE(Visible(page, family)) << family;
        EXPECT_TRUE(SamePlace(Place(page, family + 1), Place(page, family))) << family + 1 << " takes row 0's place";
    }
    // Negative bases carry their minus, also below one volt.
    EXPECT_EQ(Text(page, Base + 1), "-0.50V");
    EXPECT_EQ(Text(page, Base + 2), "-12.50V");
    EXPECT_EQ(Text(page, Base + 3), "-0.01V");
    EXPECT_EQ(Text(page, Base + 4), "+ 2.50V");
}

TEST_F(OptionsPages, SetCurrentVCoreSelectsTheReadingToTheNearestTenth)
{
    SetProfileValue("VOLTBASE", "175,1200,-1200,330,250,180,150,150");  // off the list's grid
    Board("volt0.raw = 109");  // 1.744 V
    StartMonitor();
    HWND page = OpenPage("Voltage");
    ASSERT_NE(page, nullptr);
    HWND list = GetDlgItem(page, Base);
    EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), CB_ERR) << "nothing selected";
    ASSERT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 41);
    EXPECT_EQ(ListText(list, 0), "+ 1.00V");
    EXPECT_EQ(ListText(list, 7), "+ 1.70V");
    EXPECT_EQ(ListText(list, 40), "+ 5.00V");

    ClickButton(page, SetVCore);
    EXPECT_EQ(WindowText(list), "+ 1.70V");
    EXPECT_TRUE(ApplyEnabled());
    Board("volt0.raw = 110");  // 1.760 V
    ClickButton(page, SetVCore);
    EXPECT_EQ(WindowText(list), "+ 1.80V");
    Board("volt0.raw = 56");  // 0.896 V: 0.90 V is not on the list
    ClickButton(page, SetVCore);
    EXPECT_EQ(WindowText(list), "+ 1.80V") << "the selection stays";
    Screenshot("options-voltage-vcore.bmp");
    Press(PSBTN_OK);
    CloseMonitor();
    EXPECT_EQ(ProfileValue("VOLTBASE"), "180,1200,-1200,330,250,180,150,150");
}

TEST_F(OptionsPages, ApplyStoresTheVoltageRowsAndCancelAfterApplyKeepsThem)
{
    SetProfileValue("VOLT", "10,10,10,33,10,10,10,10");
    SetProfileValue("VOLTENABLE", "1,1,1,1,1,1,1,1");
    SetProfileValue("VOLTONOFF", "1,1,1,0,1,1,1,1");  // row 3 hidden, stored as it was
    SetProfileValue("VOLTBASE", BoardBases);
    StartMonitor();
    HWND page = OpenPage("Voltage");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(page, Base)), "+ 1.80V");
    Type(page, Percent, "5");
    Type(page, Percent + 7, "25");
    ClickButton(page, Enable + 1);
    SendMessageA(GetDlgItem(page, Base), CB_SETCURSEL, 10, 0);  // + 2.00V
    Press(PSBTN_APPLYNOW);

    Type(page, Percent, "50");
    ClickButton(page, Enable + 1);
    SendMessageA(GetDlgItem(page, Base), CB_SETCURSEL, 20, 0);
    Press(PSBTN_CANCEL);
    CloseMonitor();
    EXPECT_EQ(ProfileValue("VOLT"), "5,10,10,33,10,10,10,25");
    EXPECT_EQ(ProfileValue("VOLTENABLE"), "1,0,1,1,1,1,1,1");
    EXPECT_EQ(ProfileValue("VOLTBASE"), "200,1200,-1200,330,250,180,150,150");
}

}  // namespace
