// The port driver's harness kernel: maps the driver file that ships
// (build/medium/HwPio.sys unless another is named) and runs its DriverEntry,
// dispatch routines and unload routine against the stand-ins of kernel.h,
// each case on a fresh mapping as a fresh load of the driver would be.
// Prints a line per case and a summary; exits 1 when a case fails, 2 when
// the file cannot be read or mapped.
//   driver_harness [DRIVER.sys]
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/driver_harness/driver_call.h"
#include "tests/driver_harness/driver_image.h"
#include "tests/driver_harness/kernel.h"

namespace {

std::vector<uint8_t> driverFile;
DriverImage image;
DriverObject driver;
int caseCount, failedCount;

uint32_t Arg(const void* pointer) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer)); }

// The first thing a case found wrong.
struct Verdict {
    char failure[300] = "";
    bool Check(bool ok, const char* format, ...) __attribute__((format(printf, 3, 4)))
    {
        if (ok || failure[0]) return ok;
        va_list args;
        va_start(args, format);
        vsnprintf(failure, sizeof failure, format, args);
        va_end(args);
        return false;
    }
};

void Report(const char* table, const char* name, const Verdict& verdict)
{
    ++caseCount;
    failedCount += verdict.failure[0] != 0;
    if (verdict.failure[0])
        printf("FAIL %s: %s: %s\n", table, name, verdict.failure);
    else
        printf("ok   %s: %s\n", table, name);
}

// The driver file mapped anew and a driver object as the I/O manager hands
// it to DriverEntry, every request refused until the driver says otherwise.
// The kernel keeps its objects, as across a stop and a start.
void MapAgain()
{
    UnmapDriverImage(image);
    char error[200];
    if (!MapDriverImage(driverFile.data(), driverFile.size(), ResolveKernelImport, image, error, sizeof error)) {
        printf("driver_harness: the file no longer maps: it %s\n", error);
        std::exit(2);
    }
    driver = DriverObject{};
    driver.type = 4;
    driver.size = sizeof driver;
    for (void*& routine : driver.majorFunction) routine = DefaultDispatchRoutine();
}

void Fresh()
{
    ResetKernel();
    MapAgain();
}

bool KernelIntact(Verdict& verdict)
{
    return verdict.Check(!kernel.fault[0], "the kernel would stop: %s", kernel.fault);
}

NtStatus Load(Verdict& verdict)
{
    static char16_t pathText[] = u"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\hwpio";
    static UnicodeString registryPath = {sizeof pathText - 2, sizeof pathText, pathText};
    uint32_t status = StatusUnsuccessful;
    char failure[200];
    verdict.Check(CallDriver(image, image.base + image.entryPoint, {Arg(&driver), Arg(&registryPath)}, status, failure,
                             sizeof failure),
                  "DriverEntry %s", failure);
    KernelIntact(verdict);
    return status;
}

bool Map1OpensOnly(std::initializer_list<uint16_t> ports, Verdict& verdict)
{
    for (uint32_t port = 0; port <= 0xFFFF; ++port) {
        bool listed = false;
        for (uint16_t open : ports) listed |= open == port;
        if (!verdict.Check(Map1Allows(static_cast<uint16_t>(port)) == listed, "port 0x%X is %s in map 1", port,
                           listed ? "closed" : "open"))
            return false;
    }
    return true;
}
constexpr std::initializer_list<uint16_t> GrantedPorts = {0x2E, 0x42, 0x43, 0x61, 0x295, 0x296};

struct Request {
    uint8_t major;
    const char* fileName;  // what follows \Device\hwpio
    Token primary, impersonation;
    uint32_t desiredAccess;
};
constexpr uint32_t GenericRead = 0x80000000;

