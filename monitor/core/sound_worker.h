// The warning sound: a worker thread that plays the speaker tune or the alert
// wave while an alarm is raised, and what the main thread needs to hold it,
// end it and silence it.
//
// The worker plays the sound mode last applied to it (activeSoundMode). It
// sleeps on an event while no alarm is raised: the monitoring cycle wakes it
// when it raises alarmActive and lets it sleep again before it lowers it.
//
// Every step of the worker that may switch a sound on (or touches a speaker
// port) is marked while it runs, and the mark is set before the worker looks
// at the applied mode. HoldSoundWorker suspends the worker only outside such
// a step, so once it returns, silencing is final: the worker cannot switch
// the speaker on again behind it, and on resuming it looks at the mode anew
// before it sounds anything.
#pragma once

#include <windows.h>

#include <cstdint>

#include "monitor/core/alarm_tune.h"

// The thread procedure. Created suspended; it never returns, the thread ends
// only by being terminated.
DWORD WINAPI SoundWorker(LPVOID);

// Sounds one note on the speaker for the given time and returns with the
// speaker off. Sounds nothing and returns false when the speaker tune is no
// longer the applied sound mode.
bool PlayTone(int16_t note, int16_t milliseconds);

// Silences what the mode may be playing: 1 switches the speaker off, 2 stops a
// playing wave, anything else does nothing.
void StopWarningSound(int32_t mode);

// Suspends the running worker where it sounds nothing and returns once it
// really stands still. A step in progress is let finish; a wave in progress
// is cut short with StopWarningSound(mode) so that the worker leaves it.
void HoldSoundWorker(HANDLE thread, int32_t mode);

// For the monitoring cycle: wake the worker after raising alarmActive; let it
// sleep before lowering alarmActive, so that it never finds itself woken with
// no alarm raised.
void WakeSoundWorker();
void LetSoundWorkerSleep();
