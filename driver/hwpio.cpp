// The port driver: opening \\.\hwpio grants the opening process the ports of
// GrantedPorts through its I/O permission map, for the rest of its life.
// Only a process whose own token is of Administrators or SYSTEM is granted;
// a token that the opening thread impersonates cannot lend it that right.
// Cleanup and close succeed; every other request fails. It reads no input
// buffer, maps no memory and touches no model-specific register.
#include <ntifs.h>

#include "driver/io_permission_map.h"

// Exported by the 32-bit x86 kernels of the NT family, NT 4.0 included, but
// not declared in the headers.
extern "C" {
NTKERNELAPI BOOLEAN NTAPI Ke386SetIoAccessMap(ULONG mapNumber, UCHAR* map);
NTKERNELAPI BOOLEAN NTAPI Ke386IoSetAccessProcess(PKPROCESS process, ULONG mapNumber);
NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath);
}

namespace {

// The one map the kernel lets a driver set; map 0 stands for "no map",
// every port closed.
constexpr ULONG GrantMapNumber = 1;

// Built before the device exists, read by every open: absolute, static.
UCHAR ioPermissionMap[IoPermissionMapBytes];
SECURITY_DESCRIPTOR openerSecurity;
ULONG openerAclBuffer[16];

template <int SubAuthorities>
struct FixedSid {
    UCHAR revision;
    UCHAR subAuthorityCount;
    SID_IDENTIFIER_AUTHORITY authority;
    ULONG subAuthority[SubAuthorities];
};
FixedSid<2> administratorsSid = {SID_REVISION, 2, SECURITY_NT_AUTHORITY,
                                 {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}};  // S-1-5-32-544
FixedSid<1> localSystemSid = {SID_REVISION, 1, SECURITY_NT_AUTHORITY, {SECURITY_LOCAL_SYSTEM_RID}};  // S-1-5-18

WCHAR deviceNameText[] = L"\\Device\\hwpio";
WCHAR linkNameText[] = L"\\DosDevices\\hwpio";
UNICODE_STRING deviceName = {sizeof deviceNameText - sizeof(WCHAR), sizeof deviceNameText, deviceNameText};
UNICODE_STRING linkName = {sizeof linkNameText - sizeof(WCHAR), sizeof linkNameText, linkNameText};

NTSTATUS Complete(PIRP irp, NTSTATUS status)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

// A DACL that grants Administrators and SYSTEM everything and nobody else
// anything.
NTSTATUS BuildOpenerSecurity()
{
    PACL acl = reinterpret_cast<PACL>(openerAclBuffer);
    NTSTATUS status = RtlCreateSecurityDescriptor(&openerSecurity, SECURITY_DESCRIPTOR_REVISION);
    if (NT_SUCCESS(status)) status = RtlCreateAcl(acl, sizeof openerAclBuffer, ACL_REVISION);
    if (NT_SUCCESS(status)) status = RtlAddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, &administratorsSid);
    if (NT_SUCCESS(status)) status = RtlAddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, &localSystemSid);
    if (NT_SUCCESS(status)) status = RtlSetDaclSecurityDescriptor(&openerSecurity, TRUE, acl, FALSE);
    return status;
}

// Puts the DACL on the device object itself, so that the object manager
// refuses everybody else before a request reaches the driver. DriverEntry
// runs in a system thread of the System process: the handle lives in the
// kernel's own handle table and the previous mode is kernel mode.
NTSTATUS ProtectDevice(PDEVICE_OBJECT device)
{
    HANDLE handle;
    NTSTATUS status = ObOpenObjectByPointer(device, 0, nullptr, WRITE_DAC, nullptr, KernelMode, &handle);
    if (!NT_SUCCESS(status)) return status;
    status = NtSetSecurityObject(handle, DACL_SECURITY_INFORMATION, &openerSecurity);
    ZwClose(handle);
    return status;
}

