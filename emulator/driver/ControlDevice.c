/* The control device: requests of the tool and of tests that steer and inspect the cameras. */
#include "EmuCamera.h"

typedef struct CONTROL_REQUEST {
    void* buffer; /* METHOD_BUFFERED: input first, then overwritten by the output */
    ULONG inLength;
    ULONG outLength;
    ULONG_PTR information;
} CONTROL_REQUEST;

/* The camera named by the request's first word, when the input is long enough and it exists. */
static EMU_CAMERA* CameraFor(const CONTROL_REQUEST* r, ULONG inputSize) {
    if (r->inLength < inputSize || !r->buffer) return NULL;
    ULONG device = *(const ULONG*)r->buffer;
    return device < g_emu.cameraCount ? g_emu.cameras[device] : NULL;
}

#define LOCKED(cam, statement)                                                                     \
    do {                                                                                           \
        KIRQL irql_;                                                                               \
        KeAcquireSpinLock(&(cam)->lock, &irql_);                                                   \
        statement;                                                                                 \
        KeReleaseSpinLock(&(cam)->lock, irql_);                                                    \
    } while (0)

static NTSTATUS QueryDriver(CONTROL_REQUEST* r) {
    if (r->outLength < sizeof(TravikEmuDriverInfo) || !r->buffer) return STATUS_BUFFER_TOO_SMALL;
    TravikEmuDriverInfo* info = (TravikEmuDriverInfo*)r->buffer;
    RtlZeroMemory(info, sizeof(*info));
    info->interfaceVersion = TRAVIK_EMU_INTERFACE_VERSION;
    info->deviceCount = g_emu.cameraCount;
    info->logCapacity = TRAVIK_EMU_LOG_CAPACITY;
    info->loadedAt = (unsigned long long)g_emu.loadedAt;
    r->information = sizeof(*info);
    return STATUS_SUCCESS;
}

static NTSTATUS ReadLog(EMU_CAMERA* cam, CONTROL_REQUEST* r) {
    TravikEmuLogRequest request = *(const TravikEmuLogRequest*)r->buffer;
    if (r->outLength < sizeof(TravikEmuLogHeader)) return STATUS_BUFFER_TOO_SMALL;
    TravikEmuLogHeader* header = (TravikEmuLogHeader*)r->buffer;
    TravikEmuLogEntry* out = (TravikEmuLogEntry*)(header + 1);
    ULONG room = (r->outLength - sizeof(*header)) / sizeof(TravikEmuLogEntry);
    KIRQL irql;
    KeAcquireSpinLock(&cam->lock, &irql);
    ULONG count = cam->logTotal < TRAVIK_EMU_LOG_CAPACITY ? cam->logTotal : TRAVIK_EMU_LOG_CAPACITY;
    if (count > request.maxEntries) count = request.maxEntries;
    if (count > room) count = room;
    ULONG first = cam->logTotal - count;
    for (ULONG i = 0; i < count; ++i)
        out[i] = cam->log[(first + i) % TRAVIK_EMU_LOG_CAPACITY];
    header->total = cam->logTotal;
    header->count = count;
    if (request.flags & TRAVIK_EMU_LOG_CLEAR) EmuClearLog(cam);
    KeReleaseSpinLock(&cam->lock, irql);
    r->information = sizeof(*header) + (ULONG_PTR)count * sizeof(TravikEmuLogEntry);
    return STATUS_SUCCESS;
}

static NTSTATUS ReadStats(EMU_CAMERA* cam, CONTROL_REQUEST* r) {
    if (r->outLength < sizeof(TravikEmuStats)) return STATUS_BUFFER_TOO_SMALL;
    TravikEmuStats* s = (TravikEmuStats*)r->buffer;
    KIRQL irql;
    KeAcquireSpinLock(&cam->lock, &irql);
    *s = cam->counters;
    s->plugged = cam->plugged;
    s->sensorStarted = EmuSensorStarted(cam);
    s->wordMode = cam->controller[14];
    s->triggerMode = cam->controller[11];
    s->transferLength = EmuTransferLength(cam);
    s->timeoutMs = cam->timeoutMs;
    s->clockKHz = EmuClockKHz(cam);
    s->framePeriodUs = (ULONG)(EmuFramePeriod(cam) / 10);
    s->patternKind = cam->pattern.kind;
    s->pacingMode = cam->pacing.mode;
    s->pacingMilliFps = cam->pacing.milliFps;
    s->faultKind = cam->fault.kind;
    s->faultValue = cam->fault.value;
    s->triggerLatched = cam->triggerLatched;
    s->openHandles = cam->openHandles;
    s->pendingReads = cam->pendingCount;
    s->nextFrameNumber = cam->nextFrameNumber;
    s->settingsSince = (unsigned long long)cam->settingsSince;
    KeReleaseSpinLock(&cam->lock, irql);
    r->information = sizeof(*s);
    return STATUS_SUCCESS;
}

