/* Requests of the virtual camera's control device: records shared by the driver, the tool and
 * tests. */
#ifndef TRAVIK_EMU_CONTROL_H
#define TRAVIK_EMU_CONTROL_H

/*
 * The virtual camera driver ("TravikCamEmu") creates one camera device per device number,
 * \\.\Tvik380TZ4rdx-<c>, that behaves like the camera behind its USB driver, and one control
 * device,
 * \\.\TravikCamEmu, through which people, scripts and tests steer the emulated cameras.
 *
 * Every control request is a METHOD_BUFFERED DeviceIoControl on the control device (open it with
 * CreateFileA(TRAVIK_EMU_CONTROL_PATH, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ |
 * FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL)). A request names its camera by the first 32-bit
 * word of its input record (`device`, 0 to device count - 1). A request with a short input or
 * output, an unknown device number or a value out of range fails with ERROR_INVALID_PARAMETER or
 * ERROR_INSUFFICIENT_BUFFER and changes nothing.
 *
 * Only plain C types of fixed size on Windows are used, so that the same header compiles in the
 * kernel driver (C, DDK headers) and in user-mode C++.
 */

#define TRAVIK_EMU_SERVICE_NAME "TravikCamEmu"
#define TRAVIK_EMU_DRIVER_FILE "TravikCamEmu.sys"
#define TRAVIK_EMU_CONTROL_PATH "\\\\.\\TravikCamEmu"
#define TRAVIK_EMU_CAMERA_PATH_PREFIX "\\\\.\\Tvik380TZ4rdx-"
/* The character that follows the prefix for device number n (note L, N, M). */
#define TRAVIK_EMU_DEVICE_CHARS "0123456789ABCDEFGHIJKLNMOPQRSTUVWXYZ"
/* Registry value (REG_DWORD) under the service key's "Parameters" subkey. */
#define TRAVIK_EMU_DEVICE_COUNT_VALUE "DeviceCount"

#define TRAVIK_EMU_INTERFACE_VERSION 2u
#define TRAVIK_EMU_MAX_DEVICES 32u
#define TRAVIK_EMU_LOG_CAPACITY 4096u
#define TRAVIK_EMU_PACKET_BYTES 64u
#define TRAVIK_EMU_ROM_BYTES 8192u
#define TRAVIK_EMU_SENSOR_REGISTERS 1024u
#define TRAVIK_EMU_CONTROLLER_REGISTERS 256u
/* The sensor raster is this many samples wide; a transfer of L samples is its first L samples. */
#define TRAVIK_EMU_RASTER_WIDTH 1280u
/* Longest transfer the emulated camera accepts, in samples. */
#define TRAVIK_EMU_MAX_TRANSFER_SAMPLES (1280u * 2048u)
#define TRAVIK_EMU_DEFAULT_TIMEOUT_MS 3000u

/* Control codes of the camera devices, as the SDK's device layer issues them. */
#define TRAVIK_CAM_IOCTL_PIPE_OUT_DIRECT                                                           \
    0x22204Eu /* input: pipe index; output: data (OUT_DIRECT) */
#define TRAVIK_CAM_IOCTL_PIPE_IN_DIRECT                                                            \
    0x222051u                                  /* input: pipe index; output: data (IN_DIRECT)      \
                                                */
#define TRAVIK_CAM_IOCTL_SET_TIMEOUT 0x2220A0u /* input: 44 bytes, word 1 then milliseconds */
#define TRAVIK_CAM_PIPE_COMMAND 0u
#define TRAVIK_CAM_PIPE_REPLY 1u
#define TRAVIK_CAM_PIPE_IMAGE 2u

/* Control device requests: device type 0x22, functions 0x900 and up, METHOD_BUFFERED, any access.
 */
#define TRAVIK_EMU_CODE(function) ((0x22u << 16) | ((unsigned)(function) << 2))

/* in: nothing; out: TravikEmuDriverInfo. */
#define TRAVIK_EMU_IOCTL_QUERY_DRIVER TRAVIK_EMU_CODE(0x900)
/* in: TravikEmuDeviceRequest; out: nothing. Power-on state of the whole camera: registers, ROM,
 * pattern scene, pacing auto, no fault, plugged in, frame numbers from 1, log and counters cleared.
 */