// Sends a request to the driver's routine for it as the I/O manager does,
// and checks what every request must get: completed exactly once with the
// status the routine returns (never pending, no information), the opener's
// file object and access state left as they were, every subject context
// unlocked. The request's buffers lie where the driver cannot touch them.
NtStatus Dispatch(const Request& request, Verdict& verdict)
{
    static FileObject file;
    static AccessState access;
    static IoSecurityContext security;
    static char16_t nameText[16];
    size_t length = 0;
    for (; request.fileName[length] && length < 15; ++length) nameText[length] = request.fileName[length];
    file = FileObject{};
    file.type = 5;
    file.size = sizeof file;
    file.deviceObject = driver.deviceObject;
    file.fileName = {static_cast<uint16_t>(2 * length), sizeof nameText, nameText};
    access = AccessState{};
    access.subjectSecurityContext = {TokenObject(request.impersonation), request.impersonation == Token::None ? 0u : 2u,
                                     TokenObject(request.primary), nullptr};
    security = {nullptr, &access, request.desiredAccess, 0};
    const FileObject fileBefore = file;
    const AccessState accessBefore = access;

    Irp* irp = NewRequest();
    auto* stack = reinterpret_cast<IoStackLocation*>(irp + 1);
    irp->type = 6;
    irp->size = sizeof(Irp) + sizeof(IoStackLocation);
    irp->stackCount = irp->currentLocation = 1;
    irp->requestorMode = UserMode;
    irp->mdlAddress = irp->systemBuffer = irp->userBuffer = UntouchableBuffer();
    irp->ioStatus = {0xDEADBEEF, 0xDEADBEEF};
    irp->currentStackLocation = stack;
    irp->originalFileObject = &file;
    stack->majorFunction = request.major;
    stack->deviceObject = driver.deviceObject;
    stack->fileObject = &file;
    for (void*& parameter : stack->parameters) parameter = UntouchableBuffer();
    if (request.major == MajorCreate) {
        stack->parameters[0] = &security;
        stack->parameters[1] = reinterpret_cast<void*>(0x01000000);  // FILE_OPEN
        stack->parameters[2] = stack->parameters[3] = nullptr;
    }

    uint32_t returned = StatusUnsuccessful;
    char failure[200];
    verdict.Check(CallDriver(image, driver.majorFunction[request.major], {Arg(driver.deviceObject), Arg(irp)}, returned,
                             failure, sizeof failure),
                  "the routine %s", failure);
    KernelIntact(verdict);
    verdict.Check(kernel.completions == 1, "the request was completed %d times", kernel.completions);
    verdict.Check(returned != StatusPending && returned == kernel.completedWith.status,
                  "the routine returned 0x%08X, the request was completed with 0x%08X", returned,
                  kernel.completedWith.status);
    verdict.Check(kernel.completedWith.information == 0, "the request reported %u bytes",
                  kernel.completedWith.information);
    verdict.Check(kernel.lockedContexts == 0, "a subject context was left locked");
    verdict.Check(memcmp(&file, &fileBefore, sizeof file) == 0, "the file object was changed");
    verdict.Check(memcmp(&access, &accessBefore, sizeof access) == 0, "the opener's access state was changed");
    return returned;
}

// ---- Mapping: corrupt media fail with a message, never a crash.

uint32_t Get32(const std::vector<uint8_t>& bytes, size_t at)
{
    uint32_t value;
    memcpy(&value, &bytes[at], 4);
    return value;
}
void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) { memcpy(&bytes[at], &value, 4); }
size_t PeHeader(const std::vector<uint8_t>& bytes) { return Get32(bytes, 0x3C); }
size_t Directory(const std::vector<uint8_t>& bytes, int index) { return PeHeader(bytes) + 24 + 96 + 8 * index; }
size_t SectionHeader(const std::vector<uint8_t>& bytes, int index)
{
    const size_t pe = PeHeader(bytes);
    return pe + 24 + (bytes[pe + 20] | bytes[pe + 21] << 8) + 40 * index;
}
int SectionCount(const std::vector<uint8_t>& bytes) { return bytes[PeHeader(bytes) + 6]; }
size_t FileOffset(const std::vector<uint8_t>& bytes, uint32_t rva)
{
    for (int i = 0; i < SectionCount(bytes); ++i) {
        const size_t header = SectionHeader(bytes, i);
        const uint32_t start = Get32(bytes, header + 12), size = Get32(bytes, header + 16);
        if (rva >= start && rva - start < size) return Get32(bytes, header + 20) + rva - start;
    }
    return 0;
}
bool Replace(std::vector<uint8_t>& bytes, const char* from, const char* to)
{
    const size_t length = strlen(from) + 1;
    for (size_t at = 0; at + length <= bytes.size(); ++at)
        if (memcmp(&bytes[at], from, length) == 0) {
            memcpy(&bytes[at], to, length);
            return true;
        }
    return false;
}

