#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <string>

#include "tests/e2e/monitor_harness.h"

namespace {

void InstallerDefaults()
{
    SetProfileValue("FAN0", InstallerFan);
    SetProfileValue("FAN1", InstallerFan);
    SetProfileValue("FAN2", InstallerFan);
    SetProfileValue("FANONOF", "1,1,1");
    SetProfileValue("DEFONOF", "1,1,1");
}

RECT WindowRect(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

// --- start-up -------------------------------------------------------------

TEST_F(MonitorTest, ClientAreaHoldsTheWholePanel)
{
    StartMonitor();
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(client.bottom, 405);
}

class SecondStart : public MonitorTest, public ::testing::WithParamInterface<bool> {};

// One monitor per machine, also when the second one is another copy of the
// program, from the medium or another folder.
TEST_P(SecondStart, IsRefusedAndTheFirstKeepsRunning)
{
    const bool anotherCopy = GetParam();
    std::string secondPath = ProgramPath("monitor\\KelvimonSim.exe");
    if (anotherCopy) {
        const std::string copy = ScratchFolder("copy") + "\\Kelvimon.EXE";
        ASSERT_TRUE(CopyFileA(secondPath.c_str(), copy.c_str(), FALSE));
        secondPath = copy;
    }
    StartMonitor();
    for (int attempt = 0; attempt < 2; ++attempt) {
        Program second = StartProgram(secondPath);
        HWND box = WaitForDialog(second.pid, "Thermivo", 10000);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(MessageBoxText(box), "Program is already running");
        if (attempt == 0 && !anotherCopy) SaveScreenshot("monitor-second-start.bmp");
        PressDialogButton(box, IDOK);
        DWORD exitCode = 99;
        EXPECT_TRUE(WaitForExit(second, 5000, &exitCode));
        EXPECT_EQ(exitCode, 0u);
        EndProgram(second);
        EXPECT_TRUE(IsRunning(monitor));
        EXPECT_TRUE(IsWindowVisible(window));
    }
}

INSTANTIATE_TEST_SUITE_P(Monitor, SecondStart, ::testing::Bool(), [](const ::testing::TestParamInfo<bool>& test) {
    return std::string(test.param ? "AnotherCopy" : "SameProgram");
});

TEST_F(MonitorTest, HideOnTheCommandLineStartsHiddenAndStillMonitors)
{
    StartMonitor("HIDEAWAY");
    EXPECT_FALSE(IsWindowVisible(window));
    WaitForTimerCycle();
    CloseMonitor();

    StartMonitor("hide");
    EXPECT_TRUE(IsWindowVisible(window)) << "the word is compared case-sensitively";
}

// Ends this prefix's service manager, so that no program can reach it.
void EndServiceManager()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, "services.exe") != 0) continue;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        ASSERT_NE(process, nullptr);
        TerminateProcess(process, 1);
        EXPECT_EQ(WaitForSingleObject(process, 5000), WAIT_OBJECT_0);
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    EXPECT_EQ(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT), nullptr);
}

struct PortAccessCase {
    const char* name;
    void (*prepare)();  // null: nothing besides the missing device
    const char* text;
};

void PrintTo(const PortAccessCase& test, std::ostream* out)
{
    *out << test.name;
}

class PortAccessRefused : public MonitorTest, public ::testing::WithParamInterface<PortAccessCase> {};

