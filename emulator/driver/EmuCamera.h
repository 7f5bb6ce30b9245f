/* The virtual camera driver's internal model: per-device state and the functions its parts share.
 */
#ifndef EMU_CAMERA_H
#define EMU_CAMERA_H

#include <ntddk.h>

#include "TravikEmuControl.h"

#define EMU_POOL_TAG 0x6B767254u /* "Trvk" in pool dumps */
#define EMU_REPLY_SLOTS 2

/* A set of replayed frames: whole rasters of 10-bit samples, frame after frame. The camera holds
 * one reference while the set is its pattern, the worker one more while it renders a frame of it;
 * the side that drops the last reference frees it, so a new set can replace the pattern while a
 * frame of the old one is being drawn. */
typedef struct EMU_REPLAY {
    volatile LONG refs;
    ULONG id;     /* distinct per set, so that the render cache never mixes two sets */
    ULONG count;  /* frames */
    ULONG loaded; /* frames stored so far; complete at count */
    ULONG flags;  /* TRAVIK_EMU_REPLAY_STAMP */
    USHORT* samples; /* count x TRAVIK_EMU_REPLAY_FRAME_SAMPLES */
} EMU_REPLAY;

/* Parameters of the picture that the render cache depends on; compared as a whole. */
typedef struct EMU_RENDER_KEY {
    ULONG length;   /* samples */
    ULONG wordMode; /* 1: 16-bit samples */
    ULONG started;  /* 0: all-zero frames */
    ULONG kind;     /* TravikEmuPatternKind */
    ULONG values[4];
    ULONG seed;
    ULONG gain;  /* sensor 6 | 7 << 6 */
    ULONG lines; /* 1003 - exposure value, at least 0 */
    ULONG replayId;    /* TRAVIK_EMU_PATTERN_FILE: the set ... */
    ULONG replayFrame; /* ... and its frame */
    ULONG replayStamp; /* whether the frame number is drawn over it */
} EMU_RENDER_KEY;

/* The worker's private copy of the picture in wire format, rebuilt when the key changes. */
typedef struct EMU_RENDER_CACHE {
    EMU_RENDER_KEY key;
    BOOLEAN valid;
    UCHAR* bytes;
    SIZE_T capacity;
    USHORT lut[1024]; /* scene value -> scaled sample */
} EMU_RENDER_CACHE;

typedef struct EMU_CAMERA {
    ULONG number;
    PDEVICE_OBJECT device;
    UNICODE_STRING deviceName;
    WCHAR deviceNameBuffer[40];
    UNICODE_STRING linkName;
    WCHAR linkBuffer[40];
    BOOLEAN linkPresent; /* the DOS name exists only while plugged in; changed under plugLock */

    /* Everything from here to `cache` is guarded by `lock`: dispatch routines, the control device
     * and the worker all touch it, but only briefly. Frame copying happens outside the lock. */
    KSPIN_LOCK lock;
    BOOLEAN plugged;
    ULONG generation; /* advances at every unplug; handles of older generations are dead */
    UCHAR controller[256];
    ULONG sensor[1024];
    UCHAR rom[8192];
    UCHAR wordModeByte;
    BOOLEAN resetReleased; /* controller register 6 went 17 -> 0 */
    ULONG inputBits;
    UCHAR replies[EMU_REPLY_SLOTS][64];
    ULONG replyCount;
    ULONG replyNext;
    ULONG timeoutMs;
    BOOLEAN frameRequested; /* command 2 seen and not yet consumed by a read */
    BOOLEAN triggerLatched;
    TravikEmuPattern pattern;
    EMU_REPLAY* replay;        /* the frames played while the pattern is TRAVIK_EMU_PATTERN_FILE */
    EMU_REPLAY* replayLoading; /* a set whose frames are still arriving */
    TravikEmuPacing pacing;
    TravikEmuFault fault;
    ULONG nextFrameNumber;
    LONGLONG lastFrameTime; /* 100 ns, when the last frame was delivered (pacing grid) */
    LIST_ENTRY pendingReads;
    ULONG pendingCount;
    ULONG openHandles;
    TravikEmuStats counters; /* counter half only; state half filled on request */
    LONGLONG settingsSince;  /* system time of the last change of what the camera was told */
    TravikEmuLogEntry* log;  /* ring of TRAVIK_EMU_LOG_CAPACITY */
    ULONG logTotal;

    /* Worker thread: sole owner of `cache`. */
    KEVENT wake;
    volatile LONG stopping;
    HANDLE thread;
    EMU_RENDER_CACHE cache;
} EMU_CAMERA;

