#include "sim/board.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint16_t IndexPort = 0x295;
constexpr uint16_t DataPort = 0x296;
constexpr uint16_t SuperIoPort = 0x2E;
constexpr uint16_t TimerDataPort = 0x42;
constexpr uint16_t TimerModePort = 0x43;
constexpr uint16_t SpeakerPort = 0x61;

constexpr uint8_t SuperIoEntryKey[4] = {0x87, 0x01, 0x55, 0x55};
constexpr int32_t StallDuty = 12;
// Far beyond any fan, and small enough that speed x duty and speed x divisor
// stay within 32 bits.
constexpr long MaxFanRpm = 1000000;
constexpr long SecondsPerDay = 86400;
constexpr int32_t FullDuty = 127;
constexpr double Pi = 3.14159265358979323846;

// Board-owned fan control as the firmware leaves it: fans 0 and 1 under
// software PWM, fan 2 at full speed, automatic controller off.
struct RegisterStart {
    uint8_t reg;
    uint8_t value;
};
constexpr RegisterStart PowerOnRegisters[] = {
    {0x00, 0x08}, {0x0B, 0x11}, {0x13, 0x03}, {0x14, 0x05}, {0x15, 0x50}, {0x16, 0x60}, {0x17, 0x3C},
    {0x60, 30},   {0x61, 40},   {0x62, 50},   {0x63, 60},   {0x64, 70},   {0x65, 60},   {0x66, 80},
    {0x67, 100},  {0x68, 30},   {0x69, 40},   {0x6A, 50},   {0x6B, 60},   {0x6C, 70},   {0x6D, 60},
    {0x6E, 80},   {0x6F, 100},  {0x70, 30},   {0x71, 40},   {0x72, 50},   {0x73, 60},   {0x74, 70},
    {0x75, 60},   {0x76, 80},   {0x77, 100},
};

// The built-in scenario: a busy CPU, a quiet system and panel, healthy rails.
constexpr const char* DefaultScenario =
    "temp0 = 45 6 90\n"
    "temp1 = 34 1 240\n"
    "temp2 = 29\n"
    "fan0 = 5200\n"
    "fan1 = 4500\n"
    "fan2 = 4800\n"
    "volt0 = 1.76\n"
    "volt1 = 12.0\n"
    "volt2 = -12.0\n"
    "volt3 = 3.3\n"
    "volt4 = 2.5\n"
    "volt5 = 1.8\n"
    "volt6 = 1.5\n"
    "volt7 = 1.5\n"
    "noise = 1\n"
    "case = closed\n"
    "driver = running\n";

