// One user's story on each Windows the product names: the simulator medium
// (where 32-bit programs run, the disk image's files read back out of it,
// with the simulator build of the monitor) installed with its own
// installer, the monitor started as the Run value starts it at logon, an
// alarm, a fan page applied, the reading log turned over, and everything
// removed with the installed uninstaller. Wine's "Version" value makes
// GetVersion report that Windows to every program started afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/install_harness.h"
#include "tests/e2e/monitor_harness.h"

#include <prsht.h>

namespace {

struct Family {
    const char* name;
    const char* wineVersion;
    bool nt;
};

constexpr Family Families[] = {
    {"Windows95", "win95", false},
    {"Windows98", "win98", false},
    {"WindowsNT4", "nt40", true},
    {"Windows2000", "win2k", true},
};

// Another program's pending deletion, which the uninstaller must keep.
constexpr char OtherPendingLine[] = "NUL=C:\\WINDOWS\\TEMP\\OTHERSET.TMP";
constexpr int FirstLimitSlider = 1640;

std::vector<std::string> RenameSection(const std::string& wininit)
{
    char text[4096] = "";
    const DWORD length = GetPrivateProfileSectionA("rename", text, sizeof text, wininit.c_str());
    std::vector<std::string> lines;
    for (DWORD at = 0; at < length; at += static_cast<DWORD>(strlen(text + at)) + 1) lines.push_back(text + at);
    return lines;
}

std::string WelcomeText(const Family& family, const std::string& windows)
{
    const std::string head = "Welcome to QX7305 Thermivo Install program.\nTo install Thermivo on your computer now, "
                             "click Install.\nTo exit without install Thermivo, click Exit.\n";
    if (family.nt)
        return head + "Your Platform is Window NT/2000,\nthis program will copy 3 files to your HD \n1. \"Kelvimon.exe\" to " +
               windows + " directory. \n2. \"HwPio.sys\" to " + windows + "\\system32\\drivers directory.\n3. \"_Unplant.exe\" to " +
               windows + " directory. \n";
    return head + "Your Platform is Window 95/98,\nthis program will copy 2 files to your HD \n1. \"Kelvimon.exe\" to " +
           windows + " directory. \n2. \"_Unplant.exe\" to " + windows + " directory. \n";
}

class FamilyStory : public MonitorTest, public ::testing::WithParamInterface<Family> {
protected:
    void SetUp() override
    {
        MonitorTest::SetUp();
        HKEY wine;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &wine, nullptr),
                  ERROR_SUCCESS);
        const char* version = GetParam().wineVersion;
        RegSetValueExA(wine, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                       static_cast<DWORD>(strlen(version) + 1));
        RegCloseKey(wine);
    }
};