typedef struct EMU_DRIVER {
    PDEVICE_OBJECT control;
    LONGLONG loadedAt; /* system time of DriverEntry */
    KMUTEX plugLock;   /* serialises plugging, unplugging and resetting, which touch DOS names */
    ULONG cameraCount;
    EMU_CAMERA* cameras[TRAVIK_EMU_MAX_DEVICES];
} EMU_DRIVER;

extern EMU_DRIVER g_emu;

/* Time in 100 ns units from the performance counter. */
LONGLONG EmuNow(void);
void EmuCompleteIrp(PIRP irp, NTSTATUS status, ULONG_PTR information);
PFILE_OBJECT EmuFileOf(PIRP irp);

/* CameraState.c: power-on state, commands on the command pipe, reply pipe, log. All with the lock
 * held by the caller. */
void EmuPowerOn(EMU_CAMERA* cam);
void EmuFactoryRom(EMU_CAMERA* cam);
NTSTATUS EmuExecuteCommand(EMU_CAMERA* cam, const UCHAR* packet, ULONG length);
NTSTATUS EmuTakeReply(EMU_CAMERA* cam, UCHAR* out);
void EmuRecordPacket(EMU_CAMERA* cam, ULONG code, const UCHAR* packet, ULONG length,
                     NTSTATUS status);
void EmuClearLog(EMU_CAMERA* cam);
ULONG EmuTransferLength(const EMU_CAMERA* cam);
BOOLEAN EmuSensorStarted(const EMU_CAMERA* cam);
ULONG EmuClockKHz(const EMU_CAMERA* cam);
LONGLONG EmuFramePeriod(const EMU_CAMERA* cam); /* 100 ns; 0 when pacing is off */
void EmuRenderKeyOf(const EMU_CAMERA* cam, EMU_RENDER_KEY* key);

/* CameraDevice.c: requests on the camera devices. */
NTSTATUS EmuCameraCreate(EMU_CAMERA* cam, PIRP irp);
NTSTATUS EmuCameraClose(EMU_CAMERA* cam, PIRP irp);
NTSTATUS EmuCameraDeviceControl(EMU_CAMERA* cam, PIRP irp);

/* FrameWorker.c: the queue of frame reads and the thread that completes them. */
NTSTATUS EmuStartWorker(EMU_CAMERA* cam);
void EmuStopWorker(EMU_CAMERA* cam);
NTSTATUS EmuQueueFrameRead(EMU_CAMERA* cam, PIRP irp);
void EmuFailPendingReads(EMU_CAMERA* cam, NTSTATUS status, PFILE_OBJECT onlyFile);
void EmuWakeWorker(EMU_CAMERA* cam);

/* FrameRender.c: the picture. */
/* `replayFrame` is the frame's samples for TRAVIK_EMU_PATTERN_FILE, NULL otherwise. */
NTSTATUS EmuRenderPrepare(EMU_RENDER_CACHE* cache, const EMU_RENDER_KEY* key,
                          const USHORT* replayFrame);
void EmuRenderFrame(const EMU_RENDER_CACHE* cache, UCHAR* dest, ULONG bytes, ULONG frameNumber);
void EmuRenderFree(EMU_RENDER_CACHE* cache);

/* Replay.c: sets of replayed frames. */
void EmuReplayRelease(EMU_REPLAY* replay); /* NULL is allowed */
/* Stores one frame of a request (header and samples); the camera's pattern changes when the set is
 * complete. */
NTSTATUS EmuLoadReplayFrame(EMU_CAMERA* cam, const TravikEmuReplayFrame* request, ULONG inLength);
/* Drops the played set once the pattern is no longer a replay, and any set being loaded; call
 * without the lock, after the pattern was changed. */
void EmuDropReplay(EMU_CAMERA* cam);

/* ControlDevice.c: requests on the control device. */
NTSTATUS EmuControlDeviceControl(PIRP irp);

/* Driver.c: the camera's DOS name, present only while it is plugged in; call with plugLock held. */
void EmuSetLink(EMU_CAMERA* cam, BOOLEAN present);

#endif /* EMU_CAMERA_H */
