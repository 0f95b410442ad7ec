// The installer run from a prepared installation medium, driven by messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "tests/e2e/install_harness.h"

namespace {

// The folder window in which the shell shows the program group "Thermivo"
// (the monitor's own window has that class).
HWND GroupFolderWindow()
{
    HWND found = nullptr;
    while ((found = FindWindowExA(nullptr, found, nullptr, "Thermivo")) != nullptr) {
        char className[64] = "";
        GetClassNameA(found, className, sizeof className);
        if (strcmp(className, "Thermivo") != 0 && IsWindowVisible(found)) return found;
    }
    return nullptr;
}

// ---- files, win.ini and registry


uint64_t FileSize(const std::string& path)  // without opening the file, which the installer holds
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}


uint64_t Ticks(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}


// Creation, last access and last write.
std::vector<uint64_t> TimesOf(const std::string& path)
{
    FILETIME times[3] = {};
    HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    GetFileTime(file, &times[0], &times[1], &times[2]);
    CloseHandle(file);
    return {Ticks(times[0]), Ticks(times[1]), Ticks(times[2])};
}


// ---- the installer


// What the installer leaves: nothing, or where it stopped after the
// monitor's copy, that file alone.
void ExpectInstalledOnly(const std::vector<std::string>& files)
{
    EXPECT_EQ(InstalledState(), files);
    EXPECT_FALSE(Exists(UninstallerTarget()));
    EXPECT_EQ(RegistryValue(UninstallKey, "DisplayName"), "<missing>");
}

// ---- pixels

// How many pixels of the colour the top rows hold, and how far right and
// down they reach.
struct Extent {
    int count = 0, right = -1, bottom = -1;
};

Extent ExtentOfColour(const Pixels& pixels, uint32_t rgb, int rows)
{
    Extent extent;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            if (pixels.At(x, y) != rgb) continue;
            ++extent.count;
            extent.right = std::max(extent.right, x);
            extent.bottom = std::max(extent.bottom, y);
        }
    }
    return extent;
}

// ---- tests