TEST_P(FamilyStory, InstallMonitorAlarmOptionsAndRemove)
{
    const Family& family = GetParam();
    const std::string medium = SimulatorMedium();
    const std::string windows = Directory(GetWindowsDirectoryA);
    const std::string wininit = windows + "\\WININIT.INI";
    ASSERT_TRUE(Exists(medium + "\\install.ini")) << "run scripts/build-medium.sh first";
    DeleteProfileSection();  // install.ini gives the settings

    // Install, start-at-logon ticked; the welcome text names this family's files.
    RunningSetup setup = StartSetup(medium, medium + "\\KelvimonSetup.exe");
    ASSERT_NE(setup.window, nullptr);
    EXPECT_EQ(WindowText(TextControl(setup)), WelcomeText(family, windows));
    SaveScreenshot((std::string("family-") + family.name + "-welcome.bmp").c_str());
    PressDialogButton(setup.window, AutoStartBox);
    ASSERT_TRUE(WaitUntil([&] { return IsBoxTicked(setup); }, 3000));
    HWND done = InstallAndWaitForSuccess(setup);
    ASSERT_NE(done, nullptr);
    CloseBoxAndExpectEnd(setup, done);
    EXPECT_EQ(Exists(DriverTarget()), family.nt) << "the driver is copied on the NT family only";
    const std::string run = RegistryValue(RunKey, "Thermivo");
    ASSERT_EQ(run, windows + "\\Kelvimon.EXE HIDE");

    // The reading log of an earlier run, a few bytes short of its size, and
    // an older one that the turn-over replaces.
    const std::string log = ScratchFolder("log") + "\\readings.csv";
    const std::string header = LogHeader() + "\r\n";
    const std::string earlier = header + std::string(16 * 1024 - 40 - header.size(), 'x');
    WriteBytes(log, earlier);
    WriteBytes(log + ".old", header + "older\r\n");
    SetProfileValue("LOGFILE", log.c_str());
    SetProfileValue("LOGINTERVAL", "1");
    SetProfileValue("LOGSIZE", "16");

    // As the Run value starts it at logon: hidden, in the notification area.
    StartMonitor(run.substr(run.find(' ') + 1), true, run.substr(0, run.find(' ')));
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(WaitUntil([&] { return ReadBytes(log + ".old") == earlier; }, 10000)) << "the log did not turn over";
    EXPECT_TRUE(WaitUntil([&] { return ReadBytes(log).rfind("Time,CPU (C),", 0) == 0; }, 10000)) << "no new log began";

    // Over the CPU's alarm limit of install.ini (70 C): the icon blinks.
    Board("temp0 = 85");
    EXPECT_TRUE(WaitUntil([&] {
        RunCycle();
        return !ShowsNormalIcon();
    }, 10000)) << "no alarm icon";
    SaveScreenshot((std::string("family-") + family.name + "-alarm.bmp").c_str());
    Board("temp0 = 40");

    // The CPU fan's page: a lower first limit, applied, reaches the chip.
    HWND sheet = OpenOptions();
    ASSERT_NE(sheet, nullptr);
    Drag(CurrentPage(sheet), FirstLimitSlider, 20, WM_VSCROLL);
    RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);  // drawn whole for the picture
    SaveScreenshot((std::string("family-") + family.name + "-options.bmp").c_str());
    PressSheetButton(sheet, PSBTN_OK);
    EXPECT_EQ(std::vector<int>(board().reg + 0x60, board().reg + 0x65), (std::vector<int>{20, 40, 50, 60, 70}));
    EXPECT_TRUE(WaitUntil([&] { return !SheetIsOpen(); }, 5000));

    // Remove. The monitor leaves a driver service on the NT family; on 95/98
    // there is no service manager, and the uninstaller must not look for one.
    CreateDriverService();
    if (!family.nt) WriteBytes(wininit, std::string("[rename]\r\n") + OtherPendingLine + "\r\n");
    char shortPath[MAX_PATH] = "";
    GetShortPathNameA(UninstallerTarget().c_str(), shortPath, sizeof shortPath);
    Program unplant = StartProgram(UninstallerTarget(), windows + " /S");
    DWORD exitCode = 99;
    EXPECT_TRUE(WaitForExit(unplant, 30000, &exitCode));
    EndProgram(unplant);
    EXPECT_EQ(exitCode, 0u) << "something remained";
    EXPECT_TRUE(WaitForExit(monitor, 10000)) << "the monitor still runs";
    EXPECT_FALSE(Exists(MonitorTarget()));
    EXPECT_TRUE(SectionLines().empty());
    EXPECT_EQ(RegistryValue(RunKey, "Thermivo"), "<missing>");
    EXPECT_EQ(RegistryValue(UninstallKey, "UninstallString"), "<missing>");
    EXPECT_FALSE(Exists(DriverTarget()));
    EXPECT_EQ(ServiceExists(), !family.nt);
    if (family.nt) {
        EXPECT_TRUE(DeletionPending(UninstallerTarget()));
        EXPECT_FALSE(Exists(wininit));
    } else {
        EXPECT_FALSE(DeletionPending(UninstallerTarget()));
        EXPECT_EQ(RenameSection(wininit), (std::vector<std::string>{OtherPendingLine, std::string("NUL=") + shortPath}));
    }
}

// The shipped monitor itself, not the simulator build, as far as Wine lets it
// run: on the NT family its driver cannot start here, and it must say so and
// end rather than touch a port.
TEST(ReleaseMonitor, WithoutItsDriverOnTheNtFamilyItSaysSoAndEnds)
{
    if (!ProgramsAre32Bit()) GTEST_SKIP() << "the shipped monitor is 32-bit";
    Program monitor = StartProgram(BuildPath("..\\medium\\Kelvimon.EXE"));
    HWND box = WaitForDialog(monitor.pid, "Thermivo", 15000);
    ASSERT_NE(box, nullptr) << "no message";
    EXPECT_EQ(MessageBoxText(box), "An unexpected error occured");
    PressDialogButton(box, IDOK);
    DWORD exitCode = 99;
    EXPECT_TRUE(WaitForExit(monitor, 10000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EndProgram(monitor);
}

INSTANTIATE_TEST_SUITE_P(Families, FamilyStory, ::testing::ValuesIn(Families),
                         [](const ::testing::TestParamInfo<Family>& param) { return std::string(param.param.name); });

}  // namespace
