/* Replayed frames: sets loaded frame by frame through the control device and shared, by reference,
 * between the camera's pattern and the worker that draws them. */
#include "EmuCamera.h"

static volatile LONG g_nextReplayId;

void EmuReplayRelease(EMU_REPLAY* replay) {
    if (!replay || InterlockedDecrement(&replay->refs) != 0) return;
    if (replay->samples) ExFreePoolWithTag(replay->samples, EMU_POOL_TAG);
    ExFreePoolWithTag(replay, EMU_POOL_TAG);
}

static EMU_REPLAY* NewReplay(ULONG count, ULONG flags) {
    EMU_REPLAY* replay =
        (EMU_REPLAY*)ExAllocatePoolWithTag(NonPagedPool, sizeof(EMU_REPLAY), EMU_POOL_TAG);
    if (!replay) return NULL;
    RtlZeroMemory(replay, sizeof(*replay));
    replay->samples = (USHORT*)ExAllocatePoolWithTag(
        NonPagedPool, (SIZE_T)count * TRAVIK_EMU_REPLAY_FRAME_SAMPLES * sizeof(USHORT),
        EMU_POOL_TAG);
    if (!replay->samples) {
        ExFreePoolWithTag(replay, EMU_POOL_TAG);
        return NULL;
    }
    replay->refs = 1;
    replay->id = (ULONG)InterlockedIncrement(&g_nextReplayId);
    replay->count = count;
    replay->flags = flags & TRAVIK_EMU_REPLAY_STAMP;
    return replay;
}

static BOOLEAN SamplesFit(const USHORT* samples) {
    for (ULONG i = 0; i < TRAVIK_EMU_REPLAY_FRAME_SAMPLES; ++i)
        if (samples[i] > 1023) return FALSE;
    return TRUE;
}

/* Takes the set being loaded away from the camera, so that this request works on it alone. */
static EMU_REPLAY* TakeLoading(EMU_CAMERA* cam) {
    KIRQL irql;
    KeAcquireSpinLock(&cam->lock, &irql);
    EMU_REPLAY* loading = cam->replayLoading;
    cam->replayLoading = NULL;
    KeReleaseSpinLock(&cam->lock, irql);
    return loading;
}

/* A complete set becomes the pattern; an incomplete one waits for its next frame. */
static void Install(EMU_CAMERA* cam, EMU_REPLAY* set) {
    EMU_REPLAY* dropped = NULL;
    KIRQL irql;
    KeAcquireSpinLock(&cam->lock, &irql);
    if (set->loaded < set->count) {
        dropped = cam->replayLoading; /* a set started meanwhile by another request loses */
        cam->replayLoading = set;
    } else {
        dropped = cam->replay;
        cam->replay = set;
        RtlZeroMemory(&cam->pattern, sizeof(cam->pattern));
        cam->pattern.device = cam->number;
        cam->pattern.kind = TRAVIK_EMU_PATTERN_FILE;
    }
    KeReleaseSpinLock(&cam->lock, irql);
    EmuReplayRelease(dropped);
}

NTSTATUS EmuLoadReplayFrame(EMU_CAMERA* cam, const TravikEmuReplayFrame* request, ULONG inLength) {
    if (inLength != sizeof(*request) + TRAVIK_EMU_REPLAY_FRAME_SAMPLES * sizeof(USHORT))
        return STATUS_INVALID_PARAMETER;
    const USHORT* samples = (const USHORT*)(request + 1);
    EMU_REPLAY* set = TakeLoading(cam);
    if (request->index == 0) {
        EmuReplayRelease(set);
        set = NULL;
        if (request->count >= 1 && request->count <= TRAVIK_EMU_MAX_REPLAY_FRAMES &&
            SamplesFit(samples)) {
            set = NewReplay(request->count, request->flags);
            if (!set) return STATUS_INSUFFICIENT_RESOURCES;
        }
    } else if (!set || request->count != set->count || request->index != set->loaded ||
               !SamplesFit(samples)) {
        EmuReplayRelease(set);
        set = NULL;
    }
    if (!set) return STATUS_INVALID_PARAMETER;
    RtlCopyMemory(set->samples + (SIZE_T)set->loaded * TRAVIK_EMU_REPLAY_FRAME_SAMPLES, samples,
                  TRAVIK_EMU_REPLAY_FRAME_SAMPLES * sizeof(USHORT));
    ++set->loaded;
    Install(cam, set);
    return STATUS_SUCCESS;
}

void EmuDropReplay(EMU_CAMERA* cam) {
    KIRQL irql;
    KeAcquireSpinLock(&cam->lock, &irql);
    EMU_REPLAY* played = cam->pattern.kind == TRAVIK_EMU_PATTERN_FILE ? NULL : cam->replay;
    if (played) cam->replay = NULL;
    EMU_REPLAY* loading = cam->replayLoading;
    cam->replayLoading = NULL;
    KeReleaseSpinLock(&cam->lock, irql);
    EmuReplayRelease(played);
    EmuReplayRelease(loading);
}
