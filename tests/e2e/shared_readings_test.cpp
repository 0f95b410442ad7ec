// The readings beyond the window: the readings block that SHAREREADINGS=1
// publishes, the reader Readings.exe that prints it, and the temperatures
// that TRAYTIP=1 puts into the tray icon's tip.
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/readings_access.h"
#include "monitor/core/main_window.h"
#include "tests/e2e/monitor_harness.h"

namespace {

// What the monitor created in this process asks of the shell.
struct ShellRequest {
    DWORD message;
    UINT flags;
    std::string tip;
};
std::vector<ShellRequest> shellRequests;

BOOL WINAPI RecordShellRequest(DWORD message, PNOTIFYICONDATAA record)
{
    shellRequests.push_back({message, record->uFlags, (record->uFlags & NIF_TIP) ? record->szTip : ""});
    static const auto shell = reinterpret_cast<BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAA)>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("shell32.dll"), "Shell_NotifyIconA")));
    return shell(message, record);
}

}  // namespace

// The monitor's code in this program calls Shell_NotifyIconA through this
// import slot: each request is recorded, then handed to the shell.
extern "C" {
BOOL(WINAPI* __imp_Shell_NotifyIconA)(DWORD, PNOTIFYICONDATAA) = RecordShellRequest;
}

namespace {

struct ReaderRun {
    DWORD code;
    std::string output;
    std::string errors;
};

ReaderRun RunReader(const char* arguments = "")
{
    ReaderRun run;
    run.code = RunConsoleProgram(ProgramPath("reader\\Readings.exe"), arguments, &run.output, &run.errors);
    return run;
}

// The block under the name a reader of the family looks for first.
HANDLE OpenBlock(const char* name, DWORD access = FILE_MAP_READ)
{
    return OpenFileMappingA(access, FALSE, name);
}

bool BlockExists()
{
    for (const char* name : {THERMIVO_READINGS_GLOBAL_NAME, THERMIVO_READINGS_NAME}) {
        HANDLE block = OpenBlock(name);
        if (block) {
            CloseHandle(block);
            return true;
        }
    }
    return false;
}

// The words of the reader's line that begins with the name and a blank.
std::vector<std::string> LineWords(const std::string& output, const std::string& name)
{
    for (const std::string& line : Split(output, "\r\n")) {
        if (line.compare(0, name.size() + 1, name + " ") != 0) continue;
        std::istringstream in(line.substr(name.size()));
        std::vector<std::string> words;
        for (std::string word; in >> word;) words.push_back(word);
        return words;
    }
    return {};
}

using Words = std::vector<std::string>;

// The board the tests read: fixed temperatures, the CPU fan counted at
// 5000 RPM, the panel fan stopped.
constexpr const char* FixedBoard = "temp0 = 41\ntemp1 = 34\ntemp2 = 29\nfan0.count = 135\nfan2 = stopped";

class SharedReadings : public MonitorTest {
protected:
    void UseKeys(bool share, bool tip)
    {
        SetProfileValue("SHAREREADINGS", share ? "1" : "");
        SetProfileValue("TRAYTIP", tip ? "1" : "");
    }