#define TRAVIK_EMU_IOCTL_RESET_DEVICE TRAVIK_EMU_CODE(0x901)
/* in: TravikEmuDeviceRequest; out: nothing. Empties the command log and zeroes the counters. */
#define TRAVIK_EMU_IOCTL_CLEAR_LOG TRAVIK_EMU_CODE(0x902)
/* in: TravikEmuLogRequest; out: TravikEmuLogHeader followed by `count` TravikEmuLogEntry records,
 * the newest packets, oldest first. As many entries as asked and as fit in the output are returned.
 */
#define TRAVIK_EMU_IOCTL_READ_LOG TRAVIK_EMU_CODE(0x903)
/* in: TravikEmuDeviceRequest; out: TravikEmuStats. */
#define TRAVIK_EMU_IOCTL_READ_STATS TRAVIK_EMU_CODE(0x904)
/* in: TravikEmuDeviceRequest; out: TravikEmuRegisters. */
#define TRAVIK_EMU_IOCTL_READ_REGS TRAVIK_EMU_CODE(0x905)
/* in: TravikEmuValueRequest (value 1 plugs in, 0 unplugs); out: nothing. Unplugging fails every
 * waiting frame read; plugging in again powers the camera up (registers cleared, sensor stopped).
 */
#define TRAVIK_EMU_IOCTL_SET_PLUGGED TRAVIK_EMU_CODE(0x906)
/* in: TravikEmuDeviceRequest; out: nothing. A software trigger (kept when no read waits). */
#define TRAVIK_EMU_IOCTL_TRIGGER TRAVIK_EMU_CODE(0x907)
/* in: TravikEmuPattern; out: nothing. */
#define TRAVIK_EMU_IOCTL_SET_PATTERN TRAVIK_EMU_CODE(0x908)
/* in: TravikEmuPacing; out: nothing. */
#define TRAVIK_EMU_IOCTL_SET_PACING TRAVIK_EMU_CODE(0x909)
/* in: TravikEmuFault; out: nothing. */
#define TRAVIK_EMU_IOCTL_SET_FAULT TRAVIK_EMU_CODE(0x90A)
/* in: TravikEmuValueRequest (bits 0-7); out: nothing. Input bits of the I/O port (register 7). */
#define TRAVIK_EMU_IOCTL_SET_INPUT_BITS TRAVIK_EMU_CODE(0x90B)
/* in: TravikEmuRomRequest (address, count); out: count bytes of the serial ROM. */
#define TRAVIK_EMU_IOCTL_READ_ROM TRAVIK_EMU_CODE(0x90C)
/* in: TravikEmuRomRequest (address, value); out: nothing. One byte of the serial ROM. */
#define TRAVIK_EMU_IOCTL_WRITE_ROM TRAVIK_EMU_CODE(0x90D)
/* in: TravikEmuReplayFrame followed by TRAVIK_EMU_REPLAY_FRAME_SAMPLES 16-bit samples; out:
 * nothing. Frame `index` of a set of `count` frames to replay in a loop. Frame 0 starts a new set
 * (an unfinished one is dropped); the others must follow in order. When the last frame arrives the
 * set becomes the camera's pattern (TRAVIK_EMU_PATTERN_FILE). A sample above 1023, a frame out of
 * order or a count out of range is refused, the set being loaded is dropped, and the pattern in
 * use stays. */
#define TRAVIK_EMU_IOCTL_LOAD_REPLAY_FRAME TRAVIK_EMU_CODE(0x90E)

typedef struct TravikEmuDriverInfo {
    unsigned int interfaceVersion; /* TRAVIK_EMU_INTERFACE_VERSION */
    unsigned int deviceCount;      /* camera devices 0 .. deviceCount - 1 */
    unsigned int logCapacity;      /* packets kept per device */
    unsigned int reserved;
    /* When the driver was loaded, as system time (100 ns since 1601, UTC): what the cameras were
     * told lives in the driver's memory from then until it is unloaded. */
    unsigned long long loadedAt;
} TravikEmuDriverInfo;

typedef struct TravikEmuDeviceRequest {
    unsigned int device;
} TravikEmuDeviceRequest;

typedef struct TravikEmuValueRequest {
    unsigned int device;
    unsigned int value;
} TravikEmuValueRequest;

