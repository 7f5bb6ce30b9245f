/* Requests on a camera device: open and close, the three control codes, their pipes and buffers. */
#include "EmuCamera.h"

/* Every handle remembers the plug generation it was opened in: after an unplug, old handles stay
 * dead even when the camera is plugged in again, as they would with a real USB device. */

/* With the lock held: may this request reach the camera? */
static BOOLEAN Usable(const EMU_CAMERA* cam, PIRP irp) {
    if (!cam->plugged) return FALSE;
    PFILE_OBJECT file = EmuFileOf(irp);
    return !file || (ULONG_PTR)file->FsContext == cam->generation;
}

static NTSTATUS Refuse(EMU_CAMERA* cam, PIRP irp, NTSTATUS status) {
    KIRQL irql;
    KeAcquireSpinLock(&cam->lock, &irql);
    ++cam->counters.refusedRequests;
    KeReleaseSpinLock(&cam->lock, irql);
    EmuCompleteIrp(irp, status, 0);
    return status;
}

NTSTATUS EmuCameraCreate(EMU_CAMERA* cam, PIRP irp) {
    NTSTATUS status = STATUS_SUCCESS;
    KIRQL irql;
    KeAcquireSpinLock(&cam->lock, &irql);
    if (!cam->plugged) {
        status = STATUS_OBJECT_NAME_NOT_FOUND; /* as for a camera that is not attached */
    } else {
        PFILE_OBJECT file = EmuFileOf(irp);
        if (file) file->FsContext = (PVOID)(ULONG_PTR)cam->generation;
        ++cam->openHandles;
        ++cam->counters.opens;
    }
    KeReleaseSpinLock(&cam->lock, irql);
    return status;
}

NTSTATUS EmuCameraClose(EMU_CAMERA* cam, PIRP irp) {
    UNREFERENCED_PARAMETER(irp);
    KIRQL irql;
    KeAcquireSpinLock(&cam->lock, &irql);
    if (cam->openHandles) --cam->openHandles;
    KeReleaseSpinLock(&cam->lock, irql);
    return STATUS_SUCCESS;
}

static NTSTATUS SetTimeout(EMU_CAMERA* cam, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG* words = (const ULONG*)irp->AssociatedIrp.SystemBuffer;
    if (stack->Parameters.DeviceIoControl.InputBufferLength < 8 || !words || words[0] != 1)
        return Refuse(cam, irp, STATUS_INVALID_PARAMETER);
    NTSTATUS status = STATUS_SUCCESS;
    KIRQL irql;
    KeAcquireSpinLock(&cam->lock, &irql);
    if (Usable(cam, irp)) {
        cam->timeoutMs = words[1];
        ++cam->counters.timeoutRequests;
    } else {
        status = STATUS_DEVICE_NOT_CONNECTED;
        ++cam->counters.refusedRequests;
    }
    KeReleaseSpinLock(&cam->lock, irql);
    EmuCompleteIrp(irp, status, 0);
    return status;
}

static NTSTATUS SendCommand(EMU_CAMERA* cam, PIRP irp, ULONG code, const UCHAR* data,
                            ULONG length) {
    NTSTATUS status;
    BOOLEAN wake = FALSE;
    KIRQL irql;
    KeAcquireSpinLock(&cam->lock, &irql);
    if (Usable(cam, irp)) {
        status = EmuExecuteCommand(cam, data, length);
        EmuRecordPacket(cam, code, data, length, status);
        if (!NT_SUCCESS(status)) ++cam->counters.refusedRequests;
        wake = cam->pendingCount != 0;
    } else {
        status = STATUS_DEVICE_NOT_CONNECTED;
        ++cam->counters.refusedRequests;
    }
    KeReleaseSpinLock(&cam->lock, irql);
    if (wake) EmuWakeWorker(cam);
    EmuCompleteIrp(irp, status, TRAVIK_EMU_PACKET_BYTES);
    return status;
}

static NTSTATUS ReadReply(EMU_CAMERA* cam, PIRP irp, UCHAR* data, ULONG length) {
    if (length < TRAVIK_EMU_PACKET_BYTES) return Refuse(cam, irp, STATUS_BUFFER_TOO_SMALL);
    NTSTATUS status;
    KIRQL irql;
    KeAcquireSpinLock(&cam->lock, &irql);
    if (Usable(cam, irp)) {
        status = EmuTakeReply(cam, data);
        ++cam->counters.replyReads;
        if (!NT_SUCCESS(status)) ++cam->counters.replyReadFailures;
    } else {
        status = STATUS_DEVICE_NOT_CONNECTED;
        ++cam->counters.refusedRequests;
    }
    KeReleaseSpinLock(&cam->lock, irql);
    EmuCompleteIrp(irp, status, TRAVIK_EMU_PACKET_BYTES);
    return status;
}

/* Which pipes each transfer code serves, and in which direction. */
static BOOLEAN PipeAllowed(ULONG code, ULONG pipe) {
    if (pipe == TRAVIK_CAM_PIPE_COMMAND) return TRUE;
    if (pipe == TRAVIK_CAM_PIPE_REPLY) return code == TRAVIK_CAM_IOCTL_PIPE_OUT_DIRECT;
    if (pipe == TRAVIK_CAM_PIPE_IMAGE) return code == TRAVIK_CAM_IOCTL_PIPE_IN_DIRECT;
    return FALSE;
}

static NTSTATUS PipeTransfer(EMU_CAMERA* cam, PIRP irp, ULONG code) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG* input = (const ULONG*)irp->AssociatedIrp.SystemBuffer;
    if (stack->Parameters.DeviceIoControl.InputBufferLength < 4 || !input)
        return Refuse(cam, irp, STATUS_INVALID_PARAMETER);
    ULONG pipe = *input;
    if (!PipeAllowed(code, pipe)) return Refuse(cam, irp, STATUS_INVALID_PARAMETER);

    ULONG length = stack->Parameters.DeviceIoControl.OutputBufferLength;
    if (!irp->MdlAddress || length == 0) return Refuse(cam, irp, STATUS_INVALID_PARAMETER);
    if (MmGetMdlByteCount(irp->MdlAddress) < length)
        return Refuse(cam, irp, STATUS_BUFFER_TOO_SMALL);
    UCHAR* data = (UCHAR*)MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority);
    if (!data) return Refuse(cam, irp, STATUS_INSUFFICIENT_RESOURCES);

    switch (pipe) {
    case TRAVIK_CAM_PIPE_COMMAND:
        return SendCommand(cam, irp, code, data, length);
    case TRAVIK_CAM_PIPE_REPLY:
        return ReadReply(cam, irp, data, length);
    default: {
        KIRQL irql;
        KeAcquireSpinLock(&cam->lock, &irql);
        BOOLEAN usable = Usable(cam, irp);
        KeReleaseSpinLock(&cam->lock, irql);
        if (!usable) return Refuse(cam, irp, STATUS_DEVICE_NOT_CONNECTED);
        return EmuQueueFrameRead(cam, irp);
    }
    }
}

NTSTATUS EmuCameraDeviceControl(EMU_CAMERA* cam, PIRP irp) {
    ULONG code = IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.IoControlCode;
    switch (code) {
    case TRAVIK_CAM_IOCTL_SET_TIMEOUT:
        return SetTimeout(cam, irp);
    case TRAVIK_CAM_IOCTL_PIPE_OUT_DIRECT:
    case TRAVIK_CAM_IOCTL_PIPE_IN_DIRECT:
        return PipeTransfer(cam, irp, code);
    default:
        return Refuse(cam, irp, STATUS_INVALID_DEVICE_REQUEST);
    }
}
