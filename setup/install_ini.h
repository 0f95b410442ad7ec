// install.ini: optional KEY=VALUE lines on the installation medium that seed
// the monitor's win.ini section instead of the built-in defaults. Reading and
// splitting work on any byte source, so they need no Win32 call.
#pragma once

#include <cstddef>

struct IniSetting {
    const char* key;
    const char* value;
};

// Written when there is no install.ini, in this order. The fan curve reads:
// automatic mode, limits 25 35 45 60 75 degrees, PWM levels 90 100 110,
// fixed PWM 90, no alarm limit.
constexpr IniSetting DefaultSettings[] = {
    {"FAN0", "1,25,35,45,60,75,90,100,110,90"},
    {"FAN1", "1,25,35,45,60,75,90,100,110,90"},
    {"FAN2", "1,25,35,45,60,75,90,100,110,90"},
    {"FANONOF", "1,1,1"},
    {"DEFONOF", "1,1,1"},
};

// Where the file's bytes come from, one at a time: readByte is false when no
// byte is left or the read failed.
struct IniByteSource {
    bool (*readByte)(void* context, char* byte);
    void* context;
};

constexpr size_t IniLineSize = 260;

// Reads one line without its line end (a line feed, with a carriage return
// before it dropped, or a zero byte) and returns its length; 0 for an empty
// line or at the end of the file, both of which end the useful content.
// A line longer than 259 characters is cut to its first 259; the rest of it
// is read and dropped, so that the next call starts at the next line.
size_t ReadIniLine(const IniByteSource& source, char (&line)[IniLineSize]);

// Splits a line at its first "=", which it overwrites; further "=" belong to
// the value. False for a line without "=".
bool SplitIniLine(char* line, IniSetting& setting);

// Hands every KEY=VALUE line up to the first empty line to store; lines
// without "=" are skipped.
void ForEachIniSetting(const IniByteSource& source, void (*store)(void* context, const IniSetting& setting),
                       void* context);