TEST(Setup, WelcomeWindowShowsTheTextForNtAndItsBannerAndExitChangesNothing)
{
    const Medium medium = PrepareMedium("welcome");
    const std::string winIni = Directory(GetWindowsDirectoryA) + "\\win.ini";
    const std::string winIniBefore = ReadBytes(winIni);
    RunningSetup setup = StartSetup(medium.folder);
    ASSERT_NE(setup.window, nullptr);

    // 320 x 240 as first designed, taller by what a long welcome text needs.
    RECT frame;
    GetWindowRect(setup.window, &frame);
    EXPECT_EQ(frame.right - frame.left, 320);
    EXPECT_EQ(frame.bottom - frame.top, 337);
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - 320) / 2) << "centred on the screen";
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - 337) / 2);
    const LONG style = GetWindowLongA(setup.window, GWL_STYLE);
    EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0) << "no close, minimise or maximise box";

    // Wine reports the NT family: three files, the drivers folder named.
    const std::string text = WindowText(TextControl(setup));
    EXPECT_NE(text.find("Your Platform is Window NT/2000,\nthis program will copy 3 files to your HD \n"),
              std::string::npos) << text;
    EXPECT_NE(text.find("2. \"HwPio.sys\" to " + Directory(GetSystemDirectoryA) + "\\drivers directory.\n"),
              std::string::npos);
    EXPECT_EQ(WindowText(GetDlgItem(setup.window, AutoStartBox)), "To execute Thermivo automatically at startup.");
    EXPECT_FALSE(IsBoxTicked(setup));

    // The banner: red text with a grey copy two pixels to the lower right,
    // painted once the window gets to its first paint.
    Extent red, grey;
    WaitUntil([&] {
        const Pixels client = CaptureClient(setup.window);
        red = ExtentOfColour(client, 0xFF0000, 40);
        grey = ExtentOfColour(client, 0x646464, 40);
        return red.count > 100 && grey.count > 20 && grey.right == red.right + 2 && grey.bottom == red.bottom + 2;
    }, 5000);
    SaveScreenshot("setup-welcome.bmp");
    EXPECT_GT(red.count, 100);
    EXPECT_GT(grey.count, 20);
    EXPECT_EQ(grey.right, red.right + 2);
    EXPECT_EQ(grey.bottom, red.bottom + 2);

    PressDialogButton(setup.window, ExitButton);
    DWORD exitCode = 1234;
    EXPECT_TRUE(WaitForExit(setup.program, 10000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EndProgram(setup.program);
    ExpectInstalledOnly({});
    EXPECT_EQ(ReadBytes(winIni), winIniBefore);
}

TEST(Setup, FullInstallationWithoutIniFile)
{
    const Medium medium = PrepareMedium("full");
    SetProfileValue("FAN0", "0,1,2,3,4,5,6,7,8,9,10");
    SetProfileValue("RESET0", "1,20,30,40,50,60,70,80,90,70");
    RunningSetup setup = StartSetup(medium.folder);
    ASSERT_NE(setup.window, nullptr);

    // The box is toggled by the installer itself; only its last state counts.
    for (const bool expected : {true, false, true}) {
        PressDialogButton(setup.window, AutoStartBox);
        EXPECT_TRUE(WaitUntil([&] { return IsBoxTicked(setup) == expected; }, 3000));
    }
    const DWORD start = GetTickCount();
    HWND box = InstallAndWaitForSuccess(setup);
    ASSERT_NE(box, nullptr);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(WindowText(TextControl(setup)), "Copy .\\HwPio.sys to " + DriverName() + " ");

    // The times first: reading a file may move its last access.
    const char* sources[] = {"\\Kelvimon.EXE", "\\_Unplant.exe", "\\HwPio.sys"};
    const std::string targets[] = {MonitorTarget(), UninstallerTarget(), DriverTarget()};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(TimesOf(targets[i]), TimesOf(medium.folder + sources[i])) << targets[i];
        EXPECT_EQ(TimesOf(targets[i])[2], Ticks(Time(2001))) << targets[i];
    }
    EXPECT_EQ(ReadBytes(MonitorTarget()), medium.monitor);
    EXPECT_EQ(ReadBytes(UninstallerTarget()), medium.uninstaller);
    EXPECT_EQ(ReadBytes(DriverTarget()), medium.driver);

    // The built-in defaults replace the fan keys; the monitor's own keys stay.
    EXPECT_EQ(SectionLines(), (std::vector<std::string>{
                                  "FAN0=1,25,35,45,60,75,90,100,110,90", "RESET0=1,20,30,40,50,60,70,80,90,70",
                                  "FAN1=1,25,35,45,60,75,90,100,110,90", "FAN2=1,25,35,45,60,75,90,100,110,90",
                                  "FANONOF=1,1,1", "DEFONOF=1,1,1"}));
    EXPECT_EQ(RegistryValue(UninstallKey, "DisplayName"), "Thermivo");
    EXPECT_EQ(RegistryValue(UninstallKey, "UninstallString"), UninstallCommand());
    EXPECT_EQ(RegistryValue(RunKey, "Thermivo"), MonitorTarget() + " HIDE");

    // The program group depends on the shell answering "Progman".
    const std::string group = ProgramGroupFolder();
    if (Exists(group)) {
        printf("Program Manager service answered (install took %lu ms): group folder %s\n",
               static_cast<unsigned long>(elapsed), group.c_str());
        RecordProperty("progman", "answered");
        const std::string link = ReadBytes(group + "\\QX7305 Thermivo.lnk");
        EXPECT_NE(link.find(MonitorTarget()), std::string::npos) << "the monitor's item runs it";
        EXPECT_EQ(link.find("HIDE"), std::string::npos) << "and starts it visible";
        EXPECT_EQ(link.find(std::string("H\0I\0D\0E\0", 8)), std::string::npos);
        // Wine's Program Manager service takes an item's whole command line
        // as a file name and refuses one with arguments, as the uninstaller's
        // item has; the unit tests check that command's text.
        printf("uninstaller item %s\n", Exists(group + "\\UnInstall QX7305 Thermivo.lnk")
                                            ? "created"
                                            : "refused by this shell (its command line has an argument)");
        // The shell shows the new group in a folder window; the box must not
        // open behind it.
        EXPECT_TRUE(WaitUntil([] { return GroupFolderWindow() != nullptr; }, 10000)) << "no group window";
        EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == box; }, 3000))
            << "the success box is behind the group window";
    } else {
        printf("No Program Manager service answered: installation completed after %lu ms of time-outs\n",
               static_cast<unsigned long>(elapsed));
        RecordProperty("progman", "absent");
    }

    CloseBoxAndExpectEnd(setup, box);
}

