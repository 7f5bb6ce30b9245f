/* Driver entry and exit of the virtual camera: device creation, IRP routing, unloading. */
#include "EmuCamera.h"

EMU_DRIVER g_emu;

static const WCHAR kDeviceChars[] = L"0123456789ABCDEFGHIJKLNMOPQRSTUVWXYZ";
static const WCHAR kControlName[] = L"\\Device\\TravikCamEmu";
static const WCHAR kControlLink[] = L"\\DosDevices\\TravikCamEmu";
static const WCHAR kCameraName[] = L"\\Device\\Tvik380TZ4rdx-";
static const WCHAR kCameraLink[] = L"\\DosDevices\\Tvik380TZ4rdx-";

DRIVER_INITIALIZE DriverEntry;

LONGLONG EmuNow(void) {
    LARGE_INTEGER frequency;
    LONGLONG counter = KeQueryPerformanceCounter(&frequency).QuadPart;
    if (frequency.QuadPart == 10000000) return counter;
    /* Split the conversion so that the product cannot overflow within centuries of uptime. */
    return (counter / frequency.QuadPart) * 10000000 +
           (counter % frequency.QuadPart) * 10000000 / frequency.QuadPart;
}

void EmuCompleteIrp(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
}

PFILE_OBJECT EmuFileOf(PIRP irp) {
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    return file ? file : irp->Tail.Overlay.OriginalFileObject;
}

/* Writes prefix + character into buffer (capacity in WCHARs) and points the string at it. */
static void BuildName(UNICODE_STRING* name, WCHAR* buffer, USHORT capacity, const WCHAR* prefix,
                      WCHAR suffix) {
    USHORT n = 0;
    while (prefix[n] && n + 2 < capacity) {
        buffer[n] = prefix[n];
        ++n;
    }
    if (suffix) buffer[n++] = suffix;
    buffer[n] = 0;
    name->Buffer = buffer;
    name->Length = (USHORT)(n * sizeof(WCHAR));
    name->MaximumLength = (USHORT)(capacity * sizeof(WCHAR));
}

/* DeviceCount from the service's Parameters key: default 1, at most 32. */
static ULONG ReadDeviceCount(PUNICODE_STRING registryPath) {
    static const WCHAR kParameters[] = L"\\Parameters";
    static const WCHAR kValueName[] = L"DeviceCount";
    ULONG count = 1;
    WCHAR path[512];
    if (registryPath->Length + sizeof(kParameters) > sizeof(path)) return count;
    RtlCopyMemory(path, registryPath->Buffer, registryPath->Length);
    RtlCopyMemory((UCHAR*)path + registryPath->Length, kParameters, sizeof(kParameters));

    UNICODE_STRING keyName;
    RtlInitUnicodeString(&keyName, path);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &keyName, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                               NULL, NULL);
    HANDLE key;
    if (!NT_SUCCESS(ZwOpenKey(&key, KEY_READ, &attributes))) return count;

    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, kValueName);
    union {
        KEY_VALUE_PARTIAL_INFORMATION info;
        UCHAR space[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + 8];
    } value;
    ULONG returned = 0;
    NTSTATUS status = ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, &value,
                                      sizeof(value), &returned);
    if (NT_SUCCESS(status) && value.info.Type == REG_DWORD && value.info.DataLength == 4) {
        ULONG configured = *(const ULONG*)value.info.Data;
        if (configured >= 1)
            count = configured > TRAVIK_EMU_MAX_DEVICES ? TRAVIK_EMU_MAX_DEVICES : configured;
    }
    ZwClose(key);
    return count;
}

void EmuSetLink(EMU_CAMERA* cam, BOOLEAN present) {
    if (cam->linkPresent == present) return;
    if (present) {
        cam->linkPresent = NT_SUCCESS(IoCreateSymbolicLink(&cam->linkName, &cam->deviceName));
    } else {
        IoDeleteSymbolicLink(&cam->linkName);
        cam->linkPresent = FALSE;
    }
}

