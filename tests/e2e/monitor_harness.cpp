#include "tests/e2e/monitor_harness.h"

#include <commctrl.h>
#include <prsht.h>


namespace {

constexpr DWORD StartTimeoutMs = 15000;

constexpr DWORD TrayRedrawMs = 200;
// What a redraw may take at most on a busy machine.
constexpr DWORD TrayLateMs = 3000;

// The right end of the taskbar, where the notification icon is drawn.
Pixels TrayIconArea()
{
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (!taskbar) return Pixels{};
    const Pixels bar = CaptureClient(taskbar);
    Pixels area;
    area.width = 40;
    area.height = bar.height;
    for (int y = 0; y < bar.height; ++y)
        for (int x = bar.width - area.width; x < bar.width; ++x) area.rgb.push_back(bar.At(x, y));
    return area;
}

bool ShowsAnIcon(const Pixels& area)
{
    for (uint32_t c : area.rgb)
        if (c != area.rgb.front()) return true;
    return false;
}

}  // namespace

bool ChipLockTaken()
{
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "Global\\Access_ISABUS.HTP.Method");
    if (!mutex) return false;
    const DWORD result = WaitForSingleObject(mutex, 0);
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) ReleaseMutex(mutex);
    CloseHandle(mutex);
    return result == WAIT_TIMEOUT;
}

void RunServiceInTheDriversPlace()
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    const std::string image = "\"" + BuildPath("tests\\stand_in_service.exe") + "\"";
    SC_HANDLE service = CreateServiceA(manager, "hwpio", "hwpio", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                       SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, image.c_str(), nullptr, nullptr,
                                       nullptr, nullptr, nullptr);
    ASSERT_NE(service, nullptr) << "error " << GetLastError();
    EXPECT_TRUE(StartServiceA(service, 0, nullptr)) << "error " << GetLastError();
    EXPECT_TRUE(WaitUntil([&] {
        SERVICE_STATUS status;
        return QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING;
    }, 10000));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

std::string LogHeader(const char* secondTemperature, const char* secondFan)
{
    return std::string("Time,CPU (C),") + secondTemperature + ",Panel (C),CPU fan (RPM)," + secondFan +
           ",Panel fan (RPM),Volts VCORE,Volts +12,Volts -12,Volts +3.3,Volts +2.5,Volts +1.8,Volts +1.5,Volts AGP,"
           "Case open,Temperature alarm,Voltage alarm,Case alarm,Read without lock,Fan stall alarm";
}

std::vector<std::string> Split(const std::string& text, const std::string& separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + separator.size())
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

void MonitorTest::UseLog(const std::string& path, const char* sizeKb)
{
    logPath = path;
    SetProfileValue("LOGFILE", path.c_str());
    SetProfileValue("LOGINTERVAL", "1");
    SetProfileValue("LOGSIZE", sizeKb);
}

std::vector<std::string> MonitorTest::LogLines()
{
    std::vector<std::string> lines = Split(FileText(logPath), "\r\n");
    if (lines.back().empty()) lines.pop_back();
    return lines;
}

void MonitorTest::SetUp()
{
    SetProfileValue("VOLTBASE", BoardBases);
    SimBoard& b = board();
    SimBoardLock lock(b);
    char error[80];
    SimApplyScenario(b, "noise = 0", error, sizeof error);
}

void MonitorTest::TearDown()
{
    EndProgram(monitor);
}

void MonitorTest::StartMonitor(const std::string& arguments, bool expectWindow, const std::string& exePath)
{
    {
        SimBoardLock lock(board());
        SimClearJournal(board());  // cycles are counted per run
    }
    monitor = StartProgram(exePath.empty() ? ProgramPath("monitor\\KelvimonSim.exe") : exePath, arguments);
    if (!expectWindow) return;
    window = WaitForWindow(monitor.pid, "Thermivo", nullptr, StartTimeoutMs);
    ASSERT_NE(window, nullptr) << "the monitor's window did not appear";
    // The window exists while it is still being created; creation ends with
    // the fans programmed, and then the message loop answers.
    ASSERT_TRUE(WaitUntil([&] { return (board().reg[0x13] & 0x07) == 0x07; }, StartTimeoutMs))
        << "the fans were not programmed";
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, StartTimeoutMs, &result));
    // A window placed over the notification area hides the icon; tests that
    // look at the icon keep it clear.
    if (WaitUntil([&] { return ShowsAnIcon(TrayIconArea()); }, 3000)) {
        Sleep(TrayRedrawMs);
        normalTray = TrayIconArea();
    }
}

