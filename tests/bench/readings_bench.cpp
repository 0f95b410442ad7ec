// Prints what the readings beyond the window cost the simulator build of the
// monitor: the update of the record, the block and the tip on its own, the
// monitor's processor time per 1000 cycles with neither key, the block, and
// the block and the tip, side by side, and with a reader copying the block
// 10,000 times a second against none. Numbers only; nothing here passes or
// fails.
#include "tests/e2e/harness.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "common/readings_access.h"
#include "monitor/core/readings_record.h"
#include "monitor/ui/tray_tip.h"
#include "sim/board_store.h"

namespace {

constexpr int Cycles = 1000;

double NowMs()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// One cycle's update as the monitor makes it, here in this process.
double UpdateMicroseconds()
{
    MonitorConfig config = InitialMonitorConfig();
    for (int32_t& on : config.itemOn) on = 1;
    config.celsius = 1;
    SensorSnapshot snapshot[FanChannelCount] = {{45, 5200}, {34, 4500}, {29, 4800}};
    JudgedRails rails = {};
    CycleOutcome outcome = {};
    for (ReadingAge& age : outcome.age) age = {true, 300};
    static ReadingsRecord record;
    static ThermivoReadings block;
    StartReadingsRecord(record);
    constexpr int Updates = 100000;
    const double start = NowMs();
    for (int i = 0; i < Updates; ++i) {
        snapshot[0].temperature = 40 + i % 10;
        UpdateReadingsRecord(record, config, snapshot, rails, outcome);
        PublishReadings(&block, record.block);
        char tip[TrayTipSize];
        FormatTrayTip(tip, config, snapshot, false);
    }
    return (NowMs() - start) * 1000.0 / Updates;
}

struct CyclesCost {
    double processorMs;  // of the monitor, per Cycles cycles
    double wallMs;       // per cycle
    int copies, busy, damaged;
};

// Cycles of the hidden monitor, sent one after the other, with the keys as
// given; with hammer a thread of this program copies the block 10,000 times
// a second meanwhile.
CyclesCost MeasureCycles(const char* share, const char* tip, bool hammer)
{
    WriteProfileStringA("Thermivo", "SHAREREADINGS", share);
    WriteProfileStringA("Thermivo", "TRAYTIP", tip);
    CyclesCost cost = {-1, 0, 0, 0, 0};
    Program monitor = StartProgram(BuildPath("monitor\\KelvimonSim.exe"), "HIDE");
    HWND window = WaitForWindow(monitor.pid, "Thermivo", nullptr, 15000);
    if (!window) {
        EndProgram(monitor);
        return cost;
    }
    Sleep(1500);
    std::atomic<bool> stop(false);
    std::thread reader([&] {
        if (!hammer) return;
        HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, THERMIVO_READINGS_GLOBAL_NAME);
        const auto* block =
            mapping ? static_cast<const ThermivoReadings*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0)) : nullptr;
        const double start = NowMs();
        for (int attempts = 0; block && !stop; Sleep(1)) {
            for (; attempts < (NowMs() - start) * 10; ++attempts) {
                ThermivoReadings copy;
                const ReadingsCopy result = TryCopyReadings(block, &copy);
                ++(result == ReadingsCopy::Copied ? cost.copies : result == ReadingsCopy::Busy ? cost.busy : cost.damaged);
            }
        }
        if (block) UnmapViewOfFile(block);
        if (mapping) CloseHandle(mapping);
    });
    const double before = ThreadsProcessorMs(monitor.pid);
    const double start = NowMs();
    for (int i = 0; i < Cycles; ++i) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, WM_TIMER, 100, 0, SMTO_NORMAL, 5000, &result);
    }
    cost.wallMs = (NowMs() - start) / Cycles;
    cost.processorMs = ThreadsProcessorMs(monitor.pid) - before;
    stop = true;
    reader.join();
    EndProgram(monitor);
    return cost;
}

// Each of the settings in turn, Rounds times, the order turned each round so
// that a machine growing busier weighs on all alike; the medians.
constexpr int Rounds = 5;

