/* Frame reads: the queue of waiting reads and the worker thread that paces, triggers, faults and
 * completes them, so that the dispatch routines never wait. */
#include "EmuCamera.h"

#define ENQUEUED_AT(irp) ((LONGLONG)(ULONG_PTR)(irp)->Tail.Overlay.DriverContext[0])
#define CAMERA_OF(irp) ((EMU_CAMERA*)(irp)->Tail.Overlay.DriverContext[1])
#define MS_TO_100NS 10000LL
#define NEVER 0x7FFFFFFFFFFFFFFFLL

/* Exported by the kernel; its declaration lives in the file-system headers. */
NTSYSAPI NTSTATUS NTAPI ZwWaitForSingleObject(HANDLE handle, BOOLEAN alertable,
                                              PLARGE_INTEGER timeout);

void EmuWakeWorker(EMU_CAMERA* cam) {
    KeSetEvent(&cam->wake, IO_NO_INCREMENT, FALSE);
}

/* With the lock held: takes the oldest read. NULL when its cancel routine already started: the IRP
 * is then left to it, its list entry pointing at itself. */
static PIRP PopRead(EMU_CAMERA* cam) {
    if (IsListEmpty(&cam->pendingReads)) return NULL;
    PLIST_ENTRY entry = RemoveHeadList(&cam->pendingReads);
    --cam->pendingCount;
    PIRP irp = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
    if (IoSetCancelRoutine(irp, NULL)) return irp;
    InitializeListHead(entry);
    return NULL;
}

static VOID CancelRead(PDEVICE_OBJECT device, PIRP irp) {
    UNREFERENCED_PARAMETER(device);
    IoReleaseCancelSpinLock(irp->CancelIrql);
    EMU_CAMERA* cam = CAMERA_OF(irp);
    KIRQL irql;
    KeAcquireSpinLock(&cam->lock, &irql);
    PLIST_ENTRY entry = &irp->Tail.Overlay.ListEntry;
    if (entry->Flink != entry) {
        RemoveEntryList(entry);
        --cam->pendingCount;
    }
    ++cam->counters.frameReadFailures;
    KeReleaseSpinLock(&cam->lock, irql);
    EmuCompleteIrp(irp, STATUS_CANCELLED, 0);
}

NTSTATUS EmuQueueFrameRead(EMU_CAMERA* cam, PIRP irp) {
    KIRQL irql;
    KeAcquireSpinLock(&cam->lock, &irql);
    ++cam->counters.frameReads;
    if (!cam->plugged) {
        ++cam->counters.frameReadFailures;
        KeReleaseSpinLock(&cam->lock, irql);
        EmuCompleteIrp(irp, STATUS_DEVICE_NOT_CONNECTED, 0);
        return STATUS_DEVICE_NOT_CONNECTED;
    }
    irp->Tail.Overlay.DriverContext[0] = (PVOID)(ULONG_PTR)EmuNow();
    irp->Tail.Overlay.DriverContext[1] = cam;
    IoSetCancelRoutine(irp, CancelRead);
    if (irp->Cancel && IoSetCancelRoutine(irp, NULL)) {
        ++cam->counters.frameReadFailures;
        KeReleaseSpinLock(&cam->lock, irql);
        EmuCompleteIrp(irp, STATUS_CANCELLED, 0);
        return STATUS_CANCELLED;
    }
    /* Otherwise, if a cancel routine is already on its way, it finds the IRP in the queue. */
    IoMarkIrpPending(irp);
    InsertTailList(&cam->pendingReads, &irp->Tail.Overlay.ListEntry);
    ++cam->pendingCount;
    KeReleaseSpinLock(&cam->lock, irql);
    EmuWakeWorker(cam);
    return STATUS_PENDING;
}

void EmuFailPendingReads(EMU_CAMERA* cam, NTSTATUS status, PFILE_OBJECT onlyFile) {
    LIST_ENTRY failed;
    InitializeListHead(&failed);
    KIRQL irql;
    KeAcquireSpinLock(&cam->lock, &irql);
    PLIST_ENTRY entry = cam->pendingReads.Flink;
    while (entry != &cam->pendingReads) {
        PLIST_ENTRY next = entry->Flink;
        PIRP irp = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
        if (!onlyFile || EmuFileOf(irp) == onlyFile) {
            RemoveEntryList(entry);
            --cam->pendingCount;
            if (IoSetCancelRoutine(irp, NULL)) {
                InsertTailList(&failed, entry);
                ++cam->counters.frameReadFailures;
            } else {
                InitializeListHead(entry);
            }
        }
        entry = next;
    }
    KeReleaseSpinLock(&cam->lock, irql);
    while (!IsListEmpty(&failed)) {
        PIRP irp = CONTAINING_RECORD(RemoveHeadList(&failed), IRP, Tail.Overlay.ListEntry);
        EmuCompleteIrp(irp, status, 0);
    }
}

