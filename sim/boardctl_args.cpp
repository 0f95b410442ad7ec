#include "sim/boardctl_args.h"

#include <cstring>

namespace {

// Every character a digit of the base, at least one, no sign or blank, and
// no more than max.
bool ParseNumber(const char* text, unsigned base, uint32_t max, uint32_t& value)
{
    if (base == 0) {
        base = 10;
        if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
            base = 16;
            text += 2;
        }
    }
    if (*text == '\0') return false;
    uint64_t result = 0;
    for (const char* c = text; *c; ++c) {
        unsigned digit;
        if (*c >= '0' && *c <= '9') digit = static_cast<unsigned>(*c - '0');
        else if (*c >= 'a' && *c <= 'f') digit = static_cast<unsigned>(*c - 'a' + 10);
        else if (*c >= 'A' && *c <= 'F') digit = static_cast<unsigned>(*c - 'A' + 10);
        else return false;
        if (digit >= base) return false;
        result = result * base + digit;
        if (result > max) return false;
    }
    value = static_cast<uint32_t>(result);
    return true;
}

bool Is(const char* word, const char* name)
{
    return strcmp(word, name) == 0;
}

}  // namespace

bool ParseBoardctlArguments(int argc, const char* const* argv, BoardctlCommand& command)
{
    command = {BoardctlStatus, 0, 0, false, 0, 0, RhythmCycles};
    if (argc < 2) return false;
    const char* word = argv[1];
    const int extra = argc - 2;
    uint32_t number = 0;
    if (Is(word, "status") && extra == 0) return true;
    if (Is(word, "tones") && extra == 0) {
        command.action = BoardctlTones;
        return true;
    }
    if (Is(word, "fault") && extra == 0) {
        command.action = BoardctlFault;
        return true;
    }
    if (Is(word, "set") && extra >= 1) {
        command.action = BoardctlSet;
        command.firstText = 2;
        return true;
    }
    if (Is(word, "load") && extra == 1) {
        command.action = BoardctlLoad;
        command.firstText = 2;
        return true;
    }
    if (Is(word, "reg") && (extra == 1 || extra == 2)) {
        command.action = BoardctlReg;
        if (!ParseNumber(argv[2], 16, 0xFF, number)) return false;
        command.reg = static_cast<uint8_t>(number);
        if (extra == 1) return true;
        command.writeValue = true;
        if (!ParseNumber(argv[3], 0, 0xFF, number)) return false;
        command.value = static_cast<uint8_t>(number);
        return true;
    }
    if (Is(word, "journal") && extra <= 1) {
        command.action = BoardctlJournal;
        command.count = BoardctlDefaultJournal;
        return extra == 0 || ParseNumber(argv[2], 10, UINT32_MAX, command.count);
    }
    if (Is(word, "hold") && extra == 1) {
        command.action = BoardctlHold;
        return ParseNumber(argv[2], 10, BoardctlLongestHoldMs, command.count);
    }
    if (Is(word, "rhythm") && extra == 2) {
        command.action = BoardctlRhythm;
        if (Is(argv[2], "busy")) command.rhythm = RhythmBusy;
        else if (!Is(argv[2], "cycles")) return false;
        return ParseNumber(argv[3], 10, BoardctlLongestHoldMs, command.count);
    }
    if (Is(word, "hammer") && extra == 1) {
        command.action = BoardctlHammer;
        return ParseNumber(argv[2], 10, UINT32_MAX, command.count);
    }
    return false;
}