static NTSTATUS CreateCamera(PDRIVER_OBJECT driver, ULONG number) {
    WCHAR nameBuffer[40];
    UNICODE_STRING name;
    BuildName(&name, nameBuffer, 40, kCameraName, kDeviceChars[number]);
    PDEVICE_OBJECT device;
    NTSTATUS status =
        IoCreateDevice(driver, sizeof(EMU_CAMERA), &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
    if (!NT_SUCCESS(status)) return status;

    EMU_CAMERA* cam = (EMU_CAMERA*)device->DeviceExtension;
    RtlZeroMemory(cam, sizeof(*cam));
    cam->number = number;
    cam->device = device;
    BuildName(&cam->deviceName, cam->deviceNameBuffer, 40, kCameraName, kDeviceChars[number]);
    BuildName(&cam->linkName, cam->linkBuffer, 40, kCameraLink, kDeviceChars[number]);
    KeInitializeSpinLock(&cam->lock);
    InitializeListHead(&cam->pendingReads);
    KeInitializeEvent(&cam->wake, SynchronizationEvent, FALSE);
    cam->log = (TravikEmuLogEntry*)ExAllocatePoolWithTag(
        NonPagedPool, sizeof(TravikEmuLogEntry) * TRAVIK_EMU_LOG_CAPACITY, EMU_POOL_TAG);
    if (!cam->log) {
        IoDeleteDevice(device);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    cam->plugged = TRUE;
    cam->generation = 1;
    cam->nextFrameNumber = 1;
    cam->pattern.kind = TRAVIK_EMU_PATTERN_SCENE;
    cam->pacing.mode = TRAVIK_EMU_PACING_AUTO;
    cam->settingsSince = g_emu.loadedAt;
    EmuFactoryRom(cam);
    EmuPowerOn(cam);

    EmuSetLink(cam, TRUE);
    status = cam->linkPresent ? EmuStartWorker(cam) : STATUS_OBJECT_NAME_COLLISION;
    if (!NT_SUCCESS(status)) {
        EmuSetLink(cam, FALSE);
        ExFreePoolWithTag(cam->log, EMU_POOL_TAG);
        IoDeleteDevice(device);
        return status;
    }
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    g_emu.cameras[number] = cam;
    return STATUS_SUCCESS;
}

static void DestroyCamera(EMU_CAMERA* cam) {
    EmuStopWorker(cam);
    EmuFailPendingReads(cam, STATUS_DEVICE_NOT_CONNECTED, NULL);
    EmuRenderFree(&cam->cache);
    EmuReplayRelease(cam->replay); /* the worker, which could hold another reference, is gone */
    EmuReplayRelease(cam->replayLoading);
    EmuSetLink(cam, FALSE);
    ExFreePoolWithTag(cam->log, EMU_POOL_TAG);
    IoDeleteDevice(cam->device);
}

static void DestroyAll(void) {
    for (ULONG i = 0; i < TRAVIK_EMU_MAX_DEVICES; ++i) {
        if (g_emu.cameras[i]) DestroyCamera(g_emu.cameras[i]);
        g_emu.cameras[i] = NULL;
    }
    g_emu.cameraCount = 0;
    if (g_emu.control) {
        UNICODE_STRING link;
        RtlInitUnicodeString(&link, kControlLink);
        IoDeleteSymbolicLink(&link);
        IoDeleteDevice(g_emu.control);
        g_emu.control = NULL;
    }
}

static EMU_CAMERA* CameraOf(PDEVICE_OBJECT device) {
    return device == g_emu.control ? NULL : (EMU_CAMERA*)device->DeviceExtension;
}

static NTSTATUS DispatchCreate(PDEVICE_OBJECT device, PIRP irp) {
    EMU_CAMERA* cam = CameraOf(device);
    NTSTATUS status = cam ? EmuCameraCreate(cam, irp) : STATUS_SUCCESS;
    EmuCompleteIrp(irp, status, 0);
    return status;
}

static NTSTATUS DispatchClose(PDEVICE_OBJECT device, PIRP irp) {
    EMU_CAMERA* cam = CameraOf(device);
    if (cam) EmuCameraClose(cam, irp);
    EmuCompleteIrp(irp, STATUS_SUCCESS, 0);
    return STATUS_SUCCESS;
}

/* A handle is going away: reads it left waiting end now rather than at their time-out. */
static NTSTATUS DispatchCleanup(PDEVICE_OBJECT device, PIRP irp) {
    EMU_CAMERA* cam = CameraOf(device);
    if (cam)
        EmuFailPendingReads(cam, STATUS_CANCELLED, IoGetCurrentIrpStackLocation(irp)->FileObject);
    EmuCompleteIrp(irp, STATUS_SUCCESS, 0);
    return STATUS_SUCCESS;
}

static NTSTATUS DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
    EMU_CAMERA* cam = CameraOf(device);
    return cam ? EmuCameraDeviceControl(cam, irp) : EmuControlDeviceControl(irp);
}

static NTSTATUS DispatchRefuse(PDEVICE_OBJECT device, PIRP irp) {
    UNREFERENCED_PARAMETER(device);
    EmuCompleteIrp(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    return STATUS_INVALID_DEVICE_REQUEST;
}

static VOID DriverUnload(PDRIVER_OBJECT driver) {
    UNREFERENCED_PARAMETER(driver);
    DestroyAll();
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    RtlZeroMemory(&g_emu, sizeof(g_emu));
    LARGE_INTEGER now;
    KeQuerySystemTime(&now);
    g_emu.loadedAt = now.QuadPart;
    KeInitializeMutex(&g_emu.plugLock, 0);
    for (ULONG i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i)
        driver->MajorFunction[i] = DispatchRefuse;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanup;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
    driver->DriverUnload = DriverUnload;

    UNICODE_STRING name, link;
    RtlInitUnicodeString(&name, kControlName);
    RtlInitUnicodeString(&link, kControlLink);
    NTSTATUS status =
        IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &g_emu.control);
    if (!NT_SUCCESS(status)) return status;
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(g_emu.control);
        g_emu.control = NULL;
        return status;
    }
    g_emu.control->Flags &= ~DO_DEVICE_INITIALIZING;

    ULONG count = ReadDeviceCount(registryPath);
    for (ULONG i = 0; i < count; ++i) {
        status = CreateCamera(driver, i);
        if (!NT_SUCCESS(status)) {
            DestroyAll();
            return status;
        }
        g_emu.cameraCount = i + 1;
    }
    return STATUS_SUCCESS;
}
