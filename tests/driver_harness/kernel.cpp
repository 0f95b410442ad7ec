#include "tests/driver_harness/kernel.h"

#include <sys/mman.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>

// The driver calls these from its own code, whose stack is aligned to 4
// bytes only; the stand-ins realign it for the harness's compiler.
#define KERNEL_STDCALL __attribute__((stdcall, force_align_arg_pointer))
#define KERNEL_FASTCALL __attribute__((fastcall, force_align_arg_pointer))

Kernel kernel;

namespace {

constexpr size_t PageSize = 4096;
// Page 0: the kernel's own objects and untouchable buffers (never
// accessible); pages 1-4: device objects; page 5: the current request.
constexpr int OpaquePage = 0, FirstDevicePage = 1, RequestPage = 5, PageCount = 6;
uint8_t* pages;

uint8_t* Page(int index) { return pages + index * PageSize; }

void Fault(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Fault(const char* format, ...)
{
    if (kernel.fault[0]) return;
    va_list args;
    va_start(args, format);
    vsnprintf(kernel.fault, sizeof kernel.fault, format, args);
    va_end(args);
}

// Records the call; true when it is the one to refuse.
bool Called(KernelFunction function)
{
    int occurrence = 0;
    for (int i = 0; i < kernel.callCount; ++i) occurrence += kernel.calls[i].function == function;
    const bool refused = function == kernel.refuse && occurrence == kernel.refuseOccurrence;
    if (kernel.callCount < static_cast<int>(sizeof kernel.calls / sizeof kernel.calls[0]))
        kernel.calls[kernel.callCount++] = {function, refused, !refused};
    return refused;
}

void SetLastResult(bool result) { kernel.calls[kernel.callCount - 1].result = result; }

NtStatus Result(NtStatus status)
{
    SetLastResult(Succeeded(status));
    return status;
}

uint8_t False()
{
    SetLastResult(false);
    return 0;
}

// A counted name as text; false, with a fault, when the record is malformed.
bool NameText(const UnicodeString* name, char* out)
{
    out[0] = 0;
    if (!name || !name->buffer || name->length % 2 || name->length > name->maximumLength ||
        name->length / 2 >= NameSize) {
        Fault("a malformed or overlong UNICODE_STRING");
        return false;
    }
    const int count = name->length / 2;
    for (int i = 0; i < count; ++i) out[i] = name->buffer[i] < 128 ? static_cast<char>(name->buffer[i]) : '?';
    out[count] = 0;
    return true;
}

bool ValidSid(const Sid* sid) { return sid && sid->revision == 1 && sid->subAuthorityCount <= 15; }

bool SameSid(const Sid& a, const Sid& b) { return SidLength(a) == SidLength(b) && memcmp(&a, &b, SidLength(a)) == 0; }

struct TokenRecord {
    Token token;
    Sid sids[4];  // the user, then the groups
    int count;
};
constexpr Sid Everyone = {1, 1, {0, 0, 0, 0, 0, 1}, {0}};                         // S-1-1-0
constexpr Sid AuthenticatedUsers = {1, 1, {0, 0, 0, 0, 0, 5}, {11}};             // S-1-5-11
constexpr Sid LocalSystem = {1, 1, {0, 0, 0, 0, 0, 5}, {18}};                    // S-1-5-18
constexpr Sid Administrators = {1, 2, {0, 0, 0, 0, 0, 5}, {32, 544}};            // S-1-5-32-544
constexpr Sid Users = {1, 2, {0, 0, 0, 0, 0, 5}, {32, 545}};                     // S-1-5-32-545
constexpr Sid AdministratorAccount = {1, 5, {0, 0, 0, 0, 0, 5}, {21, 1, 2, 3, 500}};
constexpr Sid UserAccount = {1, 5, {0, 0, 0, 0, 0, 5}, {21, 1, 2, 3, 1001}};
// SYSTEM's token here lacks the Administrators group, so that only the
// SYSTEM entry of a DACL can let it in.
constexpr TokenRecord Tokens[] = {
    {Token::Administrator, {AdministratorAccount, Administrators, Everyone, AuthenticatedUsers}, 4},
    {Token::User, {UserAccount, Users, Everyone, AuthenticatedUsers}, 4},
    {Token::System, {LocalSystem, Everyone}, 2},
};

const TokenRecord* FindToken(const void* object)
{
    for (const TokenRecord& record : Tokens)
        if (TokenObject(record.token) == object) return &record;
    return nullptr;
}

// The ACEs in order, within the ACL's size; null when they do not fit.
const AceHeader* AceAt(const Acl* acl, int index)
{
    size_t offset = sizeof(Acl);
    for (int i = 0;; ++i) {
        if (offset + sizeof(AceHeader) > acl->aclSize) return nullptr;
        const auto* ace = reinterpret_cast<const AceHeader*>(reinterpret_cast<const uint8_t*>(acl) + offset);
        if (ace->aceSize < sizeof(AceHeader) + 8 || offset + ace->aceSize > acl->aclSize) return nullptr;
        if (i == index) return ace;
        offset += ace->aceSize;
    }
}

const Sid& AceSid(const AceHeader* ace) { return *reinterpret_cast<const Sid*>(ace + 1); }

DeviceRecord* FindDevice(const void* object)
{
    for (int i = 0; i < kernel.deviceCount; ++i)
        if (kernel.devices[i].live && kernel.devices[i].object == object) return &kernel.devices[i];
    return nullptr;
}

// ---- The stand-ins, with NT's prototypes.

NtStatus KERNEL_STDCALL IoCreateDevice(DriverObject* driver, uint32_t extensionSize, UnicodeString* name, uint32_t type,
                                       uint32_t characteristics, uint8_t exclusive, DeviceObject** device)
{
    if (Called(KernelFunction::IoCreateDevice)) return Result(RefusedStatus);
    char text[NameSize];
    if (!NameText(name, text) || extensionSize > 0 || kernel.deviceCount == 4) return Result(StatusInvalidParameter);
    for (int i = 0; i < kernel.deviceCount; ++i)
        if (kernel.devices[i].live && strcasecmp(kernel.devices[i].name, text) == 0)
            return Result(StatusObjectNameCollision);
    auto* object = reinterpret_cast<DeviceObject*>(Page(FirstDevicePage + kernel.deviceCount));
    *object = DeviceObject{};
    object->type = 3;
    object->size = sizeof(DeviceObject);
    object->driverObject = driver;
    object->nextDevice = driver->deviceObject;
    object->flags = 0x80 | (exclusive ? 0x08 : 0);  // DO_DEVICE_INITIALIZING, DO_EXCLUSIVE
    object->characteristics = characteristics;
    object->deviceType = type;
    object->stackSize = 1;
    driver->deviceObject = object;
    DeviceRecord& record = kernel.devices[kernel.deviceCount++];
    record = DeviceRecord{object, {}, characteristics, exclusive != 0, true, {}};
    snprintf(record.name, sizeof record.name, "%s", text);
    *device = object;
    return Result(StatusSuccess);
}

void KERNEL_STDCALL IoDeleteDevice(DeviceObject* device)
{
    Called(KernelFunction::IoDeleteDevice);
    DeviceRecord* record = FindDevice(device);
    if (!record) return Fault("IoDeleteDevice of 0x%p, which is no device", static_cast<void*>(device));
    DriverObject* driver = device->driverObject;
    for (DeviceObject** link = &driver->deviceObject; *link; link = &(*link)->nextDevice)
        if (*link == device) {
            *link = device->nextDevice;
            break;
        }
    record->live = false;
    // Freed: any later use of the object faults.
    mprotect(device, PageSize, PROT_NONE);
}

NtStatus KERNEL_STDCALL IoCreateSymbolicLink(UnicodeString* link, UnicodeString* target)
{
    if (Called(KernelFunction::IoCreateSymbolicLink)) return Result(RefusedStatus);
    char name[NameSize], targetName[NameSize];
    if (!NameText(link, name) || !NameText(target, targetName) || kernel.linkCount == 4)
        return Result(StatusInvalidParameter);
    for (int i = 0; i < kernel.linkCount; ++i)
        if (kernel.links[i].live && strcasecmp(kernel.links[i].name, name) == 0)
            return Result(StatusObjectNameCollision);
    LinkRecord& record = kernel.links[kernel.linkCount++];
    record = LinkRecord{{}, {}, true};
    snprintf(record.name, sizeof record.name, "%s", name);
    snprintf(record.target, sizeof record.target, "%s", targetName);
    return Result(StatusSuccess);
}

NtStatus KERNEL_STDCALL IoDeleteSymbolicLink(UnicodeString* link)
{
    Called(KernelFunction::IoDeleteSymbolicLink);
    char name[NameSize];
    if (!NameText(link, name)) return Result(StatusInvalidParameter);
    for (int i = 0; i < kernel.linkCount; ++i)
        if (kernel.links[i].live && strcasecmp(kernel.links[i].name, name) == 0) {
            kernel.links[i].live = false;
            return Result(StatusSuccess);
        }
    return Result(StatusObjectNameNotFound);
}

void KERNEL_FASTCALL IofCompleteRequest(Irp* irp, uint8_t)
{
    Called(KernelFunction::IofCompleteRequest);
    if (irp != kernel.request)
        return Fault("IoCompleteRequest of 0x%p, which is not the request", static_cast<void*>(irp));
    if (kernel.completions++ > 0) return Fault("the request was completed twice");
    kernel.completedWith = irp->ioStatus;
    // The I/O manager may free a completed request at once.
    mprotect(Page(RequestPage), PageSize, PROT_NONE);
}

void* KERNEL_STDCALL IoGetCurrentProcess()
{
    Called(KernelFunction::IoGetCurrentProcess);
    return OpenerProcess();
}

uint8_t KERNEL_STDCALL Ke386IoSetAccessProcess(void* process, uint32_t mapNumber)
{
    if (Called(KernelFunction::Ke386IoSetAccessProcess)) return False();
    if (process != OpenerProcess()) {
        Fault("Ke386IoSetAccessProcess of 0x%p, which is no process", process);
        return False();
    }
    if (mapNumber > 1) return False();  // the i386 kernel keeps one map besides "none"
    kernel.openerMapNumber = mapNumber;
    return 1;
}

uint8_t KERNEL_STDCALL Ke386SetIoAccessMap(uint32_t mapNumber, const uint8_t* map)
{
    if (Called(KernelFunction::Ke386SetIoAccessMap) || mapNumber != 1) return False();
    // The kernel copies the map into every processor's task state at once.
    memcpy(kernel.map1, map, sizeof kernel.map1);
    kernel.map1Set = true;
    return 1;
}

NtStatus KERNEL_STDCALL RtlCreateSecurityDescriptor(SecurityDescriptor* descriptor, uint32_t revision)
{
    if (Called(KernelFunction::RtlCreateSecurityDescriptor)) return Result(RefusedStatus);
    if (revision != 1) return Result(StatusUnknownRevision);
    *descriptor = SecurityDescriptor{1, 0, 0, nullptr, nullptr, nullptr, nullptr};
    return Result(StatusSuccess);
}

NtStatus KERNEL_STDCALL RtlCreateAcl(Acl* acl, uint32_t length, uint32_t revision)
{
    if (Called(KernelFunction::RtlCreateAcl)) return Result(RefusedStatus);
    if (length < sizeof(Acl)) return Result(StatusBufferTooSmall);
    if (revision < 2 || revision > 4 || length > 0xFFFF) return Result(StatusInvalidParameter);
    *acl = Acl{static_cast<uint8_t>(revision), 0, static_cast<uint16_t>(length & ~3u), 0, 0};
    return Result(StatusSuccess);
}

NtStatus KERNEL_STDCALL RtlAddAccessAllowedAce(Acl* acl, uint32_t revision, uint32_t mask, Sid* sid)
{
    if (Called(KernelFunction::RtlAddAccessAllowedAce)) return Result(RefusedStatus);
    if (!ValidSid(sid)) return Result(StatusInvalidSid);
    if (revision != acl->aclRevision) return Result(StatusUnknownRevision);
    size_t end = sizeof(Acl);
    for (int i = 0; i < acl->aceCount; ++i) {
        const AceHeader* ace = AceAt(acl, i);
        if (!ace) return Result(StatusInvalidParameter);
        end += ace->aceSize;
    }
    const size_t size = sizeof(AceHeader) + SidLength(*sid);
    if (end + size > acl->aclSize) return Result(StatusAllottedSpaceExceeded);
    auto* ace = reinterpret_cast<AceHeader*>(reinterpret_cast<uint8_t*>(acl) + end);
    *ace = AceHeader{0, 0, static_cast<uint16_t>(size), mask};
    memcpy(ace + 1, sid, SidLength(*sid));
    ++acl->aceCount;
    return Result(StatusSuccess);
}

NtStatus KERNEL_STDCALL RtlSetDaclSecurityDescriptor(SecurityDescriptor* descriptor, uint8_t present, Acl* dacl,
                                                     uint8_t defaulted)
{
    if (Called(KernelFunction::RtlSetDaclSecurityDescriptor)) return Result(RefusedStatus);
    if (descriptor->revision != 1) return Result(StatusUnknownRevision);
    if (descriptor->control & SeSelfRelative) return Result(StatusInvalidSecurityDescr);
    descriptor->control = static_cast<uint16_t>((descriptor->control & ~0x000Cu) | (present ? SeDaclPresent : 0) |
                                                (present && defaulted ? 0x0008 : 0));
    descriptor->dacl = present ? dacl : nullptr;
    return Result(StatusSuccess);
}

NtStatus KERNEL_STDCALL ObOpenObjectByPointer(void* object, uint32_t, void*, uint32_t, void*, uint8_t, uint32_t* handle)
{
    if (Called(KernelFunction::ObOpenObjectByPointer)) return Result(RefusedStatus);
    if (!FindDevice(object)) {
        Fault("ObOpenObjectByPointer of 0x%p, which is no object", object);
        return Result(StatusInvalidHandle);
    }
    for (uint32_t i = 0; i < 4; ++i)
        if (!kernel.handles[i]) {
            kernel.handles[i] = object;
            *handle = (i + 1) * 4;
            return Result(StatusSuccess);
        }
    return Result(StatusInsufficientResources);
}

void** HandleSlot(uint32_t handle)
{
    const uint32_t index = handle / 4 - 1;
    return handle % 4 == 0 && index < 4 && kernel.handles[index] ? &kernel.handles[index] : nullptr;
}

NtStatus KERNEL_STDCALL NtSetSecurityObject(uint32_t handle, uint32_t information, SecurityDescriptor* descriptor)
{
    if (Called(KernelFunction::NtSetSecurityObject)) return Result(RefusedStatus);
    void** slot = HandleSlot(handle);
    if (!slot) return Result(StatusInvalidHandle);
    if (!(information & 4) || !descriptor || descriptor->revision != 1 || !(descriptor->control & SeDaclPresent))
        return Result(StatusInvalidSecurityDescr);
    DeviceRecord* device = FindDevice(*slot);
    if (!device) return Result(StatusInvalidHandle);
    if (!FormatAcl(descriptor->dacl, device->dacl, sizeof device->dacl)) return Result(StatusInvalidSecurityDescr);
    return Result(StatusSuccess);
}

NtStatus KERNEL_STDCALL ZwClose(uint32_t handle)
{
    Called(KernelFunction::ZwClose);
    void** slot = HandleSlot(handle);
    if (!slot) {
        Fault("ZwClose of handle 0x%X, which is not open", handle);
        return Result(StatusInvalidHandle);
    }
    *slot = nullptr;
    return Result(StatusSuccess);
}

void KERNEL_STDCALL SeLockSubjectContext(SecuritySubjectContext* context)
{
    Called(KernelFunction::SeLockSubjectContext);
    if (!FindToken(context->primaryToken) || (context->clientToken && !FindToken(context->clientToken)))
        return Fault("SeLockSubjectContext of a context without the kernel's tokens");
    ++kernel.lockedContexts;
}

void KERNEL_STDCALL SeUnlockSubjectContext(SecuritySubjectContext*)
{
    Called(KernelFunction::SeUnlockSubjectContext);
    if (kernel.lockedContexts-- == 0) Fault("SeUnlockSubjectContext without a lock");
}

uint32_t MapGeneric(uint32_t access, const GenericMapping* mapping)
{
    const uint32_t specific = access & 0x0FFFFFFF;
    return specific | (access & 0x80000000 ? mapping->genericRead : 0) |
           (access & 0x40000000 ? mapping->genericWrite : 0) | (access & 0x20000000 ? mapping->genericExecute : 0) |
           (access & 0x10000000 ? mapping->genericAll : 0);
}

// NT's rule: the thread's impersonation token if it has one, else its
// process's; kernel mode is granted without a check; the DACL's ACEs are
// taken in order until every right asked for is granted or one is denied.
uint8_t KERNEL_STDCALL SeAccessCheck(SecurityDescriptor* descriptor, SecuritySubjectContext* subject, uint8_t locked,
                                     uint32_t desired, uint32_t previouslyGranted, void**, GenericMapping* mapping,
                                     uint8_t mode, uint32_t* granted, NtStatus* status)
{
    Called(KernelFunction::SeAccessCheck);
    auto answer = [&](bool allowed, uint32_t rights) -> uint8_t {
        *granted = allowed ? rights : 0;
        *status = allowed ? StatusSuccess : StatusAccessDenied;
        SetLastResult(allowed);
        return allowed;
    };
    desired = MapGeneric(desired, mapping);
    if (locked && kernel.lockedContexts == 0) Fault("SeAccessCheck told the context is locked, but it is not");
    void* token = subject->clientToken ? subject->clientToken : subject->primaryToken;
    kernel.judgedToken = token;
    if (mode == KernelMode) return answer(true, desired | previouslyGranted);
    if (desired == 0) return answer(previouslyGranted != 0, previouslyGranted);
    const TokenRecord* record = FindToken(token);
    if (!record) {
        Fault("SeAccessCheck of a token the kernel does not know");
        return answer(false, 0);
    }
    if (!(descriptor->control & SeDaclPresent) || !descriptor->dacl) return answer(true, desired);
    uint32_t allowed = previouslyGranted;
    for (int i = 0; i < descriptor->dacl->aceCount && (desired & ~allowed); ++i) {
        const AceHeader* ace = AceAt(descriptor->dacl, i);
        if (!ace) return answer(false, 0);
        bool holds = false;
        for (int s = 0; s < record->count; ++s) holds |= SameSid(record->sids[s], AceSid(ace));
        if (!holds) continue;
        const uint32_t rights = MapGeneric(ace->mask, mapping);
        if (ace->aceType == 1 && (rights & desired & ~allowed)) return answer(false, 0);
        if (ace->aceType == 0) allowed |= rights;
    }
    return answer((desired & ~allowed) == 0, desired);
}

GenericMapping* KERNEL_STDCALL IoGetFileObjectGenericMapping()
{
    Called(KernelFunction::IoGetFileObjectGenericMapping);
    static GenericMapping fileMapping = {0x120089, 0x120116, 0x1200A0, 0x1F01FF};
    return &fileMapping;
}

NtStatus KERNEL_STDCALL InvalidDeviceRequest(DeviceObject*, Irp* irp)
{
    irp->ioStatus = {StatusInvalidDeviceRequest, 0};
    IofCompleteRequest(irp, 0);
    return StatusInvalidDeviceRequest;
}

struct KernelExport {
    const char* name;
    void* address;
    Refusal refusal;
};
// In the order of KernelFunction.
const KernelExport Exports[] = {
    {"IoCreateDevice", reinterpret_cast<void*>(IoCreateDevice), Refusal::WithStatus},
    {"IoCreateSymbolicLink", reinterpret_cast<void*>(IoCreateSymbolicLink), Refusal::WithStatus},
    {"IoDeleteDevice", reinterpret_cast<void*>(IoDeleteDevice), Refusal::Never},
    {"IoDeleteSymbolicLink", reinterpret_cast<void*>(IoDeleteSymbolicLink), Refusal::Never},
    {"IofCompleteRequest", reinterpret_cast<void*>(IofCompleteRequest), Refusal::Never},
    {"IoGetCurrentProcess", reinterpret_cast<void*>(IoGetCurrentProcess), Refusal::Never},
    {"Ke386IoSetAccessProcess", reinterpret_cast<void*>(Ke386IoSetAccessProcess), Refusal::WithFalse},
    {"Ke386SetIoAccessMap", reinterpret_cast<void*>(Ke386SetIoAccessMap), Refusal::WithFalse},
    {"RtlCreateSecurityDescriptor", reinterpret_cast<void*>(RtlCreateSecurityDescriptor), Refusal::WithStatus},
    {"RtlCreateAcl", reinterpret_cast<void*>(RtlCreateAcl), Refusal::WithStatus},
    {"RtlAddAccessAllowedAce", reinterpret_cast<void*>(RtlAddAccessAllowedAce), Refusal::WithStatus},
    {"RtlSetDaclSecurityDescriptor", reinterpret_cast<void*>(RtlSetDaclSecurityDescriptor), Refusal::WithStatus},
    {"ObOpenObjectByPointer", reinterpret_cast<void*>(ObOpenObjectByPointer), Refusal::WithStatus},
    {"NtSetSecurityObject", reinterpret_cast<void*>(NtSetSecurityObject), Refusal::WithStatus},
    {"ZwClose", reinterpret_cast<void*>(ZwClose), Refusal::Never},
    {"SeLockSubjectContext", reinterpret_cast<void*>(SeLockSubjectContext), Refusal::Never},
    {"SeUnlockSubjectContext", reinterpret_cast<void*>(SeUnlockSubjectContext), Refusal::Never},
    {"SeAccessCheck", reinterpret_cast<void*>(SeAccessCheck), Refusal::Never},
    {"IoGetFileObjectGenericMapping", reinterpret_cast<void*>(IoGetFileObjectGenericMapping), Refusal::Never},
};
static_assert(sizeof Exports / sizeof Exports[0] == static_cast<size_t>(KernelFunction::Count), "one stand-in each");

}  // namespace

const char* KernelFunctionName(KernelFunction function) { return Exports[static_cast<int>(function)].name; }
Refusal KernelRefusal(KernelFunction function) { return Exports[static_cast<int>(function)].refusal; }

void* ResolveKernelImport(const char* module, const char* function)
{
    if (strcasecmp(module, "ntoskrnl.exe") != 0) return nullptr;
    for (const KernelExport& entry : Exports)
        if (strcmp(entry.name, function) == 0) return entry.address;
    return nullptr;
}

void* TokenObject(Token token)
{
    return token == Token::None ? nullptr : Page(OpaquePage) + 0x100 * static_cast<int>(token);
}
void* OpenerProcess() { return Page(OpaquePage) + 0x800; }
void* UntouchableBuffer() { return Page(OpaquePage) + 0xC00; }
void* DefaultDispatchRoutine() { return reinterpret_cast<void*>(InvalidDeviceRequest); }

void ResetKernel()
{
    if (!pages)
        pages =
            static_cast<uint8_t*>(mmap(nullptr, PageCount * PageSize, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    mprotect(Page(FirstDevicePage), (PageCount - FirstDevicePage) * PageSize, PROT_READ | PROT_WRITE);
    kernel = Kernel{};
    kernel.refuse = KernelFunction::Count;
    memset(kernel.map1, 0xFF, sizeof kernel.map1);
}

Irp* NewRequest()
{
    mprotect(Page(RequestPage), PageSize, PROT_READ | PROT_WRITE);
    memset(Page(RequestPage), 0, PageSize);
    kernel.request = reinterpret_cast<Irp*>(Page(RequestPage));
    kernel.completions = 0;
    kernel.completedWith = {};
    return kernel.request;
}

int CallIndex(KernelFunction function, bool succeeded)
{
    for (int i = 0; i < kernel.callCount; ++i)
        if (kernel.calls[i].function == function && kernel.calls[i].result == succeeded) return i;
    return -1;
}

int LiveDevices()
{
    int count = 0;
    for (int i = 0; i < kernel.deviceCount; ++i) count += kernel.devices[i].live;
    return count;
}

int LiveLinks()
{
    int count = 0;
    for (int i = 0; i < kernel.linkCount; ++i) count += kernel.links[i].live;
    return count;
}

int OpenHandles()
{
    int count = 0;
    for (void* object : kernel.handles) count += object != nullptr;
    return count;
}

bool Map1Allows(uint16_t port) { return (kernel.map1[port / 8] & (1u << (port % 8))) == 0; }

bool FormatAcl(const Acl* acl, char* out, size_t size)
{
    out[0] = 0;
    if (!acl || acl->aclRevision < 2 || acl->aclRevision > 4) return false;
    size_t used = 0;
    for (int i = 0; i < acl->aceCount; ++i) {
        const AceHeader* ace = AceAt(acl, i);
        if (!ace || !ValidSid(&AceSid(ace))) return false;
        const Sid& sid = AceSid(ace);
        int n = snprintf(out + used, size - used, "%s%s S-1-%u", i ? ", " : "", ace->aceType == 0 ? "allow" : "deny",
                         sid.identifierAuthority[5]);
        for (int s = 0; s < sid.subAuthorityCount && n > 0 && used + n < size; ++s)
            n += snprintf(out + used + n, size - used - n, "-%u", sid.subAuthority[s]);
        if (n > 0 && used + n < size) n += snprintf(out + used + n, size - used - n, " 0x%X", ace->mask);
        if (n < 0 || used + n >= size) return false;
        used += n;
    }
    return true;
}
