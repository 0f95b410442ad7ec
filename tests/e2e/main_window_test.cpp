// The monitor's main window created inside the test process, on the
// simulated board: menus belong to their process, so only here can its system
// menu be read, and only here can the warning sound's requests for the wave be
// seen, since no sound device plays them.
#include <gtest/gtest.h>
#include <windows.h>

#include <mmsystem.h>

#include <string>
#include <vector>

#include "monitor/core/main_window.h"
#include "monitor/res/resource_ids.h"
#include "monitor/settings/monitor_config.h"
#include "tests/e2e/monitor_harness.h"

namespace {

struct WaveRequest {
    const char* name;
    HMODULE module;
    DWORD flags;
    DWORD tick;
};
constexpr LONG MaxWaveRequests = 64;
WaveRequest waveRequests[MaxWaveRequests];
volatile LONG waveRequestCount;

// Returns at once, as the system does when it cannot play the wave.
BOOL WINAPI RecordWaveRequest(LPCSTR name, HMODULE module, DWORD flags)
{
    const LONG i = InterlockedIncrement(&waveRequestCount) - 1;
    if (i < MaxWaveRequests) waveRequests[i] = {name, module, flags, GetTickCount()};
    return FALSE;
}

}  // namespace

// The monitor's code calls PlaySoundA through this import slot; defined here,
// it takes the place of the system library's, so that this program records
// each request instead of playing it.
extern "C" {
BOOL(WINAPI* __imp_PlaySoundA)(LPCSTR, HMODULE, DWORD) = RecordWaveRequest;
}

namespace {

constexpr UINT Greyed = MFS_GRAYED, Checked = MFS_CHECKED;

struct MenuItem {
    UINT id;
    std::string text;  // "-" for a separator
    UINT state;        // greyed and checked bits only

    bool operator==(const MenuItem& other) const
    {
        return id == other.id && text == other.text && state == other.state;
    }
};

void PrintTo(const MenuItem& item, std::ostream* out)
{
    *out << "{" << item.id << ", \"" << item.text << "\", " << item.state << "}";
}

class MainWindowInProcess : public MonitorTest {
protected:
    // The program's own window, with this program's copy of the monitor's
    // resources.
    void OpenMainWindow(const char* soundMode)
    {
        SetProfileValue("FAN0", InstallerFan);
        SetProfileValue("SOUND", soundMode);
        Board("temp0 = 40\ntemp1 = 30\ntemp2 = 30");
        window = ::CreateMainWindow(GetModuleHandleA(nullptr));
        ASSERT_NE(window, nullptr);
    }

    void TearDown() override
    {
        if (window) DestroyWindow(window);
        MonitorTest::TearDown();
    }

    void SystemCommand(UINT id) { SendMessageA(window, WM_SYSCOMMAND, id, 0); }

    std::vector<MenuItem> SystemMenu()
    {
        std::vector<MenuItem> items;
        HMENU menu = GetSystemMenu(window, FALSE);
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char text[64] = "";
            MENUITEMINFOA info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
            info.dwTypeData = text;
            info.cch = sizeof text;
            GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
            const bool separator = (info.fType & MFT_SEPARATOR) != 0;
            // The system may grey a separator; only items have a state that counts.
            if (separator) items.push_back({info.wID, "-", 0});
            else items.push_back({info.wID, text, info.fState & (Greyed | Checked)});
        }
        return items;
    }

    // The last four items: the monitor's own.
    std::vector<MenuItem> OwnItems()
    {
        const std::vector<MenuItem> items = SystemMenu();
        return items.size() < 4 ? items : std::vector<MenuItem>(items.end() - 4, items.end());
    }

    std::vector<MenuItem> ExpectedOwnItems(UINT topMostState, UINT soundState)
    {
        return {{0, "-", 0},
                {SystemCommandTopMost, "TopMost", topMostState},
                {SystemCommandTurnOffSound, "Turn Off Sound", soundState},
                {SystemCommandAbout, "About", 0}};
    }
};

class SystemMenuAfterAStart : public MainWindowInProcess, public ::testing::WithParamInterface<const char*> {};