struct Corruption {
    const char* name;
    void (*corrupt)(std::vector<uint8_t>&);
    const char* message;
};
const Corruption Corruptions[] = {
    {"an empty file", [](std::vector<uint8_t>& b) { b.clear(); }, "has no MZ header"},
    {"its headers alone", [](std::vector<uint8_t>& b) { b.resize(Get32(b, PeHeader(b) + 24 + 60)); },
     "data lies beyond the end of the file"},
    {"a PE header offset beyond the file", [](std::vector<uint8_t>& b) { Put32(b, 0x3C, b.size()); }, "PE header at"},
    {"an x86-64 image", [](std::vector<uint8_t>& b) { b[PeHeader(b) + 4] = 0x64, b[PeHeader(b) + 5] = 0x86; },
     "is not an i386 image (machine 0x8664)"},
    {"a section beyond the image's size",
     [](std::vector<uint8_t>& b) { Put32(b, SectionHeader(b, SectionCount(b) - 1) + 12, 0x7FFF0000); },
     "lies outside the image"},
    {"no base relocations", [](std::vector<uint8_t>& b) { Put32(b, Directory(b, 5) + 4, 0); },
     "has no base relocations"},
    {"a relocation outside the image",
     [](std::vector<uint8_t>& b) { Put32(b, FileOffset(b, Get32(b, Directory(b, 5))), 0x7FFF0000); },
     "has a relocation at 0x7FFF"},
    {"a relocation of a type no i386 image holds",
     [](std::vector<uint8_t>& b) { b[FileOffset(b, Get32(b, Directory(b, 5))) + 9] = 0xA0; }, "of type 10"},
    {"an import this kernel lacks", [](std::vector<uint8_t>& b) { Replace(b, "ZwClose", "ZwClase"); },
     "imports ntoskrnl.exe!ZwClase, which this kernel does not provide"},
    {"an import from another module", [](std::vector<uint8_t>& b) { Replace(b, "ntoskrnl.exe", "HAL.dll\0\0\0\0\0"); },
     "imports HAL.dll!"},
    {"an import by ordinal",
     [](std::vector<uint8_t>& b) {
         Put32(b, FileOffset(b, Get32(b, FileOffset(b, Get32(b, Directory(b, 1))))), 0x80000007);
     },
     "imports ordinal 7"},
};

void RunMappingTable()
{
    for (const Corruption& corruption : Corruptions) {
        Verdict verdict;
        std::vector<uint8_t> bytes = driverFile;
        corruption.corrupt(bytes);
        DriverImage corrupt;
        char error[200];
        if (verdict.Check(
                !MapDriverImage(bytes.data(), bytes.size(), ResolveKernelImport, corrupt, error, sizeof error),
                "it was mapped"))
            verdict.Check(strstr(error, corruption.message) != nullptr, "the message was \"%s\"", error);
        UnmapDriverImage(corrupt);
        Report("Mapping", corruption.name, verdict);
    }
}

// ---- Load: one DriverEntry, judged row by row, then a request of every kind.

NtStatus loaded;

