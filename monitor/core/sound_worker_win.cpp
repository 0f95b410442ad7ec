#include "monitor/core/sound_worker.h"

#include <mmsystem.h>

#include "monitor/core/main_window.h"
#include "monitor/core/monitoring_cycle.h"
#include "monitor/res/resource_ids.h"

namespace {

constexpr int32_t SpeakerTuneMode = 1;
constexpr int32_t SoundCardMode = 2;

// A running worker with a mode that plays nothing looks again this often.
constexpr DWORD IdleModePollMs = 250;
// Should the alarm event be missing, the worker looks at the flag this often.
constexpr DWORD NoEventPollMs = 50;
// A hold gives up waiting for a step to end after about two seconds.
constexpr int HoldAttempts = 2000;

// Manual reset: set while an alarm is raised.
const HANDLE alarmRaised = CreateEventA(nullptr, TRUE, FALSE, nullptr);
// Whether alarmRaised is set; main thread only.
bool alarmEventSet;

// 1 while the worker is in a step that may switch a sound on or touches a
// speaker port.
volatile LONG inSoundStep;

int32_t AppliedSoundMode()
{
    return *static_cast<const volatile int32_t*>(&activeSoundMode);
}

// Marks a step, then checks that the mode it plays is still the applied one.
bool BeginSoundStep(int32_t mode)
{
    InterlockedExchange(&inSoundStep, 1);
    if (AppliedSoundMode() == mode) return true;
    InterlockedExchange(&inSoundStep, 0);
    return false;
}

void BeginSilencingStep()
{
    InterlockedExchange(&inSoundStep, 1);
}

void EndSoundStep()
{
    InterlockedExchange(&inSoundStep, 0);
}

// A tune left unfinished because the mode changed returns false.
bool PlayAlarmTune()
{
    for (const TuneNote& note : AlarmTune)
        if (!PlayTone(note.note, note.milliseconds)) return false;
    return true;
}

// Without SND_ASYNC the call returns once the wave has played, at once when
// it cannot be played (no sound device), which goes unreported.
bool PlayAlertWave()
{
    if (!BeginSoundStep(SoundCardMode)) return false;
    PlaySoundA(MAKEINTRESOURCEA(WAVE_ALERT), moduleInstance, SND_RESOURCE);
    EndSoundStep();
    return true;
}

void WaitForAlarm()
{
    if (WaitForSingleObject(alarmRaised, INFINITE) == WAIT_FAILED) Sleep(NoEventPollMs);
}

}  // namespace

DWORD WINAPI SoundWorker(LPVOID)
{
    // One pass at a time; the flag and the mode are read at its start.
    for (;;) {
        WaitForAlarm();
        if (!alarmActive) continue;
        switch (AppliedSoundMode()) {
        case SpeakerTuneMode:
            if (PlayAlarmTune()) Sleep(TunePauseMs);
            break;
        case SoundCardMode:
            if (PlayAlertWave()) Sleep(WavePauseMs);
            break;
        default: Sleep(IdleModePollMs); break;
        }
    }
}

bool PlayTone(int16_t note, int16_t milliseconds)
{
    if (!BeginSoundStep(SpeakerTuneMode)) return false;
    SwitchSpeakerOn();
    SetSpeakerFrequency(NoteFrequency(note));
    EndSoundStep();
    Sleep(static_cast<DWORD>(milliseconds));
    BeginSilencingStep();
    SwitchSpeakerOff();
    EndSoundStep();
    return true;
}

void StopWarningSound(int32_t mode)
{
    if (mode == SpeakerTuneMode) SwitchSpeakerOff();
    if (mode == SoundCardMode) PlaySoundA(nullptr, moduleInstance, SND_RESOURCE);
}

void HoldSoundWorker(HANDLE thread, int32_t mode)
{
    for (int attempt = 1;; ++attempt) {
        SuspendThread(thread);
        // SuspendThread only asks for the stop; reading the thread's context
        // waits until it has happened.
        CONTEXT context = {};
        context.ContextFlags = CONTEXT_CONTROL;
        GetThreadContext(thread, &context);
        if (InterlockedCompareExchange(&inSoundStep, 0, 0) == 0 || attempt == HoldAttempts) return;
        ResumeThread(thread);
        StopWarningSound(mode);
        Sleep(1);
    }
}

// The event is set and reset only when the alarm begins and ends, not in
// every cycle: each change is a trip to the system.
void WakeSoundWorker()
{
    if (alarmEventSet) return;
    SetEvent(alarmRaised);
    alarmEventSet = true;
}

void LetSoundWorkerSleep()
{
    if (!alarmEventSet) return;
    ResetEvent(alarmRaised);
    alarmEventSet = false;
}