struct Setting {
    const char* name;
    const char* share;
    const char* tip;
    bool hammer;
    std::vector<double> processorMs, wallMs;
    CyclesCost last;
};

void MeasureSideBySide(std::vector<Setting>& settings)
{
    for (int round = 0; round < Rounds; ++round) {
        for (size_t i = 0; i < settings.size(); ++i) {
            Setting& s = settings[(i + round) % settings.size()];
            s.last = MeasureCycles(s.share, s.tip, s.hammer);
            s.processorMs.push_back(s.last.processorMs);
            s.wallMs.push_back(s.last.wallMs);
        }
    }
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void PrintSideBySide(const std::vector<Setting>& settings)
{
    for (const Setting& s : settings) {
        const auto spread = std::minmax_element(s.processorMs.begin(), s.processorMs.end());
        printf("  %-40s %7.1f ms (rounds %.0f to %.0f; wall time per cycle %.2f ms)\n", s.name, Median(s.processorMs),
               *spread.first, *spread.second, Median(s.wallMs));
    }
}

// What the second setting costs beyond the first, taken round by round: the
// two ran one after the other, so a machine whose load drifts weighs on both
// alike. The median and the spread of the differences, and the median's
// share of the monitor's time in the second.
void PrintDifference(const char* what, const Setting& from, const Setting& to)
{
    std::vector<double> differences;
    for (size_t round = 0; round < from.processorMs.size(); ++round)
        differences.push_back(to.processorMs[round] - from.processorMs[round]);
    const auto spread = std::minmax_element(differences.begin(), differences.end());
    const double median = Median(differences), with = Median(to.processorMs);
    printf("  %s, round by round: %+.1f ms (rounds %+.0f to %+.0f), %+.1f %% of the monitor's time\n", what, median,
           *spread.first, *spread.second, with > 0 ? 100.0 * median / with : 0.0);
}

}  // namespace

int main()
{
    WriteProfileStringA("Thermivo", "DEFCASE", "1");
    WriteProfileStringA("Thermivo", "FAN0", "1,25,35,45,60,75,90,100,110,90");
    WriteProfileStringA("Thermivo", "VOLTBASE", "180,1200,-1200,330,250,180,150,150");
    SimBoardInstance();  // this process powers the board up

    const double update = UpdateMicroseconds();
    printf("readings block and tip: one cycle's update on its own (this 64-bit process): %.2f us\n", update);

    std::vector<Setting> keys = {{"neither key", nullptr, nullptr, false, {}, {}, {}},
                                 {"SHAREREADINGS=1", "1", nullptr, false, {}, {}, {}},
                                 {"SHAREREADINGS=1 and TRAYTIP=1", "1", "1", false, {}, {}, {}}};
    MeasureSideBySide(keys);
    printf("monitor processor time per %d cycles of the hidden window, medians of %d:\n", Cycles, Rounds);
    PrintSideBySide(keys);
    PrintDifference("both keys against neither", keys[0], keys[2]);
    // The tip's text stays while the temperatures do, so the shell is seldom
    // called: the update is all that each cycle adds.
    const double cycle = Median(keys[0].processorMs) * 1000.0 / Cycles;
    printf("  one update against a cycle's processor time with neither key (%.0f us): %.2f %%\n", cycle,
           cycle > 0 ? 100.0 * update / cycle : 0.0);

    std::vector<Setting> reader = {{"no reader", "1", "1", false, {}, {}, {}},
                                   {"a reader copying 10,000 times a second", "1", "1", true, {}, {}, {}}};
    MeasureSideBySide(reader);
    printf("with both keys, per %d cycles, medians of %d:\n", Cycles, Rounds);
    PrintSideBySide(reader);
    PrintDifference("the reader against none", reader[0], reader[1]);
    const CyclesCost& hammered = reader[1].last;
    printf("  the reader's last run: %d copies (%.0f a second), found the monitor writing %d times, %d copies torn\n",
           hammered.copies, hammered.copies / (hammered.wallMs * Cycles / 1000.0), hammered.busy, hammered.damaged);
    return 0;
}