// Installs three times into the same machine: an empty install.ini and one
// that starts with a blank line write nothing, a real one exactly its keys
// and never the defaults.
TEST(Setup, IniFileSeedsExactlyItsOwnKeysAndAnEmptyOneNothing)
{
    const Medium medium = PrepareMedium("ini");
    SetProfileValue("FAN1", "0,1,2,3,4,5,6,7,8,9,10");
    const std::vector<std::string> before = {"FAN1=0,1,2,3,4,5,6,7,8,9,10"};
    WriteBytes(medium.folder + "\\install.ini", "");
    InstallFrom(medium.folder);
    EXPECT_EQ(SectionLines(), before);

    WriteBytes(medium.folder + "\\install.ini", "\r\nFAN0=1,25,35,45,60,75,90,100,110,90\r\n");
    InstallFrom(medium.folder);
    EXPECT_EQ(SectionLines(), before);

    WriteBytes(medium.folder + "\\install.ini",
               "[Thermivo]\r\nTITLE0=CPU Zone\r\nFANMAP=2\nKEY=X=Y\r\nVOLTONOFF=\r\nno equals sign\r\n"
               "\r\nFAN0=9,9,9\r\n");
    InstallFrom(medium.folder);
    EXPECT_EQ(SectionLines(), (std::vector<std::string>{"FAN1=0,1,2,3,4,5,6,7,8,9,10", "TITLE0=CPU Zone",
                                                        "FANMAP=2", "KEY=X=Y", "VOLTONOFF="}));
    EXPECT_EQ(RegistryValue(RunKey, "Thermivo"), "<missing>") << "the box was never ticked";
    EXPECT_EQ(RegistryValue(UninstallKey, "UninstallString"), UninstallCommand()) << "rewritten each time";
}

TEST(Setup, MissingUninstallerStopsTheInstallationAfterTheMonitor)
{
    const Medium medium = PrepareMedium("no-uninstaller");
    DeleteFileA((medium.folder + "\\_Unplant.exe").c_str());
    RunningSetup setup = StartSetup(medium.folder);
    ASSERT_NE(setup.window, nullptr);
    PressDialogButton(setup.window, AutoStartBox);
    PressDialogButton(setup.window, InstallButton);

    HWND box = WaitForDialog(setup.program.pid, "Copy _Unplant.exe Error", 20000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "File may exist or can't find _Unplant.exe \nin Install disk");
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == box; }, 3000));
    EXPECT_EQ(ReadBytes(MonitorTarget()), medium.monitor);
    EXPECT_FALSE(Exists(UninstallerTarget()));
    CloseBoxAndExpectEnd(setup, box);
    ExpectInstalledOnly({MonitorTarget()});
}