struct Check {
    const char* name;
    void (*check)(Verdict&);
};
const Check LoadChecks[] = {
    {"DriverEntry succeeds", [](Verdict& v) { v.Check(loaded == StatusSuccess, "it returned 0x%08X", loaded); }},
    {"map 1 opens 0x2E, 0x42, 0x43, 0x61, 0x295 and 0x296, every other port closed",
     [](Verdict& v) { v.Check(kernel.map1Set, "map 1 was not set") && Map1OpensOnly(GrantedPorts, v); }},
    {"map 1 is set before the device exists",
     [](Verdict& v) {
         const int map = CallIndex(KernelFunction::Ke386SetIoAccessMap, true);
         v.Check(map >= 0 && map < CallIndex(KernelFunction::IoCreateDevice, true), "the device came first");
     }},
    {"one device, \\Device\\hwpio, with FILE_DEVICE_SECURE_OPEN, not exclusive",
     [](Verdict& v) {
         const DeviceRecord& device = kernel.devices[0];
         v.Check(kernel.deviceCount == 1 && device.live && driver.deviceObject == device.object, "%d devices",
                 LiveDevices()) &&
             v.Check(strcmp(device.name, "\\Device\\hwpio") == 0, "it is %s", device.name) &&
             v.Check(device.characteristics & 0x100, "characteristics 0x%X", device.characteristics) &&
             v.Check(!device.exclusive, "it is exclusive");
     }},
    {"the device's DACL allows Administrators and SYSTEM, nobody else",
     [](Verdict& v) {
         v.Check(strcmp(kernel.devices[0].dacl, "allow S-1-5-32-544 0x1F01FF, allow S-1-5-18 0x1F01FF") == 0,
                 "it is \"%s\"", kernel.devices[0].dacl);
     }},
    {"the DACL is on the device before \\DosDevices\\hwpio exists",
     [](Verdict& v) {
         const int secured = CallIndex(KernelFunction::NtSetSecurityObject, true);
         v.Check(secured >= 0 && secured < CallIndex(KernelFunction::IoCreateSymbolicLink, true),
                 "the link came first");
     }},
    {"\\DosDevices\\hwpio names \\Device\\hwpio",
     [](Verdict& v) {
         v.Check(LiveLinks() == 1 && strcmp(kernel.links[0].name, "\\DosDevices\\hwpio") == 0 &&
                     strcmp(kernel.links[0].target, "\\Device\\hwpio") == 0,
                 "%d links, the first %s -> %s", LiveLinks(), kernel.links[0].name, kernel.links[0].target);
     }},
    {"no kernel handle is left open", [](Verdict& v) { v.Check(OpenHandles() == 0, "%d open", OpenHandles()); }},
    {"the unload routine is set, to a routine inside the driver's image",
     [](Verdict& v) {
         v.Check(static_cast<uint32_t>(static_cast<uint8_t*>(driver.driverUnload) - image.base) < image.size,
                 "it is 0x%p", driver.driverUnload);
     }},
};

// By major function code, IRP_MJ_CREATE (0) to IRP_MJ_PNP (0x1B).
constexpr const char* MajorNames[MajorFunctionCount] = {
    "CREATE", "CREATE_NAMED_PIPE", "CLOSE", "READ", "WRITE", "QUERY_INFORMATION", "SET_INFORMATION",
    "QUERY_EA", "SET_EA", "FLUSH_BUFFERS", "QUERY_VOLUME_INFORMATION", "SET_VOLUME_INFORMATION",
    "DIRECTORY_CONTROL", "FILE_SYSTEM_CONTROL", "DEVICE_CONTROL", "INTERNAL_DEVICE_CONTROL", "SHUTDOWN",
    "LOCK_CONTROL", "CLEANUP", "CREATE_MAILSLOT", "QUERY_SECURITY", "SET_SECURITY", "POWER", "SYSTEM_CONTROL",
    "DEVICE_CHANGE", "QUERY_QUOTA", "SET_QUOTA", "PNP"};