// Without the device, each reason the driver cannot be set up is said in its
// own words, and the program ends before its window appears.
TEST_P(PortAccessRefused, TheReasonIsShownAndNoWindowAppears)
{
    Board("driver = absent");
    if (GetParam().prepare) GetParam().prepare();
    ASSERT_FALSE(HasFatalFailure());
    StartMonitor("", false);
    HWND box = WaitForDialog(monitor.pid, "Thermivo", 15000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), GetParam().text);
    EXPECT_EQ(FindProcessWindow(monitor.pid, "Thermivo", nullptr), nullptr);
    PressDialogButton(box, IDOK);
    DWORD exitCode = 99;
    EXPECT_TRUE(WaitForExit(monitor, 5000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Driver, PortAccessRefused,
    // Wine cannot start kernel drivers, so starting the service fails with a
    // code that has no message of its own.
    ::testing::Values(PortAccessCase{"DriverCannotStart", nullptr, "An unexpected error occured"},
                      PortAccessCase{"NoServiceManager", EndServiceManager, "Can't connect to service control manager"},
                      PortAccessCase{"ServiceRunningWithoutItsDevice", RunServiceInTheDriversPlace,
                                     "Service already running"}),
    [](const ::testing::TestParamInfo<PortAccessCase>& test) { return std::string(test.param.name); });

// --- settings ---------------------------------------------------------------

TEST_F(MonitorTest, FirstStartWithoutSettingsCreatesTheSnapshotsAndCentresTheWindow)
{
    StartMonitor();
    for (const char* key : {"RESET0", "RESET1", "RESET2"}) {
        EXPECT_TRUE(ProfileHasKey(key)) << key;
        EXPECT_EQ(ProfileValue(key), "") << key;
    }
    EXPECT_EQ(ProfileValue("DEFONOF"), "1,1,1,1,1,1");
    const RECT rect = WindowRect(window);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2);
    SaveScreenshot("monitor-first-start.bmp");
}

TEST_F(MonitorTest, InstalledDefaultsBecomeTheResetSnapshotOnce)
{
    InstallerDefaults();
    StartMonitor();
    CloseMonitor();
    for (const char* key : {"RESET0", "RESET1", "RESET2"}) EXPECT_EQ(ProfileValue(key), InstallerFan) << key;

    SetProfileValue("FAN1", "0,20,30,40,50,60,1,2,3,44,55");
    StartMonitor();
    CloseMonitor();
    EXPECT_EQ(ProfileValue("RESET1"), InstallerFan) << "a later start keeps the snapshot";
    EXPECT_EQ(ProfileValue("FAN1"), "0,20,30,40,50,60,1,2,3,44,55");
}

TEST_F(MonitorTest, ExitWritesEverySavedKeyInItsFormat)
{
    InstallerDefaults();
    SetProfileValue("FANONOF", "1,0,1,7,1,1");
    SetProfileValue("CSCALE", "0");
    SetProfileValue("SOUND", " 2");
    SetProfileValue("VOLT", "5,5");
    SetProfileValue("VOLTBASE", "-500,330");
    SetProfileValue("VOLTENABLE", "1,0,1");
    SetProfileValue("POSITION", "-20,10");
    SetProfileValue("TITLE1", "Chipset");
    StartMonitor();
    const RECT rect = WindowRect(window);
    EXPECT_EQ(rect.left, -20) << "negative coordinates are used as they are";
    EXPECT_EQ(rect.top, 10);
    CloseMonitor();

    EXPECT_EQ(ProfileValue("FAN0"), "1,25,35,45,60,75,90,100,110,90,80");
    EXPECT_EQ(ProfileValue("FANONOF"), "1,0,1,1,1,1");
    EXPECT_EQ(ProfileValue("CSCALE"), "0");
    EXPECT_EQ(ProfileValue("SOUND"), "2");
    EXPECT_EQ(ProfileValue("VOLT"), "5,5,0,0,0,0,0,0");
    EXPECT_EQ(ProfileValue("VOLTBASE"), "-500,330,0,0,0,0,0,0");
    EXPECT_EQ(ProfileValue("VOLTENABLE"), "1,0,1,0,0,0,0,0");
    EXPECT_EQ(ProfileValue("POSITION"), "-20,10");
    EXPECT_EQ(ProfileValue("TITLE1"), "Chipset") << "titles are never written";
    EXPECT_FALSE(ProfileHasKey("VOLTONOFF"));
    EXPECT_FALSE(ProfileHasKey("FANMAP"));
}

TEST_F(MonitorTest, SavedPositionOffTheScreenIsPulledBack)
{
    SetProfileValue("POSITION", "5000,5000");
    StartMonitor();
    const RECT rect = WindowRect(window);
    EXPECT_EQ(rect.left, 974);
    EXPECT_EQ(rect.top, 718);
}