static NTSTATUS ReadRegs(EMU_CAMERA* cam, CONTROL_REQUEST* r) {
    if (r->outLength < sizeof(TravikEmuRegisters)) return STATUS_BUFFER_TOO_SMALL;
    TravikEmuRegisters* regs = (TravikEmuRegisters*)r->buffer;
    KIRQL irql;
    KeAcquireSpinLock(&cam->lock, &irql);
    RtlCopyMemory(regs->controller, cam->controller, sizeof(regs->controller));
    RtlCopyMemory(regs->sensor, cam->sensor, sizeof(regs->sensor));
    regs->wordModeByte = cam->wordModeByte;
    regs->inputBits = cam->inputBits;
    regs->repliesQueued = cam->replyCount - cam->replyNext;
    regs->reserved = 0;
    KeReleaseSpinLock(&cam->lock, irql);
    r->information = sizeof(*regs);
    return STATUS_SUCCESS;
}

/* Unplugging removes the DOS name, so that opening fails as for an absent camera; plugging in
 * brings it back and powers the camera up. */
static NTSTATUS SetPlugged(EMU_CAMERA* cam, ULONG plugged) {
    if (plugged > 1) return STATUS_INVALID_PARAMETER;
    KeWaitForSingleObject(&g_emu.plugLock, Executive, KernelMode, FALSE, NULL);
    if (plugged) {
        LOCKED(
            cam, if (!cam->plugged) {
                cam->plugged = TRUE;
                EmuPowerOn(cam);
            });
        EmuSetLink(cam, TRUE);
    } else {
        LOCKED(
            cam, if (cam->plugged) {
                cam->plugged = FALSE;
                ++cam->generation;
            });
        EmuSetLink(cam, FALSE);
    }
    KeReleaseMutex(&g_emu.plugLock, FALSE);
    if (!plugged) EmuFailPendingReads(cam, STATUS_DEVICE_NOT_CONNECTED, NULL);
    return STATUS_SUCCESS;
}

static void ResetCamera(EMU_CAMERA* cam) {
    KeWaitForSingleObject(&g_emu.plugLock, Executive, KernelMode, FALSE, NULL);
    LOCKED(cam, {
        EmuFactoryRom(cam);
        EmuPowerOn(cam);
        RtlZeroMemory(&cam->pattern, sizeof(cam->pattern));
        RtlZeroMemory(&cam->pacing, sizeof(cam->pacing));
        RtlZeroMemory(&cam->fault, sizeof(cam->fault));
        cam->pattern.kind = TRAVIK_EMU_PATTERN_SCENE;
        cam->pacing.mode = TRAVIK_EMU_PACING_AUTO;
        cam->inputBits = 0;
        cam->plugged = TRUE;
        cam->nextFrameNumber = 1;
        EmuClearLog(cam);
    });
    EmuSetLink(cam, TRUE);
    KeReleaseMutex(&g_emu.plugLock, FALSE);
    EmuDropReplay(cam);
    EmuFailPendingReads(cam, STATUS_CANCELLED, NULL);
}