/* What the worker decided about the oldest read, with the lock held. */
typedef struct FRAME_DECISION {
    PIRP irp;           /* taken from the queue: fail it or deliver it */
    NTSTATUS failure;   /* when not STATUS_SUCCESS, complete irp with it */
    LONGLONG waitUntil; /* otherwise nothing to do before this time (NEVER: until woken) */
    ULONG frameNumber;
    ULONG shortBy;
    EMU_RENDER_KEY key;
    EMU_REPLAY* replay; /* a reference on the replayed set, for the time of drawing */
} FRAME_DECISION;

static void Fail(EMU_CAMERA* cam, FRAME_DECISION* d, NTSTATUS status) {
    d->irp = PopRead(cam);
    d->failure = status;
    d->waitUntil = 0; /* decide again at once */
    cam->frameRequested = FALSE;
    if (d->irp) ++cam->counters.frameReadFailures;
}

static void Decide(EMU_CAMERA* cam, LONGLONG now, FRAME_DECISION* d) {
    RtlZeroMemory(d, sizeof(*d));
    d->waitUntil = NEVER;
    if (IsListEmpty(&cam->pendingReads)) return;
    PIRP head = CONTAINING_RECORD(cam->pendingReads.Flink, IRP, Tail.Overlay.ListEntry);
    LONGLONG enqueued = ENQUEUED_AT(head);
    LONGLONG timeout = cam->timeoutMs ? enqueued + cam->timeoutMs * MS_TO_100NS : NEVER;
    BOOLEAN triggerMode = cam->controller[11] & 1;

    if (cam->fault.kind == TRAVIK_EMU_FAULT_FAIL_READS && cam->fault.value) {
        if (--cam->fault.value == 0) cam->fault.kind = TRAVIK_EMU_FAULT_NONE;
        Fail(cam, d, STATUS_DEVICE_DATA_ERROR);
        return;
    }
    if (cam->fault.kind == TRAVIK_EMU_FAULT_STALL) {
        LONGLONG until = cam->fault.value ? enqueued + cam->fault.value * MS_TO_100NS : timeout;
        if (now >= until)
            Fail(cam, d, STATUS_IO_TIMEOUT);
        else
            d->waitUntil = until;
        return;
    }
    /* A frame leaves the camera only after command 2, and in trigger mode after a trigger too. */
    if (!cam->frameRequested || (triggerMode && !cam->triggerLatched)) {
        if (now < timeout) {
            d->waitUntil = timeout;
            return;
        }
        if (cam->frameRequested) ++cam->counters.triggerTimeouts;
        Fail(cam, d, STATUS_IO_TIMEOUT);
        return;
    }
    LONGLONG period = triggerMode ? 0 : EmuFramePeriod(cam);
    LONGLONG ready = period && cam->lastFrameTime ? cam->lastFrameTime + period : now;
    if (now < ready) {
        d->waitUntil = ready;
        return;
    }
    d->irp = PopRead(cam);
    if (!d->irp) {
        d->waitUntil = 0;
        return;
    }
    /* Keep to the frame grid while the reader keeps up; start a new grid when it fell behind. */
    cam->lastFrameTime = now - ready < period ? ready : now;
    cam->frameRequested = FALSE;
    cam->triggerLatched = FALSE;
    d->frameNumber = cam->nextFrameNumber++;
    if (cam->fault.kind == TRAVIK_EMU_FAULT_SHORT_READ) {
        d->shortBy = cam->fault.value;
        cam->fault.kind = TRAVIK_EMU_FAULT_NONE;
        cam->fault.value = 0;
    }
    EmuRenderKeyOf(cam, &d->key);
    if (d->key.kind == TRAVIK_EMU_PATTERN_FILE && cam->replay) {
        /* The set may be replaced while this frame is drawn outside the lock. */
        d->replay = cam->replay;
        InterlockedIncrement(&d->replay->refs);
        d->key.replayId = d->replay->id;
        d->key.replayFrame = (d->frameNumber - 1) % d->replay->count;
        d->key.replayStamp = d->replay->flags & TRAVIK_EMU_REPLAY_STAMP;
    }
}