void RunLoadTable()
{
    Fresh();
    Verdict loadVerdict;
    loaded = Load(loadVerdict);
    for (const Check& row : LoadChecks) {
        Verdict verdict = loadVerdict;
        row.check(verdict);
        Report("Load", row.name, verdict);
    }
    // Opened, cleaned up and closed by an administrator; everything else refused.
    for (uint8_t major = 0; major < MajorFunctionCount; ++major) {
        const bool handled = major == MajorCreate || major == MajorCleanup || major == MajorClose;
        Verdict verdict;
        const NtStatus status = Dispatch({major, "", Token::Administrator, Token::None, GenericRead}, verdict);
        verdict.Check(status == (handled ? StatusSuccess : StatusInvalidDeviceRequest), "status 0x%08X", status);
        char name[80];
        snprintf(name, sizeof name, "IRP_MJ_%s %s", MajorNames[major], handled ? "succeeds" : "is refused");
        Report("Load", name, verdict);
    }
}

// ---- Every failure on the way: each kernel call of DriverEntry that can
// fail, failing in turn.

void RunFailureTable()
{
    Fresh();
    Verdict ignored;
    Load(ignored);
    const int callCount = kernel.callCount;
    KernelCall calls[sizeof kernel.calls / sizeof kernel.calls[0]];
    memcpy(calls, kernel.calls, sizeof calls);
    for (int i = 0; i < callCount; ++i) {
        const KernelFunction function = calls[i].function;
        const Refusal refusal = KernelRefusal(function);
        if (refusal == Refusal::Never) continue;
        int occurrence = 0;
        for (int j = 0; j < i; ++j) occurrence += calls[j].function == function;
        Fresh();
        kernel.refuse = function;
        kernel.refuseOccurrence = occurrence;
        Verdict verdict;
        const NtStatus status = Load(verdict);
        if (refusal == Refusal::WithStatus)
            verdict.Check(status == RefusedStatus, "DriverEntry returned 0x%08X", status);
        else
            verdict.Check(!Succeeded(status), "DriverEntry returned 0x%08X", status);
        verdict.Check(LiveDevices() == 0 && driver.deviceObject == nullptr, "a device was left");
        verdict.Check(LiveLinks() == 0, "a link was left");
        verdict.Check(OpenHandles() == 0, "a kernel handle was left open");
        verdict.Check(!kernel.map1Set || Map1OpensOnly({}, verdict), "map 1 was left open");
        verdict.Check(driver.driverUnload == nullptr, "the unload routine was set");
        char name[80];
        snprintf(name, sizeof name, "call %d, %s, fails", i + 1, KernelFunctionName(function));
        Report("Failures", name, verdict);
    }
}

// ---- Opens.

struct Open {
    const char* name;
    const char* fileName;
    Token primary, impersonation;
    uint32_t desiredAccess;
    bool grantFails;
    NtStatus expected;
};
const Open Opens[] = {
    {"an administrator's process is granted", "", Token::Administrator, Token::None, GenericRead, false, StatusSuccess},
    {"SYSTEM's process is granted", "", Token::System, Token::None, GenericRead, false, StatusSuccess},
    {"a user's process is refused", "", Token::User, Token::None, GenericRead, false, StatusAccessDenied},
    {"a user's process asking for no access is refused", "", Token::User, Token::None, 0, false, StatusAccessDenied},
    {"a user's process impersonating an administrator is refused", "", Token::User, Token::Administrator, GenericRead,
     false, StatusAccessDenied},
    {"an administrator's process impersonating a user is granted", "", Token::Administrator, Token::User, GenericRead,
     false, StatusSuccess},
    {"an administrator's open of a name below the device is refused", "\\x", Token::Administrator, Token::None,
     GenericRead, false, StatusInvalidDeviceRequest},
    {"a user's open of a name below the device is refused", "\\port", Token::User, Token::None, GenericRead, false,
     StatusInvalidDeviceRequest},
    {"a grant the kernel refuses fails the open", "", Token::Administrator, Token::None, GenericRead, true,
     StatusUnsuccessful},
};