HWND MonitorTest::StartMonitorIn(WindowState state)
{
    StartMonitor(state == WindowState::Hidden ? "HIDE" : "");
    if (state == WindowState::Minimised) SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    if (state != WindowState::OptionsOpen || HasFatalFailure()) return nullptr;
    HWND sheet = OpenOptions();
    return sheet ? CurrentPage(sheet) : nullptr;
}

void MonitorTest::CloseMonitor()
{
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(WaitForExit(monitor, 10000, &exitCode)) << "the monitor did not end";
    EXPECT_EQ(exitCode, 0u);
}

void MonitorTest::Board(const char* lines)
{
    SimBoard& b = board();
    SimBoardLock lock(b);
    char error[120];
    ASSERT_TRUE(SimApplyScenario(b, lines, error, sizeof error)) << error;
}

uint32_t MonitorTest::ToneCount()
{
    SimBoardLock lock(board());
    return board().toneCount;
}

void MonitorTest::PrepareCpuAlarm()
{
    SetProfileValue("FAN0", "1,25,35,45,60,75,90,100,110,90");
    SetProfileValue("SOUND", "1");
    Board("temp0 = 40");
}

bool MonitorTest::AlarmSoundsWhenTheCpuOverheats()
{
    const uint32_t tones = ToneCount();
    Board("temp0 = 95");
    return WaitUntil([&] { return ToneCount() > tones; }, 6000);
}

std::vector<int> MonitorTest::FanControlRegisters()
{
    SimBoardLock lock(board());
    const uint8_t* r = board().reg + 0x13;
    return std::vector<int>(r, r + 5);
}

void MonitorTest::RunCycle()
{
    // Posted, as the timer's own are: a sent one could run inside the
    // monitor's cycle while that waits for the shell to change the tray icon,
    // and the outer cycle would then undo its outcome.
    const uint32_t before = CyclesRun();
    PostMessageA(window, WM_TIMER, 100, 0);
    ASSERT_TRUE(WaitUntil([&] { return CyclesRun() > before; }, 5000, 1)) << "no cycle ran";
    // Answered once the monitor waits for messages again (or for the shell).
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
}

uint32_t MonitorTest::CyclesRun()
{
    SimBoard& b = board();
    SimBoardLock lock(b);
    // A cycle starts with the read-modify-write of register 0x14; the
    // initialisation's write of 0x14 comes right after its save reads, and is
    // not counted because 0x59 follows it.
    uint32_t cycles = 0;
    uint8_t index = 0;
    for (uint32_t i = 0; i < SimJournalKept(b); ++i) {
        const SimPortAccess& a = SimJournalEntry(b, i);
        if (a.port == 0x295 && a.isWrite) index = a.value;
        if (a.port == 0x296 && a.isWrite && index == 0x14) {
            // The cycle's next register access is a temperature register.
            for (uint32_t j = i + 1; j < SimJournalKept(b); ++j) {
                const SimPortAccess& next = SimJournalEntry(b, j);
                if (next.port != 0x295) continue;
                if (next.value >= 0x29 && next.value <= 0x2B) ++cycles;
                break;
            }
        }
    }
    return cycles;
}

void MonitorTest::WaitForTimerCycle()
{
    const uint32_t before = CyclesRun();
    ASSERT_TRUE(WaitUntil([&] { return CyclesRun() > before; }, 3000, 5)) << "the timer stopped";
}

bool MonitorTest::ShowsNormalIcon()
{
    EXPECT_TRUE(ShowsAnIcon(normalTray)) << "no icon in the notification area at start";
    Sleep(TrayRedrawMs);
    return TrayIconArea().rgb == normalTray.rgb;
}

bool MonitorTest::ReturnsToNormalIcon()
{
    // Held meanwhile, so that only the cycles run so far can have restored it.
    HoldProcess(monitor.pid, true);
    const bool normal =
        ShowsNormalIcon() || WaitUntil([&] { return TrayIconArea().rgb == normalTray.rgb; }, TrayLateMs);
    HoldProcess(monitor.pid, false);
    return normal;
}

bool MonitorTest::ShowsNormalIconAfter(uint32_t* cycles, uint32_t quietCycles)
{
    for (;;) {
        const uint32_t before = CyclesRun();
        const bool expectNormal = (before - quietCycles) % 2 == 1;
        bool normal = ShowsNormalIcon();
        if (normal != expectNormal) {
            WaitUntil([&] {
                normal = TrayIconArea().rgb == normalTray.rgb;
                return normal == expectNormal || CyclesRun() != before;
            }, TrayLateMs);
        }
        *cycles = CyclesRun();
        if (*cycles == before) return normal;
    }
}