    // The reader's run once it reports code, within timeoutMs.
    ReaderRun ReaderWhen(DWORD code, DWORD timeoutMs, const std::function<bool(const ReaderRun&)>& also = nullptr)
    {
        ReaderRun run = {};
        WaitUntil([&] {
            run = RunReader();
            return run.code == code && (!also || also(run));
        }, timeoutMs, 100);
        return run;
    }
};

// The tip the shell shows for the monitor's icon: the pointer is moved onto
// the icon, as a hand would move it, and the text read from the shell's
// tooltip; "" when none shows.
std::string ShellTip()
{
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    RECT bar = {};
    GetWindowRect(taskbar, &bar);
    const POINT icon = {bar.right - 12, (bar.top + bar.bottom) / 2};
    auto moveTo = [](POINT at) {
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dx = at.x * 65536 / GetSystemMetrics(SM_CXSCREEN);
        input.mi.dy = at.y * 65536 / GetSystemMetrics(SM_CYSCREEN);
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        SendInput(1, &input, sizeof input);
    };
    std::string tip;
    WaitUntil([&] {
        moveTo({icon.x - 40, icon.y - 60});
        Sleep(50);
        moveTo(icon);
        return WaitUntil([&] {
            HWND shown = nullptr;
            while ((shown = FindWindowExA(nullptr, shown, "tooltips_class32", nullptr)) != nullptr)
                if (IsWindowVisible(shown) && !(tip = WindowText(shown)).empty()) return true;
            return false;
        }, 2000, 50);
    }, 10000, 0);
    return tip;
}

struct KeyCase {
    const char* name;
    const char* wineVersion;  // nullptr: the prefix's own, NT family
    bool share, tip;
    const char* blockName;  // where the block is, or nullptr
};

constexpr const char* FixedTip = "CPU 41\xB0" "C, System 34\xB0" "C, Panel 29\xB0" "C";

class ReadingKeys : public SharedReadings, public ::testing::WithParamInterface<KeyCase> {};

// Each key gives what it names and nothing else; without both the block does
// not exist and the tip is the program's name.
TEST_P(ReadingKeys, EachKeyGivesItsOwnAndNothingElse)
{
    const KeyCase& c = GetParam();
    if (c.wineVersion) {
        HKEY wine;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &wine,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(wine, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.wineVersion),
                       static_cast<DWORD>(strlen(c.wineVersion) + 1));
        RegCloseKey(wine);
    }
    UseKeys(c.share, c.tip);
    Board(FixedBoard);
    StartMonitor("HIDE");
    for (int i = 0; i < 2; ++i) RunCycle();

    for (const char* name : {THERMIVO_READINGS_GLOBAL_NAME, THERMIVO_READINGS_NAME}) {
        HANDLE block = OpenBlock(name);
        EXPECT_EQ(block != nullptr, c.blockName && strcmp(c.blockName, name) == 0) << name;
        if (block) CloseHandle(block);
    }
    const ReaderRun run = RunReader();
    EXPECT_EQ(run.code, c.share ? 0u : 1u) << run.errors;
    EXPECT_EQ(LineWords(run.output, "CPU"), c.share ? Words({"41", "C"}) : Words()) << run.output;

    const std::string tip = ShellTip();
    EXPECT_EQ(tip, c.tip ? FixedTip : "Thermivo");
    if (c.tip && c.share && !c.wineVersion) SaveScreenshot("tray-tip.bmp");
}

INSTANTIATE_TEST_SUITE_P(, ReadingKeys,
                         ::testing::Values(KeyCase{"Neither", nullptr, false, false, nullptr},
                                           KeyCase{"BlockOnly", nullptr, true, false, THERMIVO_READINGS_GLOBAL_NAME},
                                           KeyCase{"TipOnly", nullptr, false, true, nullptr},
                                           KeyCase{"Both", nullptr, true, true, THERMIVO_READINGS_GLOBAL_NAME},
                                           KeyCase{"BothOnWindows98", "win98", true, true, THERMIVO_READINGS_NAME}),
                         [](const ::testing::TestParamInfo<KeyCase>& param) { return std::string(param.param.name); });