static NTSTATUS SetPattern(EMU_CAMERA* cam, const TravikEmuPattern* request) {
    TravikEmuPattern pattern;
    RtlZeroMemory(&pattern, sizeof(pattern));
    pattern.kind = request->kind;
    switch (request->kind) {
    case TRAVIK_EMU_PATTERN_SCENE:
    case TRAVIK_EMU_PATTERN_RAMP:
        break;
    case TRAVIK_EMU_PATTERN_FLAT:
        pattern.values[0] = request->values[0];
        break;
    case TRAVIK_EMU_PATTERN_BAYER:
        for (int i = 0; i < 4; ++i)
            pattern.values[i] = request->values[i];
        break;
    case TRAVIK_EMU_PATTERN_NOISE:
        pattern.seed = request->seed;
        break;
    default:
        return STATUS_INVALID_PARAMETER;
    }
    for (int i = 0; i < 4; ++i)
        if (pattern.values[i] > 1023) return STATUS_INVALID_PARAMETER;
    pattern.device = cam->number;
    LOCKED(cam, cam->pattern = pattern);
    EmuDropReplay(cam);
    return STATUS_SUCCESS;
}

static NTSTATUS SetPacing(EMU_CAMERA* cam, const TravikEmuPacing* request) {
    TravikEmuPacing pacing = *request;
    if (pacing.mode > TRAVIK_EMU_PACING_FIXED) return STATUS_INVALID_PARAMETER;
    if (pacing.mode != TRAVIK_EMU_PACING_FIXED)
        pacing.milliFps = 0;
    else if (pacing.milliFps < 1 || pacing.milliFps > 10000000)
        return STATUS_INVALID_PARAMETER;
    LOCKED(cam, cam->pacing = pacing);
    return STATUS_SUCCESS;
}

static NTSTATUS SetFault(EMU_CAMERA* cam, const TravikEmuFault* request) {
    TravikEmuFault fault = *request;
    if (fault.kind > TRAVIK_EMU_FAULT_STALL) return STATUS_INVALID_PARAMETER;
    if (fault.kind == TRAVIK_EMU_FAULT_NONE ||
        (fault.kind == TRAVIK_EMU_FAULT_FAIL_READS && fault.value == 0)) {
        fault.kind = TRAVIK_EMU_FAULT_NONE;
        fault.value = 0;
    }
    LOCKED(cam, cam->fault = fault);
    return STATUS_SUCCESS;
}

static NTSTATUS ReadRom(EMU_CAMERA* cam, CONTROL_REQUEST* r) {
    TravikEmuRomRequest request = *(const TravikEmuRomRequest*)r->buffer;
    if (request.address >= TRAVIK_EMU_ROM_BYTES || request.count == 0 ||
        request.count > TRAVIK_EMU_ROM_BYTES - request.address)
        return STATUS_INVALID_PARAMETER;
    if (r->outLength < request.count) return STATUS_BUFFER_TOO_SMALL;
    LOCKED(cam, RtlCopyMemory(r->buffer, cam->rom + request.address, request.count));
    r->information = request.count;
    return STATUS_SUCCESS;
}

static NTSTATUS WriteRom(EMU_CAMERA* cam, const TravikEmuRomRequest* request) {
    if (request->address >= TRAVIK_EMU_ROM_BYTES || request->value > 0xFF)
        return STATUS_INVALID_PARAMETER;
    LOCKED(cam, cam->rom[request->address] = (UCHAR)request->value);
    return STATUS_SUCCESS;
}

