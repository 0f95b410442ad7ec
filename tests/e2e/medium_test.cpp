// The installation medium as a user meets it: build/medium-sim (the medium's
// layout with the simulator build as Kelvimon.EXE) installed with its own
// installer and install.ini, the installed monitor run from the Windows
// folder on the simulated board, and everything removed again with the
// installed uninstaller.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <set>
#include <string>

#include "monitor/res/resource_ids.h"
#include "tests/e2e/install_harness.h"
#include "tests/e2e/monitor_harness.h"

namespace {

// Registry keys that Wine's shell and window system keep for themselves
// (the view settings of the folder window that shows the new program group,
// temporary system parameters): no trace of the installation.
constexpr const char* WineOwnKeys[] = {
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced]",
    "[HKEY_CURRENT_USER\\Software\\Wine\\",
};

bool IsWineOwnKey(const std::string& key)
{
    for (const char* own : WineOwnKeys)
        if (key.compare(0, strlen(own), own) == 0) return true;
    return false;
}

// Closes the folder window in which the shell shows the new program group
// ("Thermivo", like the monitor's window class); it would cover the panel.
void CloseGroupWindow()
{
    HWND found = nullptr;
    while ((found = FindWindowExA(nullptr, found, nullptr, "Thermivo")) != nullptr) {
        char className[64] = "";
        GetClassNameA(found, className, sizeof className);
        if (strcmp(className, "Thermivo") != 0) PostMessageA(found, WM_CLOSE, 0, 0);
    }
}

// What an installation can change in the prefix, one line per item: win.ini,
// every file below the Windows folder and the user's Start menu, and the
// machine's and the user's software registry as reg.exe exports them.
std::set<std::string> PrefixState()
{
    std::set<std::string> state;
    const std::string winIni = ReadBytes(Directory(GetWindowsDirectoryA) + "\\win.ini");
    for (size_t at = 0, end; at < winIni.size(); at = end + 1) {
        end = std::min(winIni.find('\n', at), winIni.size());
        state.insert("win.ini " + winIni.substr(at, end - at));
    }

    char appData[MAX_PATH] = "";
    GetEnvironmentVariableA("APPDATA", appData, sizeof appData);
    std::vector<std::string> folders = {Directory(GetWindowsDirectoryA),
                                        std::string(appData) + "\\Microsoft\\Windows\\Start Menu"};
    while (!folders.empty()) {
        const std::string folder = folders.back();
        folders.pop_back();
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) folders.push_back(path);
            state.insert("file " + path);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }

    const std::string exported = ScratchFolder("registry") + "\\software.reg";
    for (const char* root : {"HKLM\\Software", "HKCU\\Software"}) {
        Program reg = StartProgram("C:\\windows\\system32\\reg.exe", std::string("export ") + root + " " + exported +
                                                                        " /y");
        EXPECT_TRUE(WaitForExit(reg, 30000)) << "reg export " << root;
        EndProgram(reg);
        // UTF-16 text of plain ASCII names: every other byte is zero.
        std::string text;
        for (char c : ReadBytes(exported))
            if (c != '\0' && c != '\r') text += c;
        std::string key;
        for (size_t at = 0, end; at < text.size(); at = end + 1) {
            end = std::min(text.find('\n', at), text.size());
            const std::string line = text.substr(at, end - at);
            if (line.empty()) continue;
            if (line[0] == '[') key = line;
            if (!IsWineOwnKey(key)) state.insert("registry " + key + " " + line);
        }
    }
    return state;
}

std::vector<std::string> Difference(const std::set<std::string>& a, const std::set<std::string>& b)
{
    std::vector<std::string> lines;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(lines));
    return lines;
}

