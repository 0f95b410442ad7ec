// The warning tune on the PC speaker: its notes, their frequencies and timer
// divisors, and the speaker's port operations. No Win32 call: the waiting
// and the worker thread live in sound_worker_win.cpp.
#pragma once

#include <cstdint>

// A note is a number of semitones above TuneBaseHz.
struct TuneNote {
    int16_t note;
    int16_t milliseconds;
};

constexpr int AlarmTuneLength = 5;
constexpr TuneNote AlarmTune[AlarmTuneLength] = {
    {14, 100},  //  897 Hz
    {16, 100},  // 1007 Hz
    {12, 100},  //  800 Hz
    {0, 100},   //  400 Hz
    {7, 200},   //  599 Hz
};

// Silence after each tune and after each wave, before the alarm is looked at again.
constexpr uint32_t TunePauseMs = 3000;
constexpr uint32_t WavePauseMs = 1000;

constexpr double TuneBaseHz = 400.0;
constexpr uint32_t SpeakerTimerClockHz = 1193180;

constexpr uint16_t SpeakerTimerModePort = 0x43;
constexpr uint16_t SpeakerTimerCountPort = 0x42;
constexpr uint16_t SpeakerControlPort = 0x61;
// Timer channel 2, low byte then high byte, mode 3 (square wave), binary count.
constexpr uint8_t SpeakerTimerMode = 0xB6;
// Bit 0 gates timer channel 2, bit 1 connects it to the speaker.
constexpr uint8_t SpeakerGateBits = 0x03;

// 400 Hz x 2^(note / 12), truncated toward zero.
uint32_t NoteFrequency(int16_t note);
// The timer count for a frequency; every note of the tune gives one that fits 16 bits.
uint32_t SpeakerTimerDivisor(uint32_t hertz);

// Loads timer channel 2 with the divisor for the frequency; leaves the speaker
// switched on or off as it was.
void SetSpeakerFrequency(uint32_t hertz);
// Read-modify-write of the speaker gate; the other bits of the port are kept.
void SwitchSpeakerOn();
void SwitchSpeakerOff();
