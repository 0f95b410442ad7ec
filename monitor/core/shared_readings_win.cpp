#include "monitor/core/shared_readings.h"

#include "common/readings_access.h"
#include "common/windows_family.h"
#include "monitor/core/fan_stall.h"
#include "monitor/core/readings_record.h"
#include "monitor/ui/tray_icon.h"
#include "monitor/ui/tray_tip.h"

namespace {

// Every user may map the block for reading and nobody for writing: the
// monitor's own handle, which created it, keeps the rights it asked for. The
// access list is built here in its binary form (one allowing entry for the
// Everyone SID), so that the program needs no further security functions,
// which Windows 95 may not export.
struct EveryoneReadsAcl {
    ACL header;
    ACE_HEADER entry;
    ACCESS_MASK mask;
    SID everyone;
};
static_assert(sizeof(EveryoneReadsAcl) == sizeof(ACL) + sizeof(ACE_HEADER) + sizeof(ACCESS_MASK) + sizeof(SID),
              "the access list has no padding");
EveryoneReadsAcl everyoneReads = {
    {ACL_REVISION, 0, sizeof(EveryoneReadsAcl), 1, 0},
    {ACCESS_ALLOWED_ACE_TYPE, 0, sizeof(EveryoneReadsAcl) - sizeof(ACL)},
    SECTION_QUERY | SECTION_MAP_READ | READ_CONTROL,
    {SID_REVISION, 1, SECURITY_WORLD_SID_AUTHORITY, {SECURITY_WORLD_RID}},
};

HANDLE mapping;
ThermivoReadings* block;
ReadingsRecord record;
bool recordStarted;

// A block that already exists under the name is someone else's (another
// program's, an older layout's, another monitor's): it is not written.
HANDLE CreateBlock(const char* name, DWORD* error)
{
    // The 95/98 family has no security descriptors; the calls fail there and
    // the block is created without one.
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
    if (InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(&descriptor, TRUE, &everyoneReads.header, FALSE))
        attributes.lpSecurityDescriptor = &descriptor;
    HANDLE created =
        CreateFileMappingA(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0, sizeof(ThermivoReadings), name);
    *error = GetLastError();
    if (created && *error == ERROR_ALREADY_EXISTS) {
        CloseHandle(created);
        return nullptr;
    }
    return created;
}

// The system-wide name where the system has that namespace, else the plain
// one, which is system-wide on the 95/98 family. A global name that is
// taken, or refused to this user, leaves the block unpublished rather than
// published where readers look second.
bool OpenBlock()
{
    DWORD error = 0;
    if (!IsWindows9xFamily(GetVersion())) {
        mapping = CreateBlock(THERMIVO_READINGS_GLOBAL_NAME, &error);
        if (!mapping && (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED)) return false;
    }
    if (!mapping) mapping = CreateBlock(THERMIVO_READINGS_NAME, &error);
    if (!mapping) return false;
    block = static_cast<ThermivoReadings*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(ThermivoReadings)));
    if (block) return true;
    CloseHandle(mapping);
    mapping = nullptr;
    return false;
}

CycleOutcome Outcome(const CycleFindings& found, bool alarm)
{
    CycleOutcome outcome;
    outcome.found = found;
    outcome.alarm = alarm;
    for (int n = 0; n < FanChannelCount; ++n) {
        outcome.fanDriven[n] = FanDrivenLastCycle(n);
        outcome.fanStalled[n] = FanStalled(n);
    }
    for (int input = 0; input < ChipInputCount; ++input) outcome.age[input] = AgeOfReading(input);
    outcome.tick = GetTickCount();
    SYSTEMTIME now;
    GetLocalTime(&now);
    outcome.time = {now.wYear, now.wMonth, now.wDayOfWeek, now.wDay, now.wHour, now.wMinute, now.wSecond,
                    now.wMilliseconds};
    return outcome;
}

}  // namespace

void ShareCycleReadings(HWND window, const CycleFindings& found, bool alarm)
{
    if (monitorConfig.trayTip) {
        char tip[TrayTipSize];
        FormatTrayTip(tip, monitorConfig, sensorSnapshot, alarm);
        SetTrayTip(window, tip);
    }
    if (!monitorConfig.shareReadings) return;
    if (!recordStarted) {
        StartReadingsRecord(record);
        recordStarted = true;
    }
    UpdateReadingsRecord(record, monitorConfig, sensorSnapshot, judgedRails, Outcome(found, alarm));
    // A name that was taken may be free by now: its holder closed it.
    if (block || OpenBlock()) PublishReadings(block, record.block);
}

void CloseReadingsBlock()
{
    if (!block) return;
    record.block.running = 0;
    PublishReadings(block, record.block);
    UnmapViewOfFile(block);
    CloseHandle(mapping);
    block = nullptr;
    mapping = nullptr;
}