// Small deterministic hash for noise, so a run can be repeated exactly.
uint32_t Scramble(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

int32_t Clamp(int32_t value, int32_t low, int32_t high)
{
    return value < low ? low : (value > high ? high : value);
}

void Journal(SimBoard& board, uint16_t port, uint8_t value, bool isWrite, uint32_t nowMs, uint32_t source)
{
    SimPortAccess& entry = board.journal[board.journalCount % SimJournalSize];
    entry.port = port;
    entry.value = value;
    entry.isWrite = isWrite ? 1 : 0;
    entry.timeMs = nowMs;
    entry.source = source;
    ++board.journalCount;
    ++board.accessCount;
}

uint8_t FanDivisor(const SimBoard& board, int fan)
{
    switch (fan) {
    case 0: return static_cast<uint8_t>(1u << (board.reg[0x0B] & 0x07));
    case 1: return static_cast<uint8_t>(1u << ((board.reg[0x0B] >> 3) & 0x07));
    default: return 2;
    }
}

int32_t AutomaticDuty(SimBoard& board, int fan, uint32_t nowMs)
{
    const uint8_t control = board.reg[0x15 + fan];
    const int input = (control & 0x03) % 3;
    const int32_t t = SimTemperatureAt(board, input, nowMs);
    const uint8_t* limitRegs = &board.reg[0x60 + 8 * fan];
    int32_t limit[5];
    for (int i = 0; i < 5; ++i) limit[i] = static_cast<int8_t>(limitRegs[i]);
    int32_t level[3];
    for (int j = 0; j < 3; ++j) level[j] = board.reg[0x65 + 8 * fan + j] & 0x7F;

    SimFan& f = board.fan[fan];
    if (t >= limit[1]) f.running = 1;
    if (t < limit[0]) f.running = 0;
    if (!f.running) return 0;
    if (t >= limit[4]) return FullDuty;
    if (t >= limit[3]) return level[2];
    if (t >= limit[2]) return level[1];
    return level[0];
}

void StartTone(SimBoard& board, uint32_t nowMs)
{
    SimTone& tone = board.tone[board.toneCount % SimToneLogSize];
    tone.divisor = board.timerDivisor;
    tone.frequencyHz = board.timerDivisor ? SimTimerClockHz / board.timerDivisor : 0;
    tone.startMs = nowMs;
    tone.endMs = SimToneSounding;
    ++board.toneCount;
}

void EndTone(SimBoard& board, uint32_t nowMs)
{
    if (board.toneCount == 0) return;
    SimTone& tone = board.tone[(board.toneCount - 1) % SimToneLogSize];
    if (tone.endMs == SimToneSounding) tone.endMs = nowMs;
}

void WriteRegister(SimBoard& board, uint8_t reg, uint8_t value, uint32_t nowMs)
{
    switch (reg) {
    case 0x00:
        if (value & 0x20) {
            board.reg[0x01] = static_cast<uint8_t>(board.reg[0x01] & ~0x10);
            if (board.caseOpen) board.reg[0x01] |= 0x10;
        }
        if (value & 0x40) board.reg[0x23] = SimVoltageReading(board, 3, nowMs);
        board.reg[0x00] = static_cast<uint8_t>(value & ~0x60);
        return;
    case 0x01:
    case 0x0D: case 0x0E: case 0x0F:
    case 0x20: case 0x21: case 0x22: case 0x23: case 0x24: case 0x25: case 0x26: case 0x27:
    case 0x29: case 0x2A: case 0x2B:
        return;  // inputs: read-only
    default:
        board.reg[reg] = value;
    }
}

uint8_t ReadRegister(SimBoard& board, uint8_t reg, uint32_t nowMs)
{
    switch (reg) {
    case 0x0D: case 0x0E: case 0x0F:
        return SimFanCount(board, reg - 0x0D, nowMs);
    case 0x20: case 0x21: case 0x22: case 0x24: case 0x25: case 0x26: case 0x27:
        return SimVoltageReading(board, reg - 0x20, nowMs);
    case 0x29: case 0x2A: case 0x2B:
        return static_cast<uint8_t>(SimTemperatureAt(board, reg - 0x29, nowMs));
    default:
        return board.reg[reg];  // 0x23 holds the last battery sample
    }
}

void WriteSpeakerGate(SimBoard& board, uint8_t value, uint32_t nowMs)
{
    const bool wasSounding = SimSpeakerSounding(board);
    board.port61 = value;
    const bool sounding = SimSpeakerSounding(board);
    if (sounding && !wasSounding) StartTone(board, nowMs);
    if (!sounding && wasSounding) EndTone(board, nowMs);
}

void WriteTimerData(SimBoard& board, uint8_t value, uint32_t nowMs)
{
    if (!board.timerHighNext) {
        board.timerLow = value;
        board.timerHighNext = 1;
        return;
    }
    board.timerHighNext = 0;
    board.timerDivisor = board.timerLow | (static_cast<uint32_t>(value) << 8);
    if (SimSpeakerSounding(board)) {  // a new note without a gap
        EndTone(board, nowMs);
        StartTone(board, nowMs);
    }
}

bool Fail(char* error, size_t errorSize, const char* line, size_t length)
{
    if (errorSize) snprintf(error, errorSize, "cannot understand \"%.*s\"", static_cast<int>(length), line);
    return false;
}

bool ParseInt(const char* text, long& value)
{
    char* end = nullptr;
    value = strtol(text, &end, 0);
    return end != text;
}

bool ApplyLine(SimBoard& board, const char* key, const char* value)
{
    long n = 0;
    unsigned index = 0;
    char suffix[8] = "";
    if (sscanf(key, "temp%u", &index) == 1 && index < 3) {
        long v[3] = {0, 0, 60};
        char* end = nullptr;
        const char* p = value;
        int count = 0;
        for (; count < 3; ++count) {
            v[count] = strtol(p, &end, 10);
            if (end == p) break;
            p = end;
        }
        if (count != 1 && count != 3) return false;
        // The input is a signed byte; a load pattern swings within its range over at most a day.
        if (v[0] < -128 || v[0] > 127 || v[1] < 0 || v[1] > 255 || v[2] <= 0 || v[2] > SecondsPerDay) return false;
        board.temperature[index] = {static_cast<int32_t>(v[0]), count == 3 ? static_cast<int32_t>(v[1]) : 0,
                                    static_cast<int32_t>(v[2])};
        return true;
    }
    if (sscanf(key, "fan%u%7s", &index, suffix) == 2 && index < 3 && strcmp(suffix, ".count") == 0) {
        if (strcmp(value, "auto") == 0) {
            board.fan[index].pinnedCount = -1;
            return true;
        }
        if (!ParseInt(value, n) || n < 0 || n > 255) return false;
        board.fan[index].pinnedCount = static_cast<int32_t>(n);
        return true;
    }
    if (sscanf(key, "fan%u%7s", &index, suffix) == 1 && index < 3) {
        SimFan& f = board.fan[index];
        if (strcmp(value, "stopped") == 0 || strcmp(value, "running") == 0) {
            f.stopped = value[0] == 's';
            return true;
        }
        if (!ParseInt(value, n) || n < 0 || n > MaxFanRpm) return false;
        f.fullSpeedRpm = static_cast<int32_t>(n);
        f.stopped = 0;
        return true;
    }
    if (sscanf(key, "volt%u%7s", &index, suffix) >= 1 && index < 8) {
        if (strcmp(suffix, ".raw") == 0) {
            if (!ParseInt(value, n) || n < 0 || n > 255) return false;
            board.voltageRaw[index] = static_cast<uint8_t>(n);
            return true;
        }
        if (suffix[0] != '\0') return false;
        char* end = nullptr;
        const double volts = strtod(value, &end);
        if (end == value) return false;
        board.voltageRaw[index] = SimRawFromVolts(static_cast<int>(index), volts);
        return true;
    }
    if (strcmp(key, "noise") == 0) {
        if (!ParseInt(value, n)) return false;
        board.noise = n != 0;
        return true;
    }
    if (strcmp(key, "case") == 0) {
        if (strcmp(value, "open") != 0 && strcmp(value, "closed") != 0) return false;
        SimSetCaseOpen(board, value[0] == 'o');
        return true;
    }
    if (strcmp(key, "driver") == 0) {
        static constexpr const char* States[] = {"running", "stopped", "absent"};
        for (uint32_t state = 0; state < 3; ++state) {
            if (strcmp(value, States[state]) == 0) {
                board.driverState = state;
                return true;
            }
        }
        return false;
    }
    unsigned reg = 0;
    if (sscanf(key, "reg%x", &reg) == 1 && reg < 256) {
        if (!ParseInt(value, n) || n < 0 || n > 255) return false;
        board.reg[reg] = static_cast<uint8_t>(n);
        return true;
    }
    return false;
}

// Copies [begin, end) into out without surrounding blanks.
void Trimmed(const char* begin, const char* end, char* out, size_t outSize)
{
    while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r')) --end;
    const size_t length = static_cast<size_t>(end - begin) < outSize - 1 ? static_cast<size_t>(end - begin) : outSize - 1;
    memcpy(out, begin, length);
    out[length] = '\0';
}

}  // namespace

