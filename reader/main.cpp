// Readings.exe: prints the monitor's latest readings from the readings block
// (common/readings_block.h) and never touches the chip. A line per reading,
// or with /CSV one comma-separated line; exit codes in readings_text.h.
#include <windows.h>

#include <cstdarg>
#include <cstddef>
#include <cstring>

#include "common/readings_access.h"
#include "common/runtime/format.h"
#include "common/runtime/program_start.h"
#include "common/windows_family.h"
#include "reader/readings_text.h"

namespace {

// The monitor writes in microseconds; a block that is still being written
// or set up after this long belongs to a monitor that stopped.
constexpr int Attempts = 50;
constexpr DWORD PauseMs = 10;

void Write(DWORD stream, const char* text, size_t length)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(stream), text, static_cast<DWORD>(length), &written, nullptr);
}

void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Say(const char* format, ...)
{
    char message[256];
    va_list arguments;
    va_start(arguments, format);
    FormatTextV(message, sizeof message, format, arguments);
    va_end(arguments);
    char line[300];
    FormatText(line, sizeof line, "Readings: %s\r\n", message);
    Write(STD_ERROR_HANDLE, line, strlen(line));
}

// The system-wide name where the system has that namespace, else the plain
// one, as the monitor creates it.
HANDLE OpenBlock()
{
    HANDLE mapping = nullptr;
    if (!IsWindows9xFamily(GetVersion())) mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, THERMIVO_READINGS_GLOBAL_NAME);
    if (!mapping) mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, THERMIVO_READINGS_NAME);
    return mapping;
}

uint32_t HeaderField(const void* block, size_t offset)
{
    uint32_t value = 0;
    memcpy(&value, static_cast<const uint8_t*>(block) + offset, sizeof value);
    return value;
}

// Exit 1 for a block that is not of this reader's layout, with the reason.
int RefuseLayout(ReadingsLayout layout, const void* block, size_t available)
{
    const uint32_t size = HeaderField(block, offsetof(ThermivoReadings, size));
    switch (layout) {
    case ReadingsLayout::Unset: Say("the readings block holds no readings."); break;
    case ReadingsLayout::Foreign: Say("the block %s is not Thermivo's readings block.", THERMIVO_READINGS_NAME); break;
    case ReadingsLayout::OtherVersion:
        Say("the readings block has layout version %u; this reader reads version %u.",
            HeaderField(block, offsetof(ThermivoReadings, version)), THERMIVO_READINGS_VERSION);
        break;
    case ReadingsLayout::OtherSize:
        Say("the readings block has %u bytes; layout version %u has %u.", size, THERMIVO_READINGS_VERSION,
            static_cast<unsigned>(sizeof(ThermivoReadings)));
        break;
    default:
        Say("the readings block is cut short: %u of %u bytes.", static_cast<unsigned>(available),
            static_cast<unsigned>(sizeof(ThermivoReadings)));
        break;
    }
    return NoReadings;
}

int ReadBlock(const void* view, size_t available, bool csv)
{
    const ThermivoReadings* block = static_cast<const ThermivoReadings*>(view);
    ThermivoReadings copy;
    ReadingsLayout layout = ReadingsLayout::Unset;
    ReadingsCopy result = ReadingsCopy::Busy;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        if (attempt > 0) Sleep(PauseMs);
        layout = CheckReadingsLayout(view, available);
        if (layout == ReadingsLayout::Unset) continue;
        if (layout != ReadingsLayout::Ours) break;
        result = TryCopyReadings(block, &copy);
        if (result != ReadingsCopy::Busy) break;
    }
    if (layout != ReadingsLayout::Ours) return RefuseLayout(layout, view, available);
    if (result == ReadingsCopy::Damaged) {
        Say("the readings block does not match its checksum: it is cut short, or another program wrote it.");
        return NoReadings;
    }
    if (result == ReadingsCopy::Busy) {
        Say("the monitor did not finish an update; it may have stopped.");
        return ReadingsNotCurrent;
    }
    const uint32_t now = GetTickCount();
    const int code = ExitCodeOfCopy(copy, now);
    if (code == NoReadings) {
        Say("the monitor has ended.");
        return code;
    }
    char text[ReadingsTextSize];
    const size_t length = csv ? FormatReadingsCsv(copy, text, sizeof text) : FormatReadingLines(copy, text, sizeof text);
    Write(STD_OUTPUT_HANDLE, text, length);
    if (code == ReadingsNotCurrent)
        Say("the readings were updated %u s ago; the monitor has stopped updating them.",
            (now - copy.updateTick) / 1000);
    return code;
}

}  // namespace

int ConsoleMain(const char* arguments)
{
    bool csv = false;
    if (!ParseReaderArguments(arguments, &csv)) {
        Say("prints the readings of a running Thermivo.\r\n  READINGS        a line per reading\r\n"
            "  READINGS /CSV   one comma-separated line");
        return WrongArguments;
    }
    HANDLE mapping = OpenBlock();
    if (!mapping) {
        Say("no monitor publishes its readings. Thermivo does with SHAREREADINGS=1 in the [Thermivo] section "
            "of WIN.INI.");
        return NoReadings;
    }
    int code = NoReadings;
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    MEMORY_BASIC_INFORMATION region;
    if (view && VirtualQuery(view, &region, sizeof region) == sizeof region) {
        code = ReadBlock(view, region.RegionSize, csv);
    } else {
        Say("the readings block cannot be read.");
    }
    if (view) UnmapViewOfFile(view);
    CloseHandle(mapping);
    return code;
}