TEST_F(MonitorTest, SettingsChooseWhatTheChipGets)
{
    InstallerDefaults();
    SetProfileValue("FAN1", "0,25,35,45,60,75,90,100,110,33");
    SetProfileValue("TEMPCHAN", "0");
    SetProfileValue("FANMAP", "3");
    board().reg[0x51] = 0x11;
    StartMonitor();
    EXPECT_EQ(board().reg[0x15], 0x82) << "fan 0 follows input 2 under assignment 3";
    EXPECT_EQ(board().reg[0x16], 33) << "fan 1 in software mode";
    EXPECT_EQ(board().reg[0x64], 75);
    EXPECT_EQ(board().reg[0x51], 0x11) << "TEMPCHAN 0 leaves the register alone";
}

TEST_F(MonitorTest, FanMapOutOfRangeFallsBackToTheFirstAssignment)
{
    InstallerDefaults();
    SetProfileValue("FANMAP", "9");
    StartMonitor();
    EXPECT_EQ(board().reg[0x15], 0x80);
    EXPECT_EQ(board().reg[0x17], 0x82);
}

// --- alarms -------------------------------------------------------------------

// During an alarm the icon changes every cycle; the first alarm cycle of a
// run leaves the normal icon showing, so the k-th alarm cycle shows the alarm
// icon when k is even. The monitor's own timer may add cycles at any moment,
// so every look at the icon is matched with the cycles run until then.
TEST_F(MonitorTest, TemperatureAtItsLimitAlarmsAndOneBelowDoesNot)
{
    InstallerDefaults();  // Over limit 75 in automatic mode
    Board("temp0 = 74\ntemp1 = 30\ntemp2 = 30");
    StartMonitor();
    for (int i = 0; i < 3; ++i) {
        RunCycle();
        EXPECT_TRUE(ShowsNormalIcon());
    }

    WaitForTimerCycle();
    Board("temp0 = 75");
    const uint32_t quietCycles = CyclesRun();
    std::vector<uint32_t> seen;
    for (int i = 0; i < 4; ++i) {
        RunCycle();
        uint32_t cycles = 0;
        const bool normal = ShowsNormalIconAfter(&cycles, quietCycles);
        const uint32_t alarmCycles = cycles - quietCycles;
        EXPECT_EQ(normal, alarmCycles % 2 == 1) << "after " << alarmCycles << " alarm cycles";
        seen.push_back(alarmCycles);
        if (i == 1) SaveScreenshot("monitor-alarm-icon.bmp");
    }
    EXPECT_GE(seen.back(), 4u);
    // Each look waits for a cycle count that fits what it sees, which an
    // icon that never changes fits too.
    EXPECT_TRUE(WaitUntil([&] { return !ShowsNormalIcon(); }, 3000)) << "the alarm icon never showed";

    Board("temp0 = 40");
    RunCycle();
    EXPECT_TRUE(ReturnsToNormalIcon()) << "the icon comes back to normal at the first quiet cycle";
    RunCycle();
    EXPECT_TRUE(ShowsNormalIcon()) << "and stays there";
}

struct AlarmSourceCase {
    const char* name;
    const char* key;  // a setting besides the installer's, or null
    const char* value;
    const char* board;
    bool alarms;
};

class AlarmSource : public MonitorTest, public ::testing::WithParamInterface<AlarmSourceCase> {};