HWND MonitorTest::OpenOptions()
{
    // A sheet just closed may still be on its way out, and would be found.
    EXPECT_TRUE(WaitUntil([&] { return !SheetIsOpen(); }, 5000)) << "the last Options sheet did not close";
    PostMessageA(window, WM_LBUTTONDOWN, 0, MAKELPARAM(200, 380));
    HWND sheet = WaitForDialog(monitor.pid, "Option", 10000);
    EXPECT_NE(sheet, nullptr) << "the Options sheet did not open";
    return sheet;
}

bool MonitorTest::SheetIsOpen()
{
    return FindProcessWindow(monitor.pid, "#32770", "Option") != nullptr;
}

void MonitorTest::ClickButton(HWND page, int id)
{
    SendMessageA(GetDlgItem(page, id), BM_CLICK, 0, 0);
}

void MonitorTest::Drag(HWND page, int id, int32_t position, UINT scroll)
{
    HWND slider = GetDlgItem(page, id);
    SendMessageA(slider, TBM_SETPOS, TRUE, position);
    SendMessageA(page, scroll, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(slider));
    SendMessageA(page, scroll, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
}

HWND MonitorTest::CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

void MonitorTest::PressSheetButton(HWND sheet, int button)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(sheet, PSM_PRESSBUTTON, button, 0, SMTO_NORMAL, 10000, &result);
}

std::vector<std::string> MonitorTest::SheetTabTitles(HWND sheet)
{
    std::vector<std::string> titles;
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    const int count = static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    // The item record and its text live in the monitor's memory, laid out
    // the way the monitor's width lays it out.
    BOOL monitorIs32Bit = FALSE;
    IsWow64Process(monitor.process, &monitorIs32Bit);
    struct TabItem32 {
        UINT mask;
        DWORD state, stateMask;
        DWORD text;  // a pointer of the 32-bit process
        int textMax, image;
        DWORD param;
    };
    constexpr SIZE_T TextSize = 128;
    constexpr SIZE_T RecordSize = sizeof(TCITEMA) > sizeof(TabItem32) ? sizeof(TCITEMA) : sizeof(TabItem32);
    auto* remote = static_cast<char*>(
        VirtualAllocEx(monitor.process, nullptr, RecordSize + TextSize, MEM_COMMIT, PAGE_READWRITE));
    char* remoteText = remote + RecordSize;
    for (int i = 0; i < count; ++i) {
        if (monitorIs32Bit) {
            const TabItem32 item = {TCIF_TEXT, 0, 0, static_cast<DWORD>(reinterpret_cast<UINT_PTR>(remoteText)),
                                    TextSize, 0, 0};
            WriteProcessMemory(monitor.process, remote, &item, sizeof item, nullptr);
        } else {
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = remoteText;
            item.cchTextMax = TextSize;
            WriteProcessMemory(monitor.process, remote, &item, sizeof item, nullptr);
        }
        SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(remote));
        char text[TextSize] = "";
        ReadProcessMemory(monitor.process, remoteText, text, TextSize - 1, nullptr);
        titles.push_back(text);
    }
    VirtualFreeEx(monitor.process, remote, 0, MEM_RELEASE);
    return titles;
}

const Pixels& MonitorTest::Strip(int id)
{
    Pixels& cached = strips[id];
    if (cached.rgb.empty()) cached = BitmapResource(ProgramPath("monitor\\KelvimonSim.exe"), id);
    return cached;
}

bool MonitorTest::ValueTextIs(const Pixels& panel, int x, int y, const char* text, int strip)
{
    const Pixels& s = Strip(strip);
    if (text[0] == '-') {
        if (!BlocksEqual(panel, x - 10, y, s, 200, 0, 10, 20)) return false;
        ++text;
    } else if (!BlockIs(panel, x - 10, y, 10, 20, 0)) {
        return false;
    }
    for (; *text; ++text) {
        const char c = *text;
        int sourceX = 0, width = 15;
        if (c >= '0' && c <= '9') sourceX = 15 * (c - '0');
        else if (c == '.') sourceX = 160, width = 10;
        else if (c == 'o') sourceX = 170, width = 10;
        else if (c == 'V') sourceX = 210;
        else if (c == 'C') sourceX = 225;
        else if (c == 'F') sourceX = 240;
        if (c == ' ') {
            if (!BlockIs(panel, x, y, 15, 20, 0)) return false;
        } else if (!BlocksEqual(panel, x, y, s, sourceX, 0, width, 20)) {
            return false;
        }
        x += width;
    }
    return true;
}
