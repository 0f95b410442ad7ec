// The harness kernel: stand-ins for the kernel functions a port driver may
// import, each behaving as NT's does for the arguments it is given and
// recording what it was asked; and the objects they keep: devices, links,
// handles, the I/O permission map 1 and the opener's process.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tests/driver_harness/kernel_records.h"

enum class KernelFunction : uint8_t {
    IoCreateDevice, IoCreateSymbolicLink, IoDeleteDevice, IoDeleteSymbolicLink, IofCompleteRequest,
    IoGetCurrentProcess, Ke386IoSetAccessProcess, Ke386SetIoAccessMap, RtlCreateSecurityDescriptor,
    RtlCreateAcl, RtlAddAccessAllowedAce, RtlSetDaclSecurityDescriptor, ObOpenObjectByPointer,
    NtSetSecurityObject, ZwClose, SeLockSubjectContext, SeUnlockSubjectContext, SeAccessCheck,
    IoGetFileObjectGenericMapping, Count
};
const char* KernelFunctionName(KernelFunction function);
// How a call is refused when a case asks for it: functions that acquire or
// set something fail with RefusedStatus or FALSE; releases and queries
// cannot fail.
enum class Refusal : uint8_t { Never, WithStatus, WithFalse };
Refusal KernelRefusal(KernelFunction function);
constexpr NtStatus RefusedStatus = StatusInsufficientResources;

// The address of the stand-in for an import, or null when this kernel has
// no such function.
void* ResolveKernelImport(const char* module, const char* function);

// Tokens and the process are the kernel's own: the driver gets their
// addresses, which lie in memory it cannot touch.
enum class Token : uint8_t { None, Administrator, User, System };
void* TokenObject(Token token);
void* OpenerProcess();
// An address the driver has no business reading or writing (the buffers
// of requests it does not handle).
void* UntouchableBuffer();
// What the I/O manager puts in every entry of a driver's dispatch table
// before DriverEntry: it refuses the request.
void* DefaultDispatchRoutine();

constexpr size_t IoPermissionMapSize = 65536 / 8;
constexpr size_t NameSize = 64;

struct KernelCall {
    KernelFunction function;
    bool refused;  // failed on purpose (see Kernel::refuse)
    bool result;   // succeeded, or for SeAccessCheck: granted
};

struct DeviceRecord {
    DeviceObject* object;
    char name[NameSize];
    uint32_t characteristics;
    bool exclusive;
    bool live;
    char dacl[160];  // the DACL put on the device, as text; empty while none
};

struct LinkRecord {
    char name[NameSize];
    char target[NameSize];
    bool live;
};

struct Kernel {
    KernelCall calls[96];
    int callCount;
    // The occurrence (0 = first) of a function that is to fail; none when
    // function is Count.
    KernelFunction refuse;
    int refuseOccurrence;
    // The first misuse of the kernel: where NT would stop with a blue screen.
    char fault[200];

    DeviceRecord devices[4];
    int deviceCount;
    LinkRecord links[4];
    int linkCount;
    void* handles[4];  // the object of each open handle, null when closed
    uint8_t map1[IoPermissionMapSize];
    bool map1Set;
    uint32_t openerMapNumber;  // the map the opener's process uses: 0 none
    int lockedContexts;
    void* judgedToken;  // the token SeAccessCheck judged last

    Irp* request;  // the request being dispatched
    int completions;
    IoStatusBlock completedWith;
};
extern Kernel kernel;

// Every object gone, every port of map 1 closed, nothing refused.
void ResetKernel();
// Kernel memory for one request; it becomes untouchable once completed.
Irp* NewRequest();

int CallIndex(KernelFunction function, bool succeeded);  // the first such call, or -1
int LiveDevices();
int LiveLinks();
int OpenHandles();
bool Map1Allows(uint16_t port);

// "allow S-1-5-32-544 0x1F01FF, ..." for an ACL; false when it is malformed.
bool FormatAcl(const Acl* acl, char* out, size_t size);