// The system's sizing and maximising items are gone and the monitor's three
// follow a separator at the end; "TopMost" carries a check mark while the
// window stays on top, and "Turn Off Sound" is greyed exactly while no sound
// is applied, from the start on and after every change.
TEST_P(SystemMenuAfterAStart, ItemsOrderCheckMarkAndGreyedState)
{
    const bool soundAtStart = GetParam()[0] != '0';
    OpenMainWindow(GetParam());
    for (const MenuItem& item : SystemMenu()) {
        EXPECT_NE(item.id, static_cast<UINT>(SC_SIZE));
        EXPECT_NE(item.id, static_cast<UINT>(SC_MAXIMIZE));
    }
    EXPECT_EQ(OwnItems(), ExpectedOwnItems(0, soundAtStart ? 0 : Greyed));

    SystemCommand(SystemCommandTopMost);
    EXPECT_EQ(OwnItems(), ExpectedOwnItems(Checked, soundAtStart ? 0 : Greyed));
    EXPECT_NE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    SystemCommand(SystemCommandTopMost);
    EXPECT_EQ(OwnItems(), ExpectedOwnItems(0, soundAtStart ? 0 : Greyed));
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    // What the Misc page does when it enables the sound.
    monitorConfig.soundMode = 1;
    SystemCommand(SystemCommandApplySound);
    EXPECT_EQ(OwnItems(), ExpectedOwnItems(0, 0));
    // A tone shows the worker past its thread's start-up: held in the middle
    // of it, it would keep the loader's lock and the process could not end.
    const uint32_t tones = ToneCount();
    Board("temp0 = 80");
    SendMessageA(window, WM_TIMER, MonitorTimerId, 0);
    ASSERT_TRUE(WaitUntil([&] { return ToneCount() > tones; }, 8000)) << "the alarm is not heard";
    SystemCommand(SystemCommandTurnOffSound);
    EXPECT_EQ(OwnItems(), ExpectedOwnItems(0, Greyed));
    EXPECT_EQ(monitorConfig.soundMode, 0);
}

INSTANTIATE_TEST_SUITE_P(SoundOnAndOff, SystemMenuAfterAStart, ::testing::Values("1", "0"));

// With the sound card chosen, an alarm asks for the monitor's own wave
// resource, to be played to its end, and asks again after each pause.
TEST_F(MainWindowInProcess, SoundCardModeRequestsTheWaveAgainAndAgainDuringAnAlarm)
{
    OpenMainWindow("2");
    HRSRC wave = FindResourceA(moduleInstance, MAKEINTRESOURCEA(WAVE_ALERT), "WAVE");
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(LockResource(LoadResource(moduleInstance, wave))), 4), "RIFF");

    SendMessageA(window, WM_TIMER, MonitorTimerId, 0);
    Sleep(1500);
    EXPECT_EQ(waveRequestCount, 0) << "no alarm, no wave";
    Board("temp0 = 80");
    SendMessageA(window, WM_TIMER, MonitorTimerId, 0);
    ASSERT_TRUE(WaitUntil([] { return waveRequestCount >= 3; }, 8000)) << waveRequestCount << " requests";

    for (LONG i = 0; i < 3; ++i) {
        const WaveRequest& request = waveRequests[i];
        EXPECT_EQ(request.name, MAKEINTRESOURCEA(WAVE_ALERT)) << "request " << i;
        EXPECT_EQ(request.module, moduleInstance) << "request " << i;
        EXPECT_EQ(request.flags, static_cast<DWORD>(SND_RESOURCE)) << "played to its end, request " << i;
        // The pause between waves; the tick count may lag by a tick.
        if (i > 0) {
            EXPECT_GE(request.tick - waveRequests[i - 1].tick, 1000u - 20u) << "request " << i;
        }
    }
}

// A WM_CREATE that another program sends, here without a record, finds
// the window created already and sets nothing up again.
TEST_F(MainWindowInProcess, ASecondCreateWithoutARecordSetsNothingUpAgain)
{
    OpenMainWindow("1");
    const HPEN pen = focusPen;
    const HANDLE worker = soundThread;
    SendMessageA(window, WM_CREATE, 0, 0);
    EXPECT_EQ(focusPen, pen);
    EXPECT_EQ(soundThread, worker);
    EXPECT_TRUE(IsWindow(window));
}

}  // namespace