SimBoardLock::SimBoardLock(SimBoard& b) : board(b)
{
    uint32_t expected = 0;
    while (!board.lock.compare_exchange_weak(expected, 1, std::memory_order_acquire)) expected = 0;
}

SimBoardLock::~SimBoardLock()
{
    board.lock.store(0, std::memory_order_release);
}

void SimResetBoard(SimBoard& board, uint32_t epochTick)
{
    board.lock.store(0);
    board.epochTick = epochTick;
    board.index = 0;
    memset(board.reg, 0, sizeof board.reg);
    for (const RegisterStart& start : PowerOnRegisters) board.reg[start.reg] = start.value;
    board.superIoKeyProgress = 0;
    board.superIoConfigMode = 0;
    board.superIoWrites = 0;
    for (SimFan& f : board.fan) f = {0, 0, 1, -1};
    board.caseOpen = 0;
    memset(board.deviceHolder, 0, sizeof board.deviceHolder);
    board.driverStopPending = 0;
    board.timerMode = 0;
    board.timerHighNext = 0;
    board.timerLow = 0;
    board.timerDivisor = 0;
    board.port61 = 0x10;
    board.toneCount = 0;
    board.faultRequested = 0;
    board.journalCount = 0;
    board.accessCount = 0;
    char error[80];
    SimApplyScenario(board, DefaultScenario, error, sizeof error);
    board.reg[0x23] = board.voltageRaw[3];
}