// From the start on, every cycle is an alarm cycle or none is.
TEST_P(AlarmSource, IconShowsWhetherEveryCycleAlarms)
{
    const AlarmSourceCase& c = GetParam();
    InstallerDefaults();
    if (c.key) SetProfileValue(c.key, c.value);
    Board(c.board);
    StartMonitor();
    uint32_t cycles = 0;
    for (int i = 0; i < 4; ++i) {
        RunCycle();
        if (!c.alarms) {
            EXPECT_TRUE(ShowsNormalIcon());
            continue;
        }
        const bool normal = ShowsNormalIconAfter(&cycles);
        EXPECT_EQ(normal, cycles % 2 == 1) << "every cycle is an alarm cycle: " << cycles;
    }
    // As at the temperature's limit: the looks alone would fit a still icon.
    if (c.alarms) {
        EXPECT_TRUE(WaitUntil([&] { return !ShowsNormalIcon(); }, 3000)) << "the alarm icon never showed";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Monitor, AlarmSource,
    ::testing::Values(AlarmSourceCase{"TemperatureReadoutSwitchedOff", "FANONOF", "1,1,0,1,1,1", "temp2 = 120", false},
                      AlarmSourceCase{"OpenCaseWithoutCaseSupervision", nullptr, nullptr, "case = open", false},
                      AlarmSourceCase{"OpenCaseWithCaseSupervision", "DEFCASE", "1", "case = open", true}),
    [](const ::testing::TestParamInfo<AlarmSourceCase>& test) { return std::string(test.param.name); });

// --- minimised window -----------------------------------------------------------

TEST_F(MonitorTest, MinimisedTitleCyclesThroughTheChannelsThatAreOn)
{
    InstallerDefaults();
    SetProfileValue("FANONOF", "1,0,1,1,1,1");
    Board("temp0 = 45\ntemp2 = 29\nfan0.count = 135\nfan2.count = 135");
    StartMonitor();
    SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    WaitForTimerCycle();
    std::vector<std::string> titles;
    for (int i = 0; i < 3; ++i) {
        RunCycle();
        titles.push_back(WindowText(window));
    }
    // Channel 1 is skipped; whichever channel the timer's own cycle showed, the two others alternate.
    for (size_t i = 1; i < titles.size(); ++i) EXPECT_NE(titles[i], titles[i - 1]);
    for (const std::string& title : titles)
        EXPECT_TRUE(title == "CPU T=45C F=5000" || title == "Panel T=29C F=5000") << title;

    SendMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_EQ(WindowText(window), "Thermivo");
}

TEST_F(MonitorTest, MinimisedTitleInFahrenheit)
{
    InstallerDefaults();
    SetProfileValue("FANONOF", "1,0,0,1,1,1");
    SetProfileValue("CSCALE", "0");
    Board("temp0 = -40\nfan0 = stopped");
    StartMonitor();
    RunCycle();
    EXPECT_TRUE(WaitUntil([&] { return ValueTextIs(CaptureClient(window), 40, 110, "-040oF", 1300); }, 3000, 50))
        << "-40 C is -40 F on the panel";
    SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    RunCycle();
    EXPECT_EQ(WindowText(window), "CPU T=-40F F=0");
    Board("temp0 = 25");
    RunCycle();
    EXPECT_EQ(WindowText(window), "CPU T=77F F=0");
}

// --- fan control given back -----------------------------------------------------

TEST_F(MonitorTest, BoardFanControlIsGivenBackAtExit)
{
    InstallerDefaults();
    StartMonitor();
    EXPECT_EQ(board().reg[0x15], 0x80);
    CloseMonitor();
    const uint8_t* r = board().reg;
    EXPECT_EQ(std::vector<int>(r + 0x13, r + 0x18), (std::vector<int>{0x03, 0x05, 0x50, 0x60, 0x3C}));
}

// Windows 95 tells of a suspend with WM_POWER, later systems with
// WM_POWERBROADCAST; either way a wake-up told twice sets the chip up once.
TEST_F(MonitorTest, SuspendGivesControlBackAndOneWakeUpProgramsAgainOnce)
{
    const struct {
        UINT message;
        WPARAM suspend;
        WPARAM resume[2];  // two reports of one wake-up
    } systems[] = {
        {WM_POWER, PWR_SUSPENDREQUEST, {PWR_SUSPENDRESUME, PWR_SUSPENDRESUME}},
        {WM_POWERBROADCAST, PBT_APMSUSPEND, {PBT_APMRESUMEAUTOMATIC, PBT_APMRESUMESUSPEND}},
    };
    InstallerDefaults();
    for (const auto& power : systems) {
        SCOPED_TRACE(power.message == WM_POWER ? "WM_POWER" : "WM_POWERBROADCAST");
        StartMonitor();
        WaitForTimerCycle();
        SendMessageA(window, power.message, power.suspend, 0);
        const uint8_t* r = board().reg;
        EXPECT_EQ(r[0x13], 0x03);
        EXPECT_EQ(r[0x15], 0x50);
        EXPECT_EQ(r[0x17], 0x3C);

        // The board's own firmware changes things while asleep.
        Board("reg15 = 0x11\nreg64 = 99");
        const uint32_t keysBefore = board().superIoWrites;
        for (WPARAM resume : power.resume) SendMessageA(window, power.message, resume, 0);
        EXPECT_EQ(r[0x15], 0x80);
        EXPECT_EQ(r[0x64], 75);
        EXPECT_EQ(r[0x13] & 0x77, 0x77);
        EXPECT_EQ(board().superIoWrites - keysBefore, 4u) << "one initialisation for one wake-up";

        CloseMonitor();
        EXPECT_EQ(r[0x15], 0x50) << "the restore after a resume gives back the start-up values";
    }
}

TEST_F(MonitorTest, EndOfSessionSavesAndGivesControlBackOnce)
{
    InstallerDefaults();
    StartMonitor();
    SendMessageA(window, WM_QUERYENDSESSION, 0, 0);
    SendMessageA(window, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(ProfileValue("FAN0"), "1,25,35,45,60,75,90,100,110,90,80");
    EXPECT_TRUE(ProfileHasKey("POSITION"));
    EXPECT_EQ(board().reg[0x15], 0x50);
    const uint32_t cycles = CyclesRun();
    Sleep(1500);
    EXPECT_EQ(CyclesRun(), cycles) << "no cycle touches the chip once control is given back";

    SetProfileValue("FAN0", "marker");
    CloseMonitor();
    EXPECT_EQ(ProfileValue("FAN0"), "marker") << "nothing is saved a second time";
}

// --- window commands ----------------------------------------------------------

TEST_F(MonitorTest, TopMostTogglesWithTheSystemCommand)
{
    StartMonitor();
    auto isTopMost = [&] { return (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    EXPECT_FALSE(isTopMost());
    SendMessageA(window, WM_SYSCOMMAND, 1602, 0);
    EXPECT_TRUE(isTopMost());
    SendMessageA(window, WM_SYSCOMMAND, 1602, 0);
    EXPECT_FALSE(isTopMost());
}

TEST_F(MonitorTest, TrayClickBringsAHiddenWindowBack)
{
    StartMonitor("HIDE");
    EXPECT_FALSE(IsWindowVisible(window));
    SendMessageA(window, 1124, 101, WM_LBUTTONDOWN);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(WindowText(window), "Thermivo");
    SendMessageA(window, 1124, 101, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(window));
}

// The menu runs its own loop in the monitor; keys posted to the monitor's
// window reach that loop as they would from the keyboard.
TEST_F(MonitorTest, TrayMenuOffersAboutAndExit)
{
    StartMonitor();
    PostMessageA(window, 1124, 101, WM_RBUTTONDOWN);
    HWND menu = WaitForShownWindow(monitor.pid, "#32768", nullptr, 5000);
    ASSERT_NE(menu, nullptr) << "no pop-up menu";
    Sleep(200);
    SaveScreenshot("monitor-tray-menu.bmp");
    PostMessageA(window, WM_KEYDOWN, VK_DOWN, 0);  // About
    PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
    HWND about = WaitForDialog(monitor.pid, "About Thermivo", 5000);
    ASSERT_NE(about, nullptr) << "About opens the About box";
    PressDialogButton(about, IDOK);
    ASSERT_TRUE(WaitForWindowGone(about, 5000));

    PostMessageA(window, 1124, 101, WM_RBUTTONDOWN);
    ASSERT_NE(WaitForShownWindow(monitor.pid, "#32768", nullptr, 5000), nullptr);
    PostMessageA(window, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(window, WM_KEYDOWN, VK_DOWN, 0);  // Exit
    PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(WaitForExit(monitor, 10000)) << "Exit ends the program";
}

TEST_F(MonitorTest, TrayMenuExitEndsTheProgram)
{
    StartMonitor();
    SendMessageA(window, WM_COMMAND, 1600, 0);
    DWORD exitCode = 99;
    EXPECT_TRUE(WaitForExit(monitor, 10000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(ProfileHasKey("FAN0")) << "settings are saved on the way out";
}

}  // namespace
