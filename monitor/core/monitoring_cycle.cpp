#include "monitor/core/monitoring_cycle.h"

#include "monitor/core/alarm_rules.h"
#include "monitor/core/fan_stall.h"
#include "monitor/core/main_window.h"
#include "monitor/core/rail_check.h"
#include "monitor/core/reading_log.h"
#include "monitor/core/shared_readings.h"
#include "monitor/core/sound_worker.h"
#include "monitor/hw/chip.h"
#include "monitor/hw/chip_lock.h"
#include "monitor/ui/panel.h"
#include "monitor/ui/panel_layout.h"
#include "monitor/ui/tray_icon.h"

volatile int32_t alarmActive;
int32_t trayIconState = 1;
int titleChannel;

namespace {

void ReadSensors()
{
    for (int n = 0; n < FanChannelCount; ++n) {
        {
            // The fan-control flag and the first temperature follow each
            // other with no pause: one hold of the chip lock.
            ChipRun run;
            if (n == 0) SetFanControlFlag();
            sensorSnapshot[n].temperature = ReadTemperature(n, monitorConfig.fanMap);
        }
        Sleep(1);
    }
    for (int n = 0; n < FanChannelCount; ++n) {
        sensorSnapshot[n].fanSpeed = ReadFanSpeed(FanCountRegister[n]);
        Sleep(1);
    }
}

// The watched fans judged on this cycle's readings: 1 when one has stalled,
// 0 when none has, NotLogged when no fan is watched.
int32_t JudgeFanStalls(const ChipReadingPass& pass)
{
    int32_t finding = NotLogged;
    const uint32_t now = ChipNowMs();
    for (int n = 0; n < FanChannelCount; ++n) {
        const bool watched = monitorConfig.stallWatch[n] != 0;
        const SensorSnapshot& reading = sensorSnapshot[n];
        const FanCycle cycle = {watched && monitorConfig.itemOn[n + 3], reading.temperature, reading.fanSpeed,
                                pass.ReadFresh(FanInput + n), LastFanProgramming(n)};
        if (UpdateFanStall(fanStall[n], monitorConfig.fan[n], cycle, now))
            finding = 1;
        else if (watched && finding == NotLogged)
            finding = 0;
    }
    return finding;
}

// Flashes the caption once for the first alarm source found; every source
// is still examined, in the fixed order temperature, voltage, case (read
// already), stalled fans.
bool CheckAlarms(HWND window, const ChipReadingPass& pass, CycleFindings* found)
{
    found->temperatureAlarm = TemperatureAlarmChannel(monitorConfig, sensorSnapshot) >= 0;
    bool alarm = found->temperatureAlarm;
    if (alarm) FlashWindow(window, TRUE);
    found->voltageAlarm = voltageAlarm ? 1 : 0;
    if (voltageAlarm && !alarm) {
        FlashWindow(window, TRUE);
        alarm = true;
    }
    if (found->caseOpen == 1) {
        if (!alarm) FlashWindow(window, TRUE);
        alarm = true;
    }
    found->fanStall = JudgeFanStalls(pass);
    if (found->fanStall == 1) {
        if (!alarm) FlashWindow(window, TRUE);
        alarm = true;
    }
    return alarm;
}

void ShowMinimisedTitle(HWND window)
{
    const int channel = NextTitleChannel(titleChannel, monitorConfig.itemOn);
    if (channel < 0) return;
    titleChannel = channel;
    char title[128];
    FormatMinimisedTitle(title, sizeof title, monitorConfig, sensorSnapshot[channel], channel);
    SetWindowTextA(window, title);
}

}  // namespace

void RunMonitoringCycle(HWND window)
{
    // While another program holds the chip, the readings of this cycle stay
    // the previous ones and the alarms are judged on them, but none for more
    // than a few seconds (chip_lock.h).
    ChipReadingPass pass;
    ReadSensors();
    // The panel judges the rails when it paints. A hidden or minimised window
    // gets no paint (and a minimised one no invalidation), so the cycle
    // judges them itself, before it decides the alarm. The rails and the
    // case flag follow each other with no pause: one hold of the chip lock.
    const bool judgeRails = minimised || IsIconic(window) || !IsWindowVisible(window);
    CycleFindings found;
    {
        ChipRun run;
        if (judgeRails) JudgeShownRails();
        found.caseOpen = monitorConfig.caseOpenCheck ? ReadCaseOpen() : NotLogged;
    }
    const bool alarm = CheckAlarms(window, pass, &found);
    if (alarm) {
        trayIconState = ToggleTrayIcon(window);
        alarmActive = 1;
        WakeSoundWorker();
    } else {
        // Each alarm cycle inverted the caption; whatever their number, FALSE
        // gives it back the colours of the window's real activation.
        if (alarmActive) FlashWindow(window, FALSE);
        if (trayIconState == 0) trayIconState = ToggleTrayIcon(window);
        LetSoundWorkerSleep();
        alarmActive = 0;
    }
    if (!minimised) {
        InvalidateReadoutArea(window, FALSE);
    } else {
        ShowMinimisedTitle(window);
    }
    found.readWithoutLock = pass.ReadWithoutLock() ? 1 : 0;
    LogCycleReadings(found);
    ShareCycleReadings(window, found, alarm);
}