/* Requests that name a camera: the input size each needs, then the handler. */
static NTSTATUS CameraRequest(ULONG code, CONTROL_REQUEST* r) {
    static const struct {
        ULONG code;
        ULONG inputSize;
    } kSizes[] = {
        {TRAVIK_EMU_IOCTL_RESET_DEVICE, sizeof(TravikEmuDeviceRequest)},
        {TRAVIK_EMU_IOCTL_CLEAR_LOG, sizeof(TravikEmuDeviceRequest)},
        {TRAVIK_EMU_IOCTL_READ_LOG, sizeof(TravikEmuLogRequest)},
        {TRAVIK_EMU_IOCTL_READ_STATS, sizeof(TravikEmuDeviceRequest)},
        {TRAVIK_EMU_IOCTL_READ_REGS, sizeof(TravikEmuDeviceRequest)},
        {TRAVIK_EMU_IOCTL_SET_PLUGGED, sizeof(TravikEmuValueRequest)},
        {TRAVIK_EMU_IOCTL_TRIGGER, sizeof(TravikEmuDeviceRequest)},
        {TRAVIK_EMU_IOCTL_SET_PATTERN, sizeof(TravikEmuPattern)},
        {TRAVIK_EMU_IOCTL_SET_PACING, sizeof(TravikEmuPacing)},
        {TRAVIK_EMU_IOCTL_SET_FAULT, sizeof(TravikEmuFault)},
        {TRAVIK_EMU_IOCTL_SET_INPUT_BITS, sizeof(TravikEmuValueRequest)},
        {TRAVIK_EMU_IOCTL_READ_ROM, sizeof(TravikEmuRomRequest)},
        {TRAVIK_EMU_IOCTL_WRITE_ROM, sizeof(TravikEmuRomRequest)},
        {TRAVIK_EMU_IOCTL_LOAD_REPLAY_FRAME, sizeof(TravikEmuReplayFrame)},
    };
    ULONG inputSize = 0;
    for (ULONG i = 0; i < sizeof(kSizes) / sizeof(kSizes[0]); ++i)
        if (kSizes[i].code == code) inputSize = kSizes[i].inputSize;
    if (!inputSize) return STATUS_INVALID_DEVICE_REQUEST;
    EMU_CAMERA* cam = CameraFor(r, inputSize);
    if (!cam) return STATUS_INVALID_PARAMETER;

    NTSTATUS status = STATUS_SUCCESS;
    switch (code) {
    case TRAVIK_EMU_IOCTL_RESET_DEVICE:
        ResetCamera(cam);
        break;
    case TRAVIK_EMU_IOCTL_CLEAR_LOG:
        LOCKED(cam, EmuClearLog(cam));
        break;
    case TRAVIK_EMU_IOCTL_READ_LOG:
        return ReadLog(cam, r);
    case TRAVIK_EMU_IOCTL_READ_STATS:
        return ReadStats(cam, r);
    case TRAVIK_EMU_IOCTL_READ_REGS:
        return ReadRegs(cam, r);
    case TRAVIK_EMU_IOCTL_SET_PLUGGED:
        status = SetPlugged(cam, ((const TravikEmuValueRequest*)r->buffer)->value);
        break;
    case TRAVIK_EMU_IOCTL_TRIGGER:
        /* Outside trigger mode a trigger has nothing to release and is dropped. */
        LOCKED(cam, ++cam->counters.triggers;
               if (cam->controller[11] & 1) cam->triggerLatched = TRUE);
        break;
    case TRAVIK_EMU_IOCTL_SET_PATTERN:
        status = SetPattern(cam, (const TravikEmuPattern*)r->buffer);
        break;
    case TRAVIK_EMU_IOCTL_SET_PACING:
        status = SetPacing(cam, (const TravikEmuPacing*)r->buffer);
        break;
    case TRAVIK_EMU_IOCTL_SET_FAULT:
        status = SetFault(cam, (const TravikEmuFault*)r->buffer);
        break;
    case TRAVIK_EMU_IOCTL_SET_INPUT_BITS: {
        ULONG bits = ((const TravikEmuValueRequest*)r->buffer)->value;
        if (bits > 0xFF) return STATUS_INVALID_PARAMETER;
        LOCKED(cam, cam->inputBits = bits);
        break;
    }
    case TRAVIK_EMU_IOCTL_READ_ROM:
        return ReadRom(cam, r);
    case TRAVIK_EMU_IOCTL_LOAD_REPLAY_FRAME:
        status = EmuLoadReplayFrame(cam, (const TravikEmuReplayFrame*)r->buffer, r->inLength);
        break;
    default:
        status = WriteRom(cam, (const TravikEmuRomRequest*)r->buffer);
        break;
    }
    if (!NT_SUCCESS(status)) return status;
    /* Settings may change what a waiting read waits for. */
    EmuWakeWorker(cam);
    if (code != TRAVIK_EMU_IOCTL_CLEAR_LOG && code != TRAVIK_EMU_IOCTL_TRIGGER) {
        LARGE_INTEGER now;
        KeQuerySystemTime(&now);
        LOCKED(cam, cam->settingsSince = now.QuadPart);
    }
    return status;
}

NTSTATUS EmuControlDeviceControl(PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    CONTROL_REQUEST r;
    r.buffer = irp->AssociatedIrp.SystemBuffer;
    r.inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    r.outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    r.information = 0;
    NTSTATUS status =
        code == TRAVIK_EMU_IOCTL_QUERY_DRIVER ? QueryDriver(&r) : CameraRequest(code, &r);
    EmuCompleteIrp(irp, status, r.information);
    return status;
}