TEST(Setup, ReinstallingOverLongerFilesLeavesExactlyTheNewBytes)
{
    const Medium medium = PrepareMedium("reinstall", 3000, 0);
    WriteBytes(MonitorTarget(), std::string(10000, 'O'));
    WriteBytes(UninstallerTarget(), std::string(500, 'O'));
    WriteBytes(DriverTarget(), std::string(9000, 'O'));
    InstallFrom(medium.folder);

    EXPECT_EQ(ReadBytes(MonitorTarget()), medium.monitor);
    EXPECT_EQ(ReadBytes(UninstallerTarget()), "") << "an empty source gives an empty target";
    EXPECT_EQ(ReadBytes(DriverTarget()), medium.driver) << "exactly one chunk";
    EXPECT_EQ(TimesOf(UninstallerTarget())[2], Ticks(Time(2001)));
}

// A monitor file beyond 42,949,672 bytes, where a percentage taken in 32 bits
// would wrap: the bar must follow the bytes copied and never fall back.
TEST(Setup, ProgressBarFollowsTheCopyOfALargeFile)
{
    const size_t size = 60u << 20;
    const Medium medium = PrepareMedium("progress", size);
    RunningSetup setup = StartSetup(medium.folder);
    ASSERT_NE(setup.window, nullptr);
    RECT client;
    GetClientRect(setup.window, &client);
    const int barLeft = client.right / 2 - 105;
    const int barY = client.bottom / 2;
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const uint32_t fill = (GetRValue(highlight) << 16) | (GetGValue(highlight) << 8) | GetBValue(highlight);
    auto filledPercent = [&] {
        const Pixels pixels = CaptureClient(setup.window);
        int filled = 0;
        for (int x = barLeft; x < barLeft + 210; ++x) filled += pixels.At(x, barY) == fill;
        return filled * 100 / 206;  // the bar's inside, without its edge
    };

    // The installer is held at points of the copy, so that what the bar
    // shows is compared with the bytes copied however fast the copy runs.
    // It repaints the bar after every 4 KB chunk. From the press of Install
    // on it is let run only in short steps, each followed by a look at the
    // file, so that a test thread the system leaves waiting cannot miss a
    // point: the copy waits with it. Its threads are held by the handles
    // taken once, since listing them anew for each step lets the copy run on
    // while a busy system lists them.
    const std::string target = MonitorTarget();
    std::vector<HANDLE> threads;
    for (DWORD id : ProcessThreads(setup.program.pid))
        if (HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, id)) threads.push_back(thread);
    auto hold = [&](bool on) {
        for (HANDLE thread : threads) on ? SuspendThread(thread) : ResumeThread(thread);
    };
    auto runInStepsUntil = [&](const std::function<bool()>& reached) {
        return WaitUntil([&] {
            if (reached()) return true;
            hold(false);
            Sleep(1);
            hold(true);
            return false;
        }, 60000, 0);
    };
    PressDialogButton(setup.window, InstallButton);
    hold(true);
    ASSERT_TRUE(runInStepsUntil([&] { return Exists(target); }));
    int last = 0;
    int seen = 0;
    for (const uint64_t point : {size / 5, size * 2 / 5, size * 3 / 5, size * 4 / 5}) {
        ASSERT_TRUE(runInStepsUntil([&] { return FileSize(target) >= point; }));
        const uint64_t copied = FileSize(target);
        const int percent = filledPercent();
        if (copied >= point && copied < size) {
            ++seen;
            EXPECT_GE(percent, last) << "the bar fell back at " << copied << " bytes";
            EXPECT_LE(percent, static_cast<int>(copied * 100 / size) + 3) << "ahead of the copy at " << copied;
            if (point == size * 3 / 5) SaveScreenshot("setup-progress.bmp");
            last = percent;
        }
    }
    hold(false);
    for (HANDLE thread : threads) CloseHandle(thread);
    EXPECT_EQ(seen, 4) << "the copy ended before the test could look at the bar";
    EXPECT_GE(last, 50) << "the bar was never seen past half-way";

    HWND box = WaitForDialog(setup.program.pid, SuccessCaption, 30000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(FileSize(target), size);
    EXPECT_TRUE(ReadBytes(target) == medium.monitor);
    CloseBoxAndExpectEnd(setup, box);
}

}  // namespace