// The opening process's own primary token judged by the same DACL, in the
// driver itself: it holds for opens that reach the device by any path, before
// or after the device object carries the DACL. The grant goes to the whole
// process, so the thread's impersonation token, which the object manager
// judged, is left out: a process may not borrow an administrator's token to
// obtain ports that its own token would not get. The primary token is the one
// the I/O manager captured for this open, in the opener's own thread. The
// check asks for one fixed right, not for the access the caller requested,
// since the grant does not depend on that access.
bool ProcessIsAdministratorOrSystem(PACCESS_STATE accessState)
{
    SECURITY_SUBJECT_CONTEXT process = accessState->SubjectSecurityContext;
    process.ClientToken = nullptr;
    ACCESS_MASK granted;
    NTSTATUS accessStatus;
    SeLockSubjectContext(&process);
    const BOOLEAN allowed = SeAccessCheck(&openerSecurity, &process, TRUE, FILE_READ_DATA, 0, nullptr,
                                          IoGetFileObjectGenericMapping(), UserMode, &granted, &accessStatus);
    SeUnlockSubjectContext(&process);
    return allowed;
}

NTSTATUS NTAPI DispatchCreate(PDEVICE_OBJECT, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    // The device has no names below it.
    if (stack->FileObject->FileName.Length != 0) return Complete(irp, STATUS_INVALID_DEVICE_REQUEST);
    if (!ProcessIsAdministratorOrSystem(stack->Parameters.Create.SecurityContext->AccessState))
        return Complete(irp, STATUS_ACCESS_DENIED);
    // The create request runs in the opener's own thread, so the current
    // process is the opener. The grant belongs to the process, not to the
    // handle: it stays after the handle is closed.
    if (!Ke386IoSetAccessProcess(reinterpret_cast<PKPROCESS>(IoGetCurrentProcess()), GrantMapNumber))
        return Complete(irp, STATUS_UNSUCCESSFUL);
    return Complete(irp, STATUS_SUCCESS);
}

// A handle carries no state: its last close (cleanup, then close) has
// nothing to undo, and the grant stays with the process.
NTSTATUS NTAPI DispatchCleanupOrClose(PDEVICE_OBJECT, PIRP irp)
{
    return Complete(irp, STATUS_SUCCESS);
}

NTSTATUS NTAPI DispatchRefuse(PDEVICE_OBJECT, PIRP irp)
{
    return Complete(irp, STATUS_INVALID_DEVICE_REQUEST);
}

// Every granted process points at map GrantMapNumber: closing every port in
// it revokes all grants at once, on every processor.
void RevokeAllGrants()
{
    CloseIoPermissionMap(ioPermissionMap);
    Ke386SetIoAccessMap(GrantMapNumber, ioPermissionMap);
}

void NTAPI Unload(PDRIVER_OBJECT driver)
{
    IoDeleteSymbolicLink(&linkName);
    IoDeleteDevice(driver->DeviceObject);
    RevokeAllGrants();
}

}  // namespace

// The order makes the device safe from its first moment: the create routine
// checks every opener before the device exists, the map is in place before
// anyone can be pointed at it, and the device carries its DACL before the
// link makes it reachable as \\.\hwpio.
NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING)
{
    for (PDRIVER_DISPATCH& dispatch : driver->MajorFunction) dispatch = DispatchRefuse;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanupOrClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchCleanupOrClose;

    NTSTATUS status = BuildOpenerSecurity();
    if (!NT_SUCCESS(status)) return status;
    BuildIoPermissionMap(ioPermissionMap);
    if (!Ke386SetIoAccessMap(GrantMapNumber, ioPermissionMap)) return STATUS_UNSUCCESSFUL;

    PDEVICE_OBJECT device;
    status = IoCreateDevice(driver, 0, &deviceName, FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN, FALSE, &device);
    if (NT_SUCCESS(status)) {
        status = ProtectDevice(device);
        if (NT_SUCCESS(status)) status = IoCreateSymbolicLink(&linkName, &deviceName);
        if (!NT_SUCCESS(status)) IoDeleteDevice(device);
    }
    if (!NT_SUCCESS(status)) {
        RevokeAllGrants();
        return status;
    }
    driver->DriverUnload = Unload;
    return STATUS_SUCCESS;
}
