// The uninstaller removing an installation made by the real installer, with
// the installed monitor (the simulator build) running on the simulated board.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/install_harness.h"
#include "tests/e2e/monitor_harness.h"

namespace {

constexpr char UninstallerTitle[] = "UnInstall QX7305 Thermivo";

std::string WindowsDirectory()
{
    return Directory(GetWindowsDirectoryA);
}

// For a person to look at: a box that has just appeared may not have
// drawn its text yet.
void SaveScreenshotOfBox(HWND box, const char* name)
{
    WaitUntil([&] { return IsWindowVisible(box) != 0; }, 3000);
    Sleep(500);
    SaveScreenshot(name);
}

DWORD RunToEnd(const std::string& arguments)
{
    Program unplant = StartProgram(UninstallerTarget(), arguments);
    DWORD exitCode = 99;
    EXPECT_TRUE(WaitForExit(unplant, 30000, &exitCode)) << arguments;
    EndProgram(unplant);
    return exitCode;
}

// A program started on a desktop of its own, which stands for another user's
// session: no window of it can be found from the test's desktop.
Program StartOnOtherDesktop(const std::string& exePath, const char* desktop)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.lpDesktop = const_cast<char*>(desktop);
    PROCESS_INFORMATION info = {};
    std::string commandLine = "\"" + exePath + "\"";
    Program program;
    if (!CreateProcessA(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return program;
    CloseHandle(info.hThread);
    program.process = info.hProcess;
    program.pid = info.dwProcessId;
    return program;
}

class Unplant : public MonitorTest {
protected:
    // Installs the real monitor (simulator build) and uninstaller from a
    // medium, with a stand-in driver file, the start-at-logon box ticked.
    void InstallRealPrograms()
    {
        const Medium medium = PrepareMedium("unplant");
        ASSERT_TRUE(CopyFileA(ProgramPath("monitor\\KelvimonSim.exe").c_str(), (medium.folder + "\\Kelvimon.EXE").c_str(),
                              FALSE));
        ASSERT_TRUE(CopyFileA(ProgramPath("unplant\\_Unplant.exe").c_str(), (medium.folder + "\\_Unplant.exe").c_str(),
                              FALSE));
        InstallFrom(medium.folder, true);
        ASSERT_TRUE(Exists(UninstallerTarget()));
        ASSERT_NE(RegistryValue(RunKey, "Thermivo"), "<missing>");
    }
};

TEST_F(Unplant, YesRemovesEverythingOnceTheMonitorHasGivenBackFanControl)
{
    InstallRealPrograms();
    CreateDriverService();
    const std::vector<int> boardValues = FanControlRegisters();
    StartMonitor("", true, MonitorTarget());
    ASSERT_NE(FanControlRegisters(), boardValues) << "the monitor did not take over the fans";
    const std::vector<std::string> installed = InstalledState();

    Program unplant = StartProgram(UninstallerTarget(), WindowsDirectory());
    HWND confirmation = WaitForDialog(unplant.pid, UninstallerTitle, 10000);
    ASSERT_NE(confirmation, nullptr) << "no confirmation";
    EXPECT_EQ(MessageBoxText(confirmation),
              "Do you want to remove QX7305 Thermivo and its settings from this computer?");
    SaveScreenshotOfBox(confirmation, "unplant-confirmation.bmp");

    // While the monitor cannot answer, its window stays and nothing may go.
    HoldProcess(monitor.pid, true);
    PressDialogButton(confirmation, IDYES);
    Sleep(2000);
    EXPECT_EQ(InstalledState(), installed) << "removed while the monitor still ran";
    EXPECT_TRUE(IsWindow(window));
    HoldProcess(monitor.pid, false);

    // The monitor's file goes only after the board has its fan control back
    // (the registers never return to the monitor's values once given back).
    bool gone = false;
    ASSERT_TRUE(WaitUntil([&] {
        gone = !Exists(MonitorTarget());
        if (gone) {
            EXPECT_EQ(FanControlRegisters(), boardValues) << "the file went before the fans were given back";
        }
        return gone;
    }, 15000, 1));
    DWORD monitorExit = 99;
    EXPECT_TRUE(WaitForExit(monitor, 5000, &monitorExit));
    EXPECT_EQ(monitorExit, 0u);

    ASSERT_TRUE(WaitForWindowGone(confirmation, 5000));
    HWND done = WaitForDialog(unplant.pid, UninstallerTitle, 20000);
    ASSERT_NE(done, nullptr) << "no final message";
    SaveScreenshotOfBox(done, "unplant-removed.bmp");
    EXPECT_EQ(MessageBoxText(done),
              "QX7305 Thermivo and its settings have been removed from this computer.\n\n"
              "Windows removes these when it next starts:\n\n" + UninstallerTarget());
    EXPECT_EQ(InstalledState(), std::vector<std::string>{});
    EXPECT_EQ(RegistryValue(UninstallKey, "DisplayName"), "<missing>");
    EXPECT_TRUE(!Exists(UninstallerTarget()) || DeletionPending(UninstallerTarget()));

    PressDialogButton(done, IDOK);
    DWORD exitCode = 99;
    EXPECT_TRUE(WaitForExit(unplant, 5000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EndProgram(unplant);
}

TEST_F(Unplant, NoAndABadFolderChangeNothingAndSilentRunsSucceedTwice)
{
    InstallRealPrograms();
    CreateDriverService();
    const std::vector<std::string> installed = InstalledState();

    Program unplant = StartProgram(UninstallerTarget(), WindowsDirectory());
    HWND confirmation = WaitForDialog(unplant.pid, UninstallerTitle, 10000);
    ASSERT_NE(confirmation, nullptr);
    PressDialogButton(confirmation, IDNO);
    DWORD exitCode = 99;
    EXPECT_TRUE(WaitForExit(unplant, 5000, &exitCode));
    EXPECT_EQ(exitCode, 1u) << "everything remains";
    EndProgram(unplant);
    EXPECT_EQ(InstalledState(), installed);

    EXPECT_EQ(RunToEnd("C:\\nowhere /S"), 2u);
    unplant = StartProgram(UninstallerTarget(), "C:\\nowhere");
    HWND refusal = WaitForDialog(unplant.pid, UninstallerTitle, 10000);
    ASSERT_NE(refusal, nullptr);
    EXPECT_EQ(MessageBoxText(refusal), "\"C:\\nowhere\" is not a folder.\nNothing has been removed.");
    PressDialogButton(refusal, IDOK);
    EXPECT_TRUE(WaitForExit(unplant, 5000, &exitCode));
    EXPECT_EQ(exitCode, 2u);
    EndProgram(unplant);
    EXPECT_EQ(InstalledState(), installed);
    EXPECT_FALSE(DeletionPending(UninstallerTarget()));

    EXPECT_EQ(RunToEnd(WindowsDirectory() + " /S"), 0u);
    EXPECT_EQ(InstalledState(), std::vector<std::string>{});
    EXPECT_TRUE(DeletionPending(UninstallerTarget()));
    EXPECT_EQ(RunToEnd("/s " + WindowsDirectory()), 0u) << "a second run finds nothing and succeeds";
    EXPECT_EQ(InstalledState(), std::vector<std::string>{});
}

TEST_F(Unplant, AMonitorThatDoesNotCloseKeepsEverything)
{
    InstallRealPrograms();
    StartMonitor("", true, MonitorTarget());
    const std::vector<std::string> installed = InstalledState();
    HoldProcess(monitor.pid, true);
    const DWORD start = GetTickCount();
    EXPECT_EQ(RunToEnd(WindowsDirectory() + " /S"), 2u);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 10000u) << "gave up before 10 s";
    EXPECT_EQ(InstalledState(), installed);
    EXPECT_FALSE(DeletionPending(UninstallerTarget()));
    HoldProcess(monitor.pid, false);
}

class UnplantBesideAnUnseenMonitor : public Unplant, public ::testing::WithParamInterface<bool> {};

// A monitor the uninstaller cannot see still holds the ports: its driver is
// not stopped, and the driver goes at the next start, with the monitor's file
// when the monitor runs from it. The uninstaller knows of the monitor by its
// single-instance guard also when it runs from another copy of the program,
// whose file it does not check.
TEST_P(UnplantBesideAnUnseenMonitor, KeepsItsDriverUntilTheNextStart)
{
    const bool anotherCopy = GetParam();
    InstallRealPrograms();
    CreateDriverService();
    std::string monitorPath = MonitorTarget();
    if (anotherCopy) {
        monitorPath = ScratchFolder("copy") + "\\Kelvimon.EXE";
        ASSERT_TRUE(CopyFileA(MonitorTarget().c_str(), monitorPath.c_str(), FALSE));
    }
    const std::vector<int> boardValues = FanControlRegisters();
    HDESK desktop = CreateDesktopA("Elsewhere", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    ASSERT_NE(desktop, nullptr);
    Program unseen = StartOnOtherDesktop(monitorPath, "Elsewhere");
    ASSERT_NE(unseen.process, nullptr);
    // Its first cycle comes only after window creation has programmed all three fans.
    ASSERT_TRUE(WaitUntil([&] { return CyclesRun() > 0; }, 15000)) << "the monitor did not start";
    ASSERT_NE(FanControlRegisters(), boardValues) << "the monitor did not program the fans";
    ASSERT_EQ(FindWindowA("Thermivo", nullptr), nullptr) << "the monitor is visible from here";
    const std::vector<int> monitorValues = FanControlRegisters();

    Program unplant = StartProgram(UninstallerTarget(), WindowsDirectory());
    HWND confirmation = WaitForDialog(unplant.pid, UninstallerTitle, 10000);
    ASSERT_NE(confirmation, nullptr);
    PressDialogButton(confirmation, IDYES);
    ASSERT_TRUE(WaitForWindowGone(confirmation, 5000));
    HWND done = WaitForDialog(unplant.pid, UninstallerTitle, 30000);
    ASSERT_NE(done, nullptr) << "no final message";
    const std::string atNextStart = DriverName() + "\n" + (anotherCopy ? "" : MonitorTarget() + "\n") + UninstallerTarget();
    EXPECT_EQ(MessageBoxText(done),
              "QX7305 Thermivo and its settings have been removed from this computer.\n\n"
              "A Thermivo monitor is still running elsewhere on this computer, for example for another user. Its "
              "driver keeps running, so that the monitor keeps control of the fans until it ends.\n\n"
              "Windows removes these when it next starts:\n\n" +
                  atNextStart);
    PressDialogButton(done, IDOK);
    DWORD exitCode = 99;
    EXPECT_TRUE(WaitForExit(unplant, 5000, &exitCode));
    EXPECT_EQ(exitCode, 3u);
    EndProgram(unplant);

    EXPECT_TRUE(IsRunning(unseen));
    EXPECT_EQ(FanControlRegisters(), monitorValues) << "the monitor lost control of the fans";
    EXPECT_TRUE(Exists(DriverTarget()));
    EXPECT_TRUE(DeletionPending(DriverName()));
    EXPECT_EQ(Exists(MonitorTarget()), !anotherCopy);
    EXPECT_EQ(DeletionPending(MonitorTarget()), !anotherCopy);
    std::vector<std::string> left = {DriverTarget()};
    if (!anotherCopy) left.insert(left.begin(), MonitorTarget());
    EXPECT_EQ(InstalledState(), left);
    EndProgram(unseen);
    CloseDesktop(desktop);
}

INSTANTIATE_TEST_SUITE_P(Unplant, UnplantBesideAnUnseenMonitor, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& test) {
                             return std::string(test.param ? "RunningFromAnotherCopy" : "RunningFromItsFile");
                         });

}  // namespace