void RunOpenTable()
{
    for (const Open& open : Opens) {
        Fresh();
        Verdict verdict;
        verdict.Check(Load(verdict) == StatusSuccess, "DriverEntry failed");
        const int firstCall = kernel.callCount;
        if (open.grantFails) {
            kernel.refuse = KernelFunction::Ke386IoSetAccessProcess;
            kernel.refuseOccurrence = 0;
        }
        const NtStatus status =
            Dispatch({MajorCreate, open.fileName, open.primary, open.impersonation, open.desiredAccess}, verdict);
        verdict.Check(status == open.expected, "status 0x%08X", status);
        const bool granted = open.expected == StatusSuccess;
        verdict.Check(kernel.openerMapNumber == (granted ? 1u : 0u), "the process uses map %u", kernel.openerMapNumber);
        int checked = -1, grant = -1;
        for (int i = kernel.callCount - 1; i >= firstCall; --i) {
            if (kernel.calls[i].function == KernelFunction::Ke386IoSetAccessProcess) grant = i;
            if (kernel.calls[i].function == KernelFunction::SeAccessCheck && kernel.calls[i].result) checked = i;
        }
        if (grant >= 0) verdict.Check(checked >= 0 && checked < grant, "the grant came before a check that passed");
        if (kernel.judgedToken)
            verdict.Check(kernel.judgedToken == TokenObject(open.primary),
                          "the check judged another token than the process's");
        if (granted) Map1OpensOnly(GrantedPorts, verdict);
        Report("Opens", open.name, verdict);
    }
}

// ---- Unload, after an administrator's process was granted.

Verdict unloadVerdict;
const Check UnloadChecks[] = {
    {"the unload routine returns", [](Verdict&) {}},
    {"\\DosDevices\\hwpio is deleted", [](Verdict& v) { v.Check(LiveLinks() == 0, "%d links", LiveLinks()); }},
    {"the device is deleted",
     [](Verdict& v) { v.Check(LiveDevices() == 0 && driver.deviceObject == nullptr, "%d devices", LiveDevices()); }},
    {"every port of map 1 is closed, for the process granted before too",
     [](Verdict& v) { v.Check(kernel.openerMapNumber == 1, "the process left map 1") && Map1OpensOnly({}, v); }},
};

void RunUnloadTable()
{
    Fresh();
    Load(unloadVerdict);
    Dispatch({MajorCreate, "", Token::Administrator, Token::None, GenericRead}, unloadVerdict);
    uint32_t ignored;
    char failure[200];
    unloadVerdict.Check(CallDriver(image, driver.driverUnload, {Arg(&driver)}, ignored, failure, sizeof failure),
                        "the unload routine %s", failure);
    KernelIntact(unloadVerdict);
    for (const Check& row : UnloadChecks) {
        Verdict verdict = unloadVerdict;
        row.check(verdict);
        Report("Unload", row.name, verdict);
    }
    // Started again while that process still runs: it passed the check once
    // and still points at map 1, which opens its ports again.
    MapAgain();
    Verdict verdict;
    verdict.Check(Load(verdict) == StatusSuccess, "DriverEntry failed") && Map1OpensOnly(GrantedPorts, verdict);
    Report("Unload", "started again, the process granted before has its six ports back", verdict);
}

}  // namespace

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "build/medium/HwPio.sys";
    if (FILE* file = fopen(path, "rb")) {
        uint8_t buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, file)) > 0;)
            driverFile.insert(driverFile.end(), buffer, buffer + n);
        fclose(file);
    } else {
        printf("driver_harness: cannot read %s\n", path);
        return 2;
    }
    InstallFaultCatcher();
    ResetKernel();
    char error[200];
    if (!MapDriverImage(driverFile.data(), driverFile.size(), ResolveKernelImport, image, error, sizeof error)) {
        printf("driver_harness: %s cannot be loaded: it %s\n", path, error);
        return 2;
    }
    printf("%s: %zu bytes, mapped at 0x%08X instead of 0x%08X\n", path, driverFile.size(), Arg(image.base),
           image.preferredBase);
    RunMappingTable();
    RunLoadTable();
    RunFailureTable();
    RunOpenTable();
    RunUnloadTable();
    UnmapDriverImage(image);
    printf("driver_harness: %d cases, %d failed (%s)\n", caseCount, failedCount, path);
    return failedCount ? 1 : 0;
}