bool SimPortsRevoked(const SimBoard& board, uint32_t source)
{
    if (board.driverState == SimDriverRunning || source == 0) return false;
    for (uint32_t holder : board.deviceHolder)
        if (holder == source) return true;
    return false;
}

uint8_t SimPortRead(SimBoard& board, uint16_t port, uint32_t nowMs, uint32_t source)
{
    uint8_t value = 0xFF;  // nothing drives an unused port
    switch (port) {
    case IndexPort: value = board.index; break;
    case DataPort: value = ReadRegister(board, board.index, nowMs); break;
    case SpeakerPort: value = board.port61; break;
    default: break;
    }
    Journal(board, port, value, false, nowMs, source);
    return value;
}

void SimPortWrite(SimBoard& board, uint16_t port, uint8_t value, uint32_t nowMs, uint32_t source)
{
    Journal(board, port, value, true, nowMs, source);
    switch (port) {
    case IndexPort: board.index = value; break;
    case DataPort: WriteRegister(board, board.index, value, nowMs); break;
    case SuperIoPort:
        ++board.superIoWrites;
        if (value == SuperIoEntryKey[board.superIoKeyProgress]) {
            if (++board.superIoKeyProgress == 4) {
                board.superIoConfigMode = 1;
                board.superIoKeyProgress = 0;
            }
        } else {
            board.superIoKeyProgress = value == SuperIoEntryKey[0] ? 1 : 0;
        }
        break;
    case TimerModePort:
        board.timerMode = value;
        if ((value & 0xC0) == 0x80) board.timerHighNext = 0;  // channel 2: low byte comes first
        break;
    case TimerDataPort: WriteTimerData(board, value, nowMs); break;
    case SpeakerPort: WriteSpeakerGate(board, value, nowMs); break;
    default: break;
    }
}

int32_t SimTemperatureAt(const SimBoard& board, int input, uint32_t nowMs)
{
    const SimTemperatureInput& t = board.temperature[input];
    if (t.swing == 0) return t.base;
    const double phase = 2.0 * Pi * (nowMs / 1000.0) / t.periodSeconds;
    return t.base + static_cast<int32_t>(std::lround(t.swing * std::sin(phase)));
}

int32_t SimFanDuty(SimBoard& board, int fan, uint32_t nowMs)
{
    if (!(board.reg[0x13] & (1u << fan))) return FullDuty;
    const uint8_t control = board.reg[0x15 + fan];
    if (!(control & 0x80)) return control & 0x7F;
    if (!(board.reg[0x14] & 0x80)) return FullDuty;
    return AutomaticDuty(board, fan, nowMs);
}