// The simulated board's rails as the panel shows them: VCORE, +12, -12 and
// +3.3 on the left, +2.5, +1.8, +1.5 and AGP on the right.
struct Rail {
    int x, y;
    const char* text;
};
constexpr Rail Rails[] = {{90, 250, " 1.76V"},  {90, 270, "12.01V"},  {90, 290, "-11.98V"}, {90, 310, " 3.29V"},
                          {280, 250, " 2.49V"}, {280, 270, " 1.80V"}, {280, 290, " 1.50V"},  {280, 310, " 1.50V"}};

class Medium : public MonitorTest {};

TEST_F(Medium, SimulatorMediumInstallsMonitorsTheBoardAndIsRemovedWithoutATrace)
{
    const std::string medium = SimulatorMedium();
    ASSERT_TRUE(Exists(medium + "\\install.ini")) << "run scripts/build-medium.sh first";
    DeleteProfileSection();  // the fixture's own settings are no part of the prefix as it began
    const std::set<std::string> before = PrefixState();

    InstallFrom(medium, true, medium + "\\KelvimonSetup.exe");
    const std::string windows = Directory(GetWindowsDirectoryA);
    EXPECT_EQ(RegistryValue(RunKey, "Thermivo"), windows + "\\Kelvimon.EXE HIDE");
    EXPECT_EQ(ProfileValue("VOLTBASE"), "0,1200,-1200,330,250,180,150,150")
        << "install.ini gives the board's rail voltages; the core voltage, which depends on the processor, is learned";
    EXPECT_EQ(ProfileValue("DEFCASE"), "1");

    // The installed monitor, started from the Windows folder, reads the board
    // and, with the medium's base voltages, shows all eight rails in white:
    // within tolerance, no voltage alarm.
    StartMonitor("", true, windows + "\\Kelvimon.EXE");
    ASSERT_NE(window, nullptr);
    Board("temp0 = 47");
    RunCycle();
    EXPECT_TRUE(WaitUntil([&] {
        CloseGroupWindow();  // the shell may open it late
        const Pixels panel = CaptureClient(window);
        bool shown = ValueTextIs(panel, 40, 110, "047oC", BITMAP_VALUE_GREEN);
        for (const Rail& rail : Rails) shown = shown && ValueTextIs(panel, rail.x, rail.y, rail.text, BITMAP_VOLT_WHITE);
        return shown;
    }, 5000)) << "the panel does not show the board's readings, all in tolerance";
    SaveScreenshot("medium-installed-monitor.bmp");

    // All three fans are watched. The panel fan, at 29 C on its lowest level,
    // turns fast enough for its header to measure (which reads 0 below about
    // 2,650 rpm), and no healthy fan raises the stall alarm.
    EXPECT_EQ(ProfileValue("FANSTALL"), "1,1,1");
    EXPECT_TRUE(WaitUntil([&] {
        CloseGroupWindow();
        return ValueTextIs(CaptureClient(window), 280, 180, "03214 ", BITMAP_VALUE_FAN);
    }, 5000)) << "the panel fan reads no speed at its lowest level";
    for (int i = 0; i < 4; ++i) RunCycle();
    EXPECT_TRUE(ShowsNormalIcon()) << "an alarm on a healthy board";

    // The installed uninstaller closes the monitor and removes everything.
    Program unplant = StartProgram(windows + "\\_Unplant.exe", windows + " /S");
    DWORD exitCode = 99;
    EXPECT_TRUE(WaitForExit(unplant, 30000, &exitCode));
    EndProgram(unplant);
    EXPECT_EQ(exitCode, 0u) << "something remained";
    EXPECT_TRUE(WaitForExit(monitor, 10000)) << "the monitor still runs";

    // Only the uninstaller's own file stays, until Windows deletes it at its
    // next start.
    const std::set<std::string> after = PrefixState();
    EXPECT_EQ(Difference(before, after), std::vector<std::string>()) << "lost from the prefix";
    EXPECT_EQ(Difference(after, before), std::vector<std::string>{"file " + windows + "\\_Unplant.exe"})
        << "left in the prefix";
}

}  // namespace