enum TravikEmuPatternKind {
    TRAVIK_EMU_PATTERN_SCENE = 0, /* bars, ramp, moving square, frame number; no values */
    TRAVIK_EMU_PATTERN_FLAT = 1,  /* values[0] everywhere */
    TRAVIK_EMU_PATTERN_BAYER = 2, /* values R, G1 (first row), G2, B (second row) */
    TRAVIK_EMU_PATTERN_RAMP = 3,  /* sample index modulo 1024 */
    TRAVIK_EMU_PATTERN_NOISE = 4, /* seeded noise: the same frame for the same seed */
    TRAVIK_EMU_PATTERN_FILE = 5   /* replayed frames (TRAVIK_EMU_IOCTL_LOAD_REPLAY_FRAME) in a loop;
                                     not set through TRAVIK_EMU_IOCTL_SET_PATTERN */
};

typedef struct TravikEmuPattern {
    unsigned int device;
    unsigned int kind;      /* TravikEmuPatternKind */
    unsigned int values[4]; /* 10-bit values, 0 to 1023 */
    unsigned int seed;
} TravikEmuPattern;

enum TravikEmuPacingMode {
    TRAVIK_EMU_PACING_AUTO = 0, /* (rows + 40) x 1600 / clock seconds per frame */
    TRAVIK_EMU_PACING_OFF = 1,  /* as fast as possible */
    TRAVIK_EMU_PACING_FIXED = 2 /* milliFps thousandths of a frame per second */
};

typedef struct TravikEmuPacing {
    unsigned int device;
    unsigned int mode;     /* TravikEmuPacingMode */
    unsigned int milliFps; /* FIXED only: 1 to 10 000 000 */
} TravikEmuPacing;

enum TravikEmuFaultKind {
    TRAVIK_EMU_FAULT_NONE = 0,
    TRAVIK_EMU_FAULT_FAIL_READS = 1, /* the next `value` frame reads fail at once */
    TRAVIK_EMU_FAULT_SHORT_READ = 2, /* the next frame read returns `value` bytes fewer */
    TRAVIK_EMU_FAULT_STALL = 3       /* frame reads wait `value` ms (0: the time-out), then fail */
};

typedef struct TravikEmuFault {
    unsigned int device;
    unsigned int kind; /* TravikEmuFaultKind */
    unsigned int value;
} TravikEmuFault;

/* A replayed frame is the whole sensor raster: 1280 x 960 samples of 10 bits, row after row. */
#define TRAVIK_EMU_REPLAY_ROWS 960u
#define TRAVIK_EMU_REPLAY_FRAME_SAMPLES (TRAVIK_EMU_RASTER_WIDTH * TRAVIK_EMU_REPLAY_ROWS)
#define TRAVIK_EMU_MAX_REPLAY_FRAMES 32u
/* TravikEmuReplayFrame.flags: draw the frame number over the frame, as on the scene. */
#define TRAVIK_EMU_REPLAY_STAMP 1u

typedef struct TravikEmuReplayFrame {
    unsigned int device;
    unsigned int index; /* 0 to count - 1, in order */
    unsigned int count; /* frames in the set, 1 to TRAVIK_EMU_MAX_REPLAY_FRAMES */
    unsigned int flags; /* TRAVIK_EMU_REPLAY_STAMP; taken from frame 0 */
    /* followed by TRAVIK_EMU_REPLAY_FRAME_SAMPLES unsigned short samples */
} TravikEmuReplayFrame;

typedef struct TravikEmuRomRequest {
    unsigned int device;
    unsigned int address; /* 0 to 8191 */
    unsigned int count;   /* READ_ROM: bytes to read, address + count <= 8192 */
    unsigned int value;   /* WRITE_ROM: the byte */
} TravikEmuRomRequest;

#define TRAVIK_EMU_LOG_CLEAR                                                                       \
    1u /* TravikEmuLogRequest.flags: clear log and counters after reading */

typedef struct TravikEmuLogRequest {
    unsigned int device;
    unsigned int maxEntries; /* the newest maxEntries packets at most */
    unsigned int flags;      /* TRAVIK_EMU_LOG_CLEAR */
} TravikEmuLogRequest;

typedef struct TravikEmuLogHeader {
    unsigned int
        total; /* packets recorded since the log was cleared (the ring keeps the last 4096) */
    unsigned int count; /* entries that follow */
} TravikEmuLogHeader;

