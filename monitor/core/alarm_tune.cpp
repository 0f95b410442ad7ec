#include "monitor/core/alarm_tune.h"

#include "monitor/hw/port_io.h"

namespace {

// 2 to the power k/12 for the semitones k of one octave: the programs carry
// no mathematics library.
constexpr double SemitoneRatio[12] = {
    1.0,
    1.0594630943592953,
    1.122462048309373,
    1.189207115002721,
    1.2599210498948732,
    1.3348398541700344,
    1.4142135623730951,
    1.4983070768766815,
    1.5874010519681994,
    1.681792830507429,
    1.7817974362806785,
    1.8877486253633868,
};

}  // namespace

uint32_t NoteFrequency(int16_t note)
{
    int octave = note / 12;
    int semitone = note % 12;
    if (semitone < 0) {
        semitone += 12;
        --octave;
    }
    double hertz = TuneBaseHz * SemitoneRatio[semitone];
    for (; octave > 0; --octave) hertz *= 2.0;
    for (; octave < 0; ++octave) hertz /= 2.0;
    return static_cast<uint32_t>(hertz);
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