static const USHORT* ReplaySamples(const FRAME_DECISION* d) {
    if (!d->replay) return NULL;
    return d->replay->samples + (SIZE_T)d->key.replayFrame * TRAVIK_EMU_REPLAY_FRAME_SAMPLES;
}

static void Deliver(EMU_CAMERA* cam, const FRAME_DECISION* d) {
    PIRP irp = d->irp;
    LONGLONG start = EmuNow();
    NTSTATUS status = d->key.length > TRAVIK_EMU_MAX_TRANSFER_SAMPLES
                          ? STATUS_INVALID_DEVICE_STATE
                          : EmuRenderPrepare(&cam->cache, &d->key, ReplaySamples(d));
    ULONG bytes = 0, requested = 0;
    if (NT_SUCCESS(status)) {
        requested =
            IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.OutputBufferLength;
        ULONG frameBytes = d->key.length << d->key.wordMode;
        bytes = requested < frameBytes ? requested : frameBytes;
        bytes = bytes > d->shortBy ? bytes - d->shortBy : 0;
        UCHAR* dest = (UCHAR*)MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority);
        if (dest)
            EmuRenderFrame(&cam->cache, dest, bytes, d->frameNumber);
        else
            status = STATUS_INSUFFICIENT_RESOURCES;
    }
    LONGLONG rendered = EmuNow();
    KIRQL irql;
    KeAcquireSpinLock(&cam->lock, &irql);
    if (!NT_SUCCESS(status)) {
        ++cam->counters.frameReadFailures;
    } else {
        ++cam->counters.framesDelivered;
        if (bytes < requested) ++cam->counters.shortReads;
        cam->counters.lastRenderUs = (ULONG)((rendered - start) / 10);
    }
    KeReleaseSpinLock(&cam->lock, irql);
    /* Counted before completing, so that a reader sees its frame in the counters at once. */
    EmuCompleteIrp(irp, status, bytes);
    LONGLONG completed = EmuNow();
    KeAcquireSpinLock(&cam->lock, &irql);
    cam->counters.lastCompleteUs = (ULONG)((completed - rendered) / 10);
    KeReleaseSpinLock(&cam->lock, irql);
}

static VOID WorkerMain(PVOID context) {
    EMU_CAMERA* cam = (EMU_CAMERA*)context;
    while (!cam->stopping) {
        FRAME_DECISION d;
        LONGLONG now = EmuNow();
        KIRQL irql;
        KeAcquireSpinLock(&cam->lock, &irql);
        Decide(cam, now, &d);
        KeReleaseSpinLock(&cam->lock, irql);

        if (d.irp) {
            if (NT_SUCCESS(d.failure))
                Deliver(cam, &d);
            else
                EmuCompleteIrp(d.irp, d.failure, 0);
            EmuReplayRelease(d.replay);
            continue;
        }
        if (d.waitUntil == NEVER) {
            KeWaitForSingleObject(&cam->wake, Executive, KernelMode, FALSE, NULL);
        } else {
            LARGE_INTEGER relative;
            relative.QuadPart = -(d.waitUntil - now); /* negative: relative to now */
            if (relative.QuadPart < 0)
                KeWaitForSingleObject(&cam->wake, Executive, KernelMode, FALSE, &relative);
        }
    }
    PsTerminateSystemThread(STATUS_SUCCESS);
}

NTSTATUS EmuStartWorker(EMU_CAMERA* cam) {
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, NULL, OBJ_KERNEL_HANDLE, NULL, NULL);
    return PsCreateSystemThread(&cam->thread, THREAD_ALL_ACCESS, &attributes, NULL, NULL,
                                WorkerMain, cam);
}

void EmuStopWorker(EMU_CAMERA* cam) {
    if (!cam->thread) return;
    InterlockedExchange(&cam->stopping, 1);
    EmuWakeWorker(cam);
    ZwWaitForSingleObject(cam->thread, FALSE, NULL);
    ZwClose(cam->thread);
    cam->thread = NULL;
}