typedef struct TravikEmuLogEntry {
    unsigned long long time; /* 100 ns units of a monotonic clock: differences are intervals */
    unsigned int sequence;   /* 0 for the first packet after the log was cleared */
    int status;              /* NTSTATUS of the request: 0 accepted, negative refused */
    unsigned int code;       /* control code the packet came with (0x222051 or 0x22204E) */
    unsigned int length;     /* bytes in the request; packet holds the first 64, zero-padded */
    unsigned char packet[64];
} TravikEmuLogEntry;

/* Indexes of TravikEmuStats.commandCounts. */
enum TravikEmuCommandSlot {
    TRAVIK_EMU_CMD_PREPARE = 0,          /* 1 */
    TRAVIK_EMU_CMD_START_FRAME = 1,      /* 2 */
    TRAVIK_EMU_CMD_SENSOR_WRITE = 2,     /* 4 */
    TRAVIK_EMU_CMD_TRANSFER_LENGTH = 3,  /* 9 */
    TRAVIK_EMU_CMD_WORD_MODE = 4,        /* 10 */
    TRAVIK_EMU_CMD_CONTROLLER_WRITE = 5, /* 0x25 */
    TRAVIK_EMU_CMD_CONTROLLER_READ = 6,  /* 0x26 */
    TRAVIK_EMU_CMD_ROM_WRITE = 7,        /* 0x40 */
    TRAVIK_EMU_CMD_ROM_READ = 8,         /* 0x41 */
    TRAVIK_EMU_CMD_UNKNOWN = 9,          /* anything else */
    TRAVIK_EMU_CMD_SLOTS = 10
};

typedef struct TravikEmuStats {
    /* State now. */
    unsigned int plugged;
    unsigned int sensorStarted;  /* reset pulse seen and sensor register 32 non-zero */
    unsigned int wordMode;       /* controller register 14 */
    unsigned int triggerMode;    /* controller register 11 */
    unsigned int transferLength; /* samples, controller registers 0 to 3 */
    unsigned int timeoutMs;      /* last IOCTL_CAM_SET_TIMEOUT, 3000 until one is set */
    unsigned int clockKHz;       /* from controller register 15 */
    unsigned int framePeriodUs;  /* the pacing in force, 0 when off */
    unsigned int patternKind;
    unsigned int pacingMode;
    unsigned int pacingMilliFps;
    unsigned int faultKind;
    unsigned int faultValue;     /* reads left to fail, bytes short, or stall milliseconds */
    unsigned int triggerLatched; /* a trigger waits for the next read */
    unsigned int openHandles;
    unsigned int pendingReads;
    unsigned int nextFrameNumber; /* the number the next delivered frame carries */
    /* Counters since the log was last cleared. */
    unsigned int opens;
    unsigned int commands; /* packets on the command pipe, refused ones included */
    unsigned int refusedCommands;
    unsigned int replyReads;
    unsigned int replyReadFailures;
    unsigned int frameReads;
    unsigned int framesDelivered;
    unsigned int frameReadFailures;
    unsigned int shortReads;      /* frames delivered with fewer bytes than requested */
    unsigned int timeoutRequests; /* IOCTL_CAM_SET_TIMEOUT */
    unsigned int refusedRequests; /* malformed requests of any kind, and requests while unplugged */
    unsigned int triggers;
    unsigned int triggerTimeouts;
    unsigned int commandCounts[TRAVIK_EMU_CMD_SLOTS];
    /* Timing of the last delivered frame, to tell the driver's share of a frame read. */
    unsigned int lastRenderUs;   /* building (when settings changed) and copying the picture */
    unsigned int lastCompleteUs; /* handing the completed read back to the system */
    /* System time of the last pattern, replay, pacing, fault, plug, input bits, ROM write or
     * reset of this camera; the driver's load time until the first. */
    unsigned long long settingsSince;
} TravikEmuStats;

typedef struct TravikEmuRegisters {
    unsigned char controller[256];
    unsigned int sensor[1024];
    unsigned int wordModeByte;  /* byte 1 of the last command 10 */
    unsigned int inputBits;     /* I/O port input bits set by the tool */
    unsigned int repliesQueued; /* reply packets waiting on the reply pipe */
    unsigned int reserved;
} TravikEmuRegisters;

#endif /* TRAVIK_EMU_CONTROL_H */
