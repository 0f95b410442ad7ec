#include "monitor/core/alarm_tune.h"

#include <cmath>

#include "monitor/hw/port_io.h"

uint32_t NoteFrequency(int16_t note)
{
    return static_cast<uint32_t>(TuneBaseHz * std::pow(2.0, note / 12.0));
}

uint32_t SpeakerTimerDivisor(uint32_t hertz)
{
    return SpeakerTimerClockHz / hertz;
}

void SetSpeakerFrequency(uint32_t hertz)
{
    const uint32_t divisor = SpeakerTimerDivisor(hertz);
    PortOut8(SpeakerTimerModePort, SpeakerTimerMode);
    PortOut8(SpeakerTimerCountPort, static_cast<uint8_t>(divisor & 0xFF));
    PortOut8(SpeakerTimerCountPort, static_cast<uint8_t>((divisor >> 8) & 0xFF));
}

void SwitchSpeakerOn()
{
    PortOut8(SpeakerControlPort, static_cast<uint8_t>(PortIn8(SpeakerControlPort) | SpeakerGateBits));
}

void SwitchSpeakerOff()
{
    PortOut8(SpeakerControlPort, static_cast<uint8_t>(PortIn8(SpeakerControlPort) & ~SpeakerGateBits));
}
