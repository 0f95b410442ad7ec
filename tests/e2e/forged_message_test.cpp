// Any program on the desktop can send the monitor's windows the messages that
// only the system or the monitor itself should send. Whatever such a
// neighbour sends, the monitor afterwards either still watches the board (an
// alarm raised afterwards sounds, the chip keeps its state) or has ended with
// the board's own fan control given back.
#include <windows.h>

#include <prsht.h>
#include <psapi.h>

#include <string>
#include <vector>

#include "tests/e2e/monitor_harness.h"

namespace {

constexpr uint8_t CaseOpenLatch = 0x10;                                  // register 0x01

// What the neighbour can reach: the main window, the page the Options sheet
// shows (when it is open) and the process, whose memory it may write.
struct Neighbour {
    HWND window;
    HWND page;
    HANDLE process;
};

template <typename T>
T ReadRemote(HANDLE process, uintptr_t address)
{
    T value = {};
    ReadProcessMemory(process, reinterpret_cast<const void*>(address), &value, sizeof value, nullptr);
    return value;
}

// The address of an exported function in the library's image in another
// process, read from the image's export table there: a 32-bit monitor has
// its own copies of the system libraries, which this program does not share.
uintptr_t RemoteExport(HANDLE process, uintptr_t base, const char* name)
{
    const auto dos = ReadRemote<IMAGE_DOS_HEADER>(process, base);
    const uintptr_t nt = base + dos.e_lfanew;
    const auto magic = ReadRemote<WORD>(process, nt + 4 + sizeof(IMAGE_FILE_HEADER));
    // The export directory is the optional header's first data directory.
    const uintptr_t directories = nt + 4 + sizeof(IMAGE_FILE_HEADER) +
                                  (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC ? offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory)
                                                                          : offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory));
    const auto exports = ReadRemote<IMAGE_DATA_DIRECTORY>(process, directories);
    const auto table = ReadRemote<IMAGE_EXPORT_DIRECTORY>(process, base + exports.VirtualAddress);
    for (DWORD i = 0; i < table.NumberOfNames; ++i) {
        const auto nameRva = ReadRemote<DWORD>(process, base + table.AddressOfNames + 4 * i);
        char text[64] = "";
        ReadProcessMemory(process, reinterpret_cast<const void*>(base + nameRva), text, sizeof text - 1, nullptr);
        if (strcmp(text, name) != 0) continue;
        const auto ordinal = ReadRemote<WORD>(process, base + table.AddressOfNameOrdinals + 2 * i);
        const auto rva = ReadRemote<DWORD>(process, base + table.AddressOfFunctions + 4 * ordinal);
        const bool forwarded = rva >= exports.VirtualAddress && rva < exports.VirtualAddress + exports.Size;
        return forwarded ? 0 : base + rva;
    }
    return 0;
}

// ExitProcess as the monitor's process has it: a code pointer that every
// process has, so that any neighbour can name it without writing anything.
uintptr_t MonitorsExitProcess(HANDLE process)
{
    BOOL wow64 = FALSE;
    IsWow64Process(process, &wow64);
    const WORD machine = wow64 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;
    HMODULE modules[512];
    DWORD size = 0;
    if (!EnumProcessModulesEx(process, modules, sizeof modules, &size, LIST_MODULES_ALL)) return 0;
    for (DWORD i = 0; i < size / sizeof(HMODULE) && i < 512; ++i) {
        char name[MAX_PATH] = "";
        GetModuleBaseNameA(process, modules[i], name, sizeof name);
        const auto base = reinterpret_cast<uintptr_t>(modules[i]);
        const auto dos = ReadRemote<IMAGE_DOS_HEADER>(process, base);
        if (lstrcmpiA(name, "kernel32.dll") != 0 || ReadRemote<WORD>(process, base + dos.e_lfanew + 4) != machine)
            continue;
        return RemoteExport(process, base, "ExitProcess");
    }
    return 0;
}

void EndSession(const Neighbour& n)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(n.window, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &result);
}

void PowerResume(const Neighbour& n)
{
    SendMessageA(n.window, WM_POWER, PWR_SUSPENDRESUME, 0);
}

void PowerBroadcastResume(const Neighbour& n)
{
    SendMessageA(n.window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
}

// The system copies the record into the monitor's process.
void CreateAgain(const Neighbour& n)
{
    CREATESTRUCTA create = {};
    create.hInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(n.window, GWLP_HINSTANCE));
    create.lpszClass = "Thermivo";
    create.lpszName = "QX7305 Thermivo";
    create.cx = 400;
    create.cy = 405;
    SendMessageA(n.window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create));
}

