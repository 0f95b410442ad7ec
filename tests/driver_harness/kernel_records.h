// The kernel's records that a driver reads or writes, in the i386 layout of
// the NT kernel headers the driver is built with (the offsets are asserted
// below); fields no driver of this kind touches are padding. The harness is
// an i386 program, so its pointers are the kernel's 32-bit pointers.
#pragma once

#include <cstddef>
#include <cstdint>

static_assert(sizeof(void*) == 4, "the harness runs the driver's i386 code in its own address space");

using NtStatus = uint32_t;
constexpr NtStatus StatusSuccess = 0;
constexpr NtStatus StatusPending = 0x103;
constexpr NtStatus StatusUnsuccessful = 0xC0000001;
constexpr NtStatus StatusInvalidHandle = 0xC0000008;
constexpr NtStatus StatusInvalidParameter = 0xC000000D;
constexpr NtStatus StatusInvalidDeviceRequest = 0xC0000010;
constexpr NtStatus StatusAccessDenied = 0xC0000022;
constexpr NtStatus StatusBufferTooSmall = 0xC0000023;
constexpr NtStatus StatusObjectNameNotFound = 0xC0000034;
constexpr NtStatus StatusObjectNameCollision = 0xC0000035;
constexpr NtStatus StatusUnknownRevision = 0xC0000058;
constexpr NtStatus StatusInvalidSid = 0xC0000078;
constexpr NtStatus StatusInvalidSecurityDescr = 0xC0000079;
constexpr NtStatus StatusAllottedSpaceExceeded = 0xC0000099;
constexpr NtStatus StatusInsufficientResources = 0xC000009A;
inline bool Succeeded(NtStatus status) { return static_cast<int32_t>(status) >= 0; }

constexpr int MajorFunctionCount = 28;  // IRP_MJ_CREATE (0) .. IRP_MJ_PNP (0x1B)
constexpr uint8_t MajorCreate = 0x00, MajorClose = 0x02, MajorCleanup = 0x12;
constexpr uint8_t KernelMode = 0, UserMode = 1;

struct UnicodeString {
    uint16_t length;  // bytes, without a terminator
    uint16_t maximumLength;
    char16_t* buffer;
};

struct DeviceObject;
struct DriverObject {
    int16_t type;
    uint16_t size;
    DeviceObject* deviceObject;  // the driver's devices, newest first
    uint8_t unused08[0x2C];
    void* driverUnload;
    void* majorFunction[MajorFunctionCount];
};

struct DeviceObject {
    int16_t type;
    uint16_t size;
    int32_t referenceCount;
    DriverObject* driverObject;
    DeviceObject* nextDevice;
    uint8_t unused10[0x0C];
    uint32_t flags;
    uint32_t characteristics;
    void* vpb;
    void* deviceExtension;
    uint32_t deviceType;
    int8_t stackSize;
    uint8_t unused31[0xB8 - 0x31];
};

struct IoStatusBlock {
    NtStatus status;
    uint32_t information;
};

struct SecuritySubjectContext {
    void* clientToken;  // the thread's impersonation token, or null
    uint32_t impersonationLevel;
    void* primaryToken;  // the process's own token
    void* processAuditId;
};

struct AccessState {
    uint8_t unused00[0x1C];
    SecuritySubjectContext subjectSecurityContext;
    uint8_t unused2C[0x74 - 0x2C];
};

struct IoSecurityContext {
    void* securityQos;
    AccessState* accessState;
    uint32_t desiredAccess;
    uint32_t fullCreateOptions;
};

struct FileObject {
    int16_t type;
    uint16_t size;
    DeviceObject* deviceObject;
    void* vpb;
    void* fsContext;
    void* fsContext2;
    uint8_t unused14[0x1C];
    UnicodeString fileName;  // what the open named below the device
    uint8_t unused38[0x80 - 0x38];
};

struct IoStackLocation {
    uint8_t majorFunction;
    uint8_t minorFunction;
    uint8_t flags;
    uint8_t control;
    // IRP_MJ_CREATE: the security context first; other requests: lengths,
    // codes and buffers of their own.
    void* parameters[4];
    DeviceObject* deviceObject;
    FileObject* fileObject;
    void* completionRoutine;
    void* context;
};

struct Irp {
    int16_t type;
    uint16_t size;
    void* mdlAddress;
    uint32_t flags;
    void* systemBuffer;
    uint8_t unused10[8];
    IoStatusBlock ioStatus;
    uint8_t requestorMode;
    uint8_t pendingReturned;
    int8_t stackCount;
    int8_t currentLocation;
    uint8_t unused24[0x18];
    void* userBuffer;
    uint8_t unused40[0x20];
    IoStackLocation* currentStackLocation;
    FileObject* originalFileObject;
    uint8_t unused68[8];
};

struct SecurityDescriptor {  // absolute form
    uint8_t revision;
    uint8_t sbz1;
    uint16_t control;
    void* owner;
    void* group;
    void* sacl;
    struct Acl* dacl;
};
constexpr uint16_t SeDaclPresent = 0x0004, SeSelfRelative = 0x8000;

struct Acl {
    uint8_t aclRevision;
    uint8_t sbz1;
    uint16_t aclSize;
    uint16_t aceCount;
    uint16_t sbz2;
};

struct AceHeader {
    uint8_t aceType;  // 0 allows, 1 denies
    uint8_t aceFlags;
    uint16_t aceSize;
    uint32_t mask;
    // the SID follows
};

struct Sid {
    uint8_t revision;
    uint8_t subAuthorityCount;
    uint8_t identifierAuthority[6];
    uint32_t subAuthority[15];
};
inline size_t SidLength(const Sid& sid) { return 8 + 4u * sid.subAuthorityCount; }

struct GenericMapping {
    uint32_t genericRead, genericWrite, genericExecute, genericAll;
};

static_assert(offsetof(DriverObject, deviceObject) == 0x04 && offsetof(DriverObject, driverUnload) == 0x34 &&
                  offsetof(DriverObject, majorFunction) == 0x38 && sizeof(DriverObject) == 0xA8,
              "DRIVER_OBJECT");
static_assert(offsetof(DeviceObject, flags) == 0x1C && offsetof(DeviceObject, deviceType) == 0x2C &&
                  sizeof(DeviceObject) == 0xB8,
              "DEVICE_OBJECT");
static_assert(offsetof(AccessState, subjectSecurityContext) == 0x1C && sizeof(AccessState) == 0x74, "ACCESS_STATE");
static_assert(offsetof(FileObject, fsContext) == 0x0C && offsetof(FileObject, fileName) == 0x30 &&
                  sizeof(FileObject) == 0x80,
              "FILE_OBJECT");
static_assert(offsetof(IoStackLocation, deviceObject) == 0x14 && offsetof(IoStackLocation, fileObject) == 0x18 &&
                  sizeof(IoStackLocation) == 0x24,
              "IO_STACK_LOCATION");
static_assert(offsetof(Irp, systemBuffer) == 0x0C && offsetof(Irp, ioStatus) == 0x18 &&
                  offsetof(Irp, userBuffer) == 0x3C && offsetof(Irp, currentStackLocation) == 0x60 &&
                  sizeof(Irp) == 0x70,
              "IRP");
static_assert(sizeof(SecurityDescriptor) == 20 && sizeof(Acl) == 8 && sizeof(SecuritySubjectContext) == 16,
              "security records");