int32_t SimFanRpm(SimBoard& board, int fan, uint32_t nowMs)
{
    const SimFan& f = board.fan[fan];
    const int32_t duty = SimFanDuty(board, fan, nowMs);
    if (f.stopped || duty < StallDuty) return 0;
    int32_t rpm = f.fullSpeedRpm * duty / FullDuty;
    if (board.noise) {
        const int32_t ripple = static_cast<int32_t>(Scramble((nowMs / 1000) * 3 + static_cast<uint32_t>(fan)) % 41) - 20;
        rpm += rpm * ripple / 2000;  // within half a percent
    }
    return rpm;
}

uint8_t SimFanCount(SimBoard& board, int fan, uint32_t nowMs)
{
    if (!(board.reg[0x13] & (0x10u << fan))) return 255;
    if (board.fan[fan].pinnedCount >= 0) return static_cast<uint8_t>(board.fan[fan].pinnedCount);
    const int32_t rpm = SimFanRpm(board, fan, nowMs);
    if (rpm <= 0) return 255;
    const int32_t count = 1350000 / (rpm * FanDivisor(board, fan));
    return static_cast<uint8_t>(Clamp(count, 1, 255));
}

uint8_t SimVoltageReading(const SimBoard& board, int channel, uint32_t nowMs)
{
    int32_t raw = board.voltageRaw[channel];
    if (board.noise) {
        const uint32_t h = Scramble((nowMs / 1000) * 8 + static_cast<uint32_t>(channel) + 0x51u);
        raw += static_cast<int32_t>(h % 3) - 1;
    }
    return static_cast<uint8_t>(Clamp(raw, 0, 255));
}

int SimSpeakerSounding(const SimBoard& board)
{
    return (board.port61 & 0x03) == 0x03;
}

void SimSetCaseOpen(SimBoard& board, int open)
{
    board.caseOpen = open ? 1 : 0;
    if (open) board.reg[0x01] |= 0x10;
}

double SimVoltsFromRaw(int channel, uint8_t raw)
{
    const double v = raw * 0.016;
    switch (channel) {
    case 1: return v * 3.9312;
    case 2: return 3.75 * v - 12.288;
    default: return v;
    }
}

uint8_t SimRawFromVolts(int channel, double volts)
{
    double raw = 0;
    switch (channel) {
    case 1: raw = volts / (0.016 * 3.9312); break;
    case 2: raw = (volts + 12.288) / (3.75 * 0.016); break;
    default: raw = volts / 0.016; break;
    }
    return static_cast<uint8_t>(Clamp(static_cast<int32_t>(std::lround(raw)), 0, 255));
}

void SimClearJournal(SimBoard& board)
{
    board.journalCount = 0;
}

uint32_t SimJournalKept(const SimBoard& board)
{
    return board.journalCount < SimJournalSize ? board.journalCount : SimJournalSize;
}

const SimPortAccess& SimJournalEntry(const SimBoard& board, uint32_t i)
{
    const uint32_t oldest = board.journalCount - SimJournalKept(board);
    return board.journal[(oldest + i) % SimJournalSize];
}

int SimApplyScenario(SimBoard& board, const char* text, char* error, size_t errorSize)
{
    const char* line = text;
    while (*line) {
        const char* end = strchr(line, '\n');
        if (!end) end = line + strlen(line);
        const char* contentEnd = end;
        if (const char* hash = static_cast<const char*>(memchr(line, '#', static_cast<size_t>(end - line))))
            contentEnd = hash;
        char content[160];
        Trimmed(line, contentEnd, content, sizeof content);
        if (content[0] != '\0') {
            char* equals = strchr(content, '=');
            if (!equals) return Fail(error, errorSize, line, static_cast<size_t>(end - line));
            char key[64];
            char value[96];
            Trimmed(content, equals, key, sizeof key);
            Trimmed(equals + 1, equals + strlen(equals), value, sizeof value);
            if (!ApplyLine(board, key, value)) return Fail(error, errorSize, line, static_cast<size_t>(end - line));
        }
        line = *end ? end + 1 : end;
    }
    return 1;
}