void TimerCallingExitProcess(const Neighbour& n)
{
    const uintptr_t exitProcess = MonitorsExitProcess(n.process);
    ASSERT_NE(exitProcess, 0u) << "ExitProcess not found in the monitor";
    PostMessageA(n.window, WM_TIMER, 100, static_cast<LPARAM>(exitProcess));
}

// A page record, in the monitor's memory and layout, whose fan index is 7.
void InitDialogWithFanSeven(const Neighbour& n)
{
    BOOL wow64 = FALSE;
    IsWow64Process(n.process, &wow64);
    // lParam follows seven fields of 4 bytes in the 32-bit record, two of
    // 4 and five of 8 bytes in the 64-bit one.
    const size_t offset = wow64 ? 28 : offsetof(PROPSHEETPAGEA, lParam);
    const size_t size = wow64 ? 48 : sizeof(PROPSHEETPAGEA);
    std::vector<char> record(size);
    record[0] = static_cast<char>(size);
    record[offset] = 7;
    void* remote = VirtualAllocEx(n.process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(remote, nullptr);
    WriteProcessMemory(n.process, remote, record.data(), size, nullptr);
    SendMessageA(n.page, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(remote));
}

enum class Outcome { Monitoring, EndedWithFansGivenBack };

struct Forgery {
    const char* name;
    void (*send)(const Neighbour&);
    WindowState state;
    Outcome outcome;
};

void PrintTo(const Forgery& forgery, std::ostream* out)
{
    *out << forgery.name;
}

std::vector<HWND> ChildWindows(HWND parent)
{
    std::vector<HWND> children;
    if (!parent) return children;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

class ForgedMessage : public MonitorTest, public ::testing::WithParamInterface<Forgery> {};

TEST_P(ForgedMessage, LeavesTheMonitorWatchingOrEndedWithTheFansGivenBack)
{
    const Forgery& forgery = GetParam();
    PrepareCpuAlarm();
    const std::vector<int> boardsOwn = FanControlRegisters();
    HWND page = StartMonitorIn(forgery.state);
    ASSERT_FALSE(HasFatalFailure());
    const Neighbour neighbour = {window, page, monitor.process};
    // Only the monitor's setting up of the chip clears this latch.
    Board("case = open");
    Board("case = closed");
    const std::vector<int> programmed = FanControlRegisters();
    const size_t pageControls = ChildWindows(neighbour.page).size();

    forgery.send(neighbour);
    ASSERT_FALSE(HasFatalFailure());

    if (forgery.outcome == Outcome::EndedWithFansGivenBack) {
        DWORD exitCode = 99;
        ASSERT_TRUE(WaitForExit(monitor, 10000, &exitCode)) << "the monitor still runs";
        EXPECT_EQ(exitCode, 0u);
        EXPECT_EQ(FanControlRegisters(), boardsOwn) << "the fans were not given back";
        return;
    }
    EXPECT_TRUE(AlarmSoundsWhenTheCpuOverheats()) << "no alarm sounded afterwards";
    EXPECT_TRUE(IsRunning(monitor));
    EXPECT_NE(board().reg[0x01] & CaseOpenLatch, 0) << "the chip was set up again";
    EXPECT_EQ(FanControlRegisters(), programmed);
    EXPECT_EQ(ChildWindows(neighbour.page).size(), pageControls) << "the page was set up again";
}

INSTANTIATE_TEST_SUITE_P(
    Neighbour, ForgedMessage,
    ::testing::Values(
        Forgery{"EndSessionShown", EndSession, WindowState::Shown, Outcome::EndedWithFansGivenBack},
        Forgery{"EndSessionHidden", EndSession, WindowState::Hidden, Outcome::EndedWithFansGivenBack},
        Forgery{"PowerResumeWithoutSuspendHidden", PowerResume, WindowState::Hidden, Outcome::Monitoring},
        Forgery{"PowerBroadcastResumeWithoutSuspendMinimised", PowerBroadcastResume, WindowState::Minimised,
                Outcome::Monitoring},
        Forgery{"SecondCreateShown", CreateAgain, WindowState::Shown, Outcome::Monitoring},
        Forgery{"TimerCallingExitProcessShown", TimerCallingExitProcess, WindowState::Shown, Outcome::Monitoring},
        Forgery{"TimerCallingExitProcessMinimised", TimerCallingExitProcess, WindowState::Minimised,
                Outcome::Monitoring},
        Forgery{"TimerCallingExitProcessUnderOptions", TimerCallingExitProcess, WindowState::OptionsOpen,
                Outcome::Monitoring},
        Forgery{"FanPageInitWithFanSeven", InitDialogWithFanSeven, WindowState::OptionsOpen, Outcome::Monitoring}),
    [](const ::testing::TestParamInfo<Forgery>& test) { return std::string(test.param.name); });

}  // namespace