TEST_F(SharedReadings, ReaderPrintsTheBoardAndFollowsAChangeWithinTwoSeconds)
{
    UseKeys(true, false);
    SetProfileValue("DEFCASE", "1");
    Board(FixedBoard);
    StartMonitor();
    ReaderRun run = ReaderWhen(0, 5000, [](const ReaderRun& r) { return !LineWords(r.output, "CPU").empty(); });
    EXPECT_EQ(LineWords(run.output, "CPU"), Words({"41", "C"})) << run.output;
    EXPECT_EQ(LineWords(run.output, "System"), Words({"34", "C"}));
    EXPECT_EQ(LineWords(run.output, "CPU fan"), Words({"5000", "RPM"}));
    EXPECT_EQ(LineWords(run.output, "Panel fan"), Words({"0", "RPM"}));
    EXPECT_EQ(LineWords(run.output, "Case"), Words({"closed"}));
    EXPECT_EQ(Split(run.output, "\r\n").size(), 1 + 3 + 3 + 8 + 1 + 1u) << "a time line, a line per reading, the end";

    run = RunReader("/CSV");
    EXPECT_EQ(run.code, 0u);
    const std::vector<std::string> columns = Split(run.output.substr(0, run.output.find("\r\n")), ",");
    ASSERT_EQ(columns.size(), 20u) << run.output;
    EXPECT_EQ(Words(columns.begin() + 1, columns.begin() + 5), Words({"41", "34", "29", "5000"}));
    EXPECT_EQ(columns[6], "0") << "the panel fan";
    EXPECT_EQ(columns[8].substr(0, 3), "12.") << "the +12 V rail";
    EXPECT_EQ(columns[15], "0") << "case closed";

    // Nobody but the monitor writes into it.
    EXPECT_EQ(OpenBlock(THERMIVO_READINGS_GLOBAL_NAME, FILE_MAP_WRITE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    ASSERT_EQ(RunBoardctl("set temp0=85 case=open"), 0u);
    const DWORD changed = GetTickCount();
    run = ReaderWhen(0, 2000, [](const ReaderRun& r) {
        const Words cpu = LineWords(r.output, "CPU");
        return !cpu.empty() && cpu[0] == "85";
    });
    EXPECT_EQ(LineWords(run.output, "CPU"), Words({"85", "C", "Alarm"})) << "the built-in curve alarms at 80 C";
    EXPECT_LE(GetTickCount() - changed, 2000u) << run.output;
    EXPECT_EQ(LineWords(run.output, "Case"), Words({"open", "Alarm"}));
}

// A program reading the block 10,000 times a second while the monitor runs
// cycle after cycle: every copy it takes is one whole update.
TEST_F(SharedReadings, AHammeringReaderNeverSeesATornRecord)
{
    UseKeys(true, false);
    StartMonitor();
    ASSERT_TRUE(WaitUntil([] { return BlockExists(); }, 5000));
    HANDLE mapping = OpenBlock(THERMIVO_READINGS_GLOBAL_NAME);
    ASSERT_NE(mapping, nullptr);
    const auto* block = static_cast<const ThermivoReadings*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    ASSERT_NE(block, nullptr);

    std::atomic<bool> stop(false);
    std::thread cycles([&] {
        DWORD_PTR result = 0;
        while (!stop) SendMessageTimeoutA(window, WM_TIMER, 100, 0, SMTO_NORMAL, 5000, &result);
    });
    int attempts = 0, copied = 0, busy = 0, damaged = 0, backwards = 0;
    uint32_t firstUpdate = 0, lastUpdate = 0;
    const DWORD start = GetTickCount();
    for (DWORD ms = 0; ms < 3000; ms = GetTickCount() - start) {
        for (; attempts < static_cast<int>(ms) * 10; ++attempts) {
            ThermivoReadings copy;
            switch (TryCopyReadings(block, &copy)) {
            case ReadingsCopy::Copied:
                ++copied;
                if (copy.updateCount < lastUpdate) ++backwards;
                if (!firstUpdate) firstUpdate = copy.updateCount;
                lastUpdate = copy.updateCount;
                break;
            case ReadingsCopy::Busy: ++busy; break;
            case ReadingsCopy::Damaged: ++damaged; break;
            }
        }
        Sleep(1);
    }
    stop = true;
    cycles.join();
    UnmapViewOfFile(block);
    CloseHandle(mapping);
    EXPECT_EQ(damaged, 0) << "copies that mixed two updates";
    EXPECT_EQ(backwards, 0);
    EXPECT_GT(copied, 20000);
    EXPECT_GT(lastUpdate - firstUpdate, 50u) << "the monitor updated the block meanwhile";
    printf("%d copies, %d found the monitor writing, %u updates\n", copied, busy, lastUpdate - firstUpdate);
}

// No monitor: 1. A monitor that runs: 0. One held still: 2, once its last
// update is five seconds old, and 0 again when it goes on. After it ends the
// block is gone and the reader says 1 again.
TEST_F(SharedReadings, ReaderExitCodesFollowTheMonitorsLife)
{
    UseKeys(true, false);
    ReaderRun run = RunReader();
    EXPECT_EQ(run.code, 1u);
    EXPECT_NE(run.errors.find("no monitor publishes its readings"), std::string::npos) << run.errors;
    EXPECT_EQ(run.output, "");

    StartMonitor();
    EXPECT_EQ(ReaderWhen(0, 5000).code, 0u);

    HoldProcess(monitor.pid, true);
    const DWORD held = GetTickCount();
    run = ReaderWhen(2, 10000);
    const DWORD heldFor = GetTickCount() - held;
    HoldProcess(monitor.pid, false);
    EXPECT_EQ(run.code, 2u);
    // Five seconds after its last update, which came at most a cycle before.
    EXPECT_GE(heldFor, 4000u) << "stale too early";
    EXPECT_NE(run.errors.find("stopped updating"), std::string::npos) << run.errors;
    EXPECT_EQ(ReaderWhen(0, 5000).code, 0u);

    CloseMonitor();
    EXPECT_FALSE(BlockExists()) << "the block outlived the monitor";
    run = RunReader();
    EXPECT_EQ(run.code, 1u) << run.errors;
}

// A block that exists before the monitor starts is someone else's: the
// monitor leaves it as it is, says nothing and goes on without publishing,
// and the reader refuses it with the reason.
struct SquatCase {
    const char* name;
    size_t size;
    void (*fill)(ThermivoReadings& bytes);
    const char* message;
};

void Genuine(ThermivoReadings& b)
{
    StartReadingsBlock(b);
    b.running = 1;
    b.checksum = ReadingsChecksum(b);
}

class SquattedBlock : public SharedReadings, public ::testing::WithParamInterface<SquatCase> {};

TEST_P(SquattedBlock, MonitorLeavesItAloneAndTheReaderRefusesIt)
{
    const SquatCase& c = GetParam();
    HANDLE squat = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(c.size),
                                      THERMIVO_READINGS_GLOBAL_NAME);
    ASSERT_NE(squat, nullptr);
    auto* bytes = static_cast<uint8_t*>(MapViewOfFile(squat, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(bytes, nullptr);
    ThermivoReadings content = {};
    c.fill(content);
    memcpy(bytes, &content, std::min(c.size, sizeof content));
    const std::vector<uint8_t> before(bytes, bytes + c.size);

    UseKeys(true, false);
    StartMonitor();
    for (int i = 0; i < 3; ++i) RunCycle();
    EXPECT_TRUE(std::vector<uint8_t>(bytes, bytes + c.size) == before) << "the monitor wrote into it";
    EXPECT_EQ(OpenBlock(THERMIVO_READINGS_NAME), nullptr) << "published under the other name instead";
    EXPECT_EQ(FindProcessWindow(monitor.pid, "#32770", nullptr), nullptr) << "a box came up";
    EXPECT_TRUE(IsRunning(monitor));

    const ReaderRun run = RunReader();
    EXPECT_EQ(run.code, 1u);
    EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
    EXPECT_EQ(run.output, "");
    UnmapViewOfFile(bytes);
    CloseHandle(squat);
}

INSTANTIATE_TEST_SUITE_P(
    , SquattedBlock,
    ::testing::Values(
        SquatCase{"AnotherProgramsBlock", 4096,
                  [](ThermivoReadings& b) { memcpy(&b, "Readings of another program", 28); },
                  "is not Thermivo's readings block"},
        SquatCase{"AnOlderLayout", 4096,
                  [](ThermivoReadings& b) {
                      Genuine(b);
                      b.version = 0;
                  },
                  "has layout version 0; this reader reads version 1"},
        SquatCase{"AnotherSize", 4096,
                  [](ThermivoReadings& b) {
                      Genuine(b);
                      b.size = 900;
                  },
                  "has 900 bytes"},
        SquatCase{"NeverWritten", 4096, [](ThermivoReadings&) {}, "holds no readings"},
        // Cut short within its page, which the system fills with zeros.
        SquatCase{"CutShort", 64, Genuine, "does not match its checksum"}),
    [](const ::testing::TestParamInfo<SquatCase>& param) { return std::string(param.param.name); });

// The shell is given the tip when the icon is added, again only when its
// text changes, and the tip it had when the taskbar comes back: with TRAYTIP
// the shown temperatures in the panel's unit, titles cut so that every value
// fits; without it never anything but the program's name.
struct TipStory {
    const char* name;
    const char* trayTip, *scale, *itemsOn, *cpuTitle;  // TRAYTIP, CSCALE, FANONOF, TITLE0; nullptr: unset
    const char* quiet, *alarm;                          // the tips given, or nullptr for none
};

class TipRequests : public SharedReadings, public ::testing::WithParamInterface<TipStory> {};

TEST_P(TipRequests, TheShellGetsTheTipOnlyWhenItsTextChanges)
{
    const TipStory& c = GetParam();
    SetProfileValue("TRAYTIP", c.trayTip);
    SetProfileValue("CSCALE", c.scale);
    SetProfileValue("FANONOF", c.itemsOn);
    SetProfileValue("TITLE0", c.cpuTitle);
    SetProfileValue("FAN0", "1,25,35,45,60,75,90,100,110,90");  // alarm at 75 C
    Board(FixedBoard);
    window = ::CreateMainWindow(GetModuleHandleA(nullptr));
    ASSERT_NE(window, nullptr);
    auto cycles = [&](const char* board, int count) {
        if (*board) Board(board);
        for (int i = 0; i < count; ++i) SendMessageA(window, WM_TIMER, 100, 0);
    };
    cycles("", 3);
    cycles("temp0 = 80", 4);
    cycles("temp0 = 41", 3);
    SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    DestroyWindow(window);
    window = nullptr;

    Words tips;
    for (const ShellRequest& r : shellRequests)
        if (r.flags & NIF_TIP) tips.push_back((r.message == NIM_ADD ? "add: " : "modify: ") + r.tip);
    const std::string quiet = c.quiet ? c.quiet : "Thermivo";
    Words expected = {"add: Thermivo"};
    if (c.quiet)
        expected.insert(expected.end(), {"modify: " + quiet, std::string("modify: ") + c.alarm, "modify: " + quiet});
    expected.push_back("add: " + quiet);
    EXPECT_EQ(tips, expected);
}

INSTANTIATE_TEST_SUITE_P(
    , TipRequests,
    ::testing::Values(
        TipStory{"WithoutTrayTip", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
        TipStory{"WithTrayTip", "1", nullptr, nullptr, nullptr, FixedTip,
                 "Alarm: CPU 80\xB0" "C, System 34\xB0" "C, Panel 29\xB0" "C"},
        TipStory{"InFahrenheitWithoutTheHiddenOne", "1", "0", "1,0,1,1,1,1",
                 "Processor under the heat sink beside the memory slots",
                 "Processor under the heat sink beside the memo 106\xB0" "F, Panel 84\xB0" "F",
                 "Alarm: Processor under the heat sink beside t 176\xB0" "F, Panel 84\xB0" "F"}),
    [](const ::testing::TestParamInfo<TipStory>& param) { return std::string(param.param.name); });

}  // namespace
