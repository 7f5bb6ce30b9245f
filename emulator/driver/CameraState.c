/* The emulated camera's registers, serial ROM, command packets, reply queue and command log. */
#include "EmuCamera.h"

/* Every function here runs with cam->lock held. */

static const char kModel[] = "Travik380TZ4-RDX";
static const char kSerialPrefix[] = "TZ4RDX-";

#define ROM_ID_AREA 0x1800u
#define ROM_SERIAL 0x1810u
#define ROM_VARIANT 0x1EB0u

static ULONG ReadLe32(const UCHAR* p) {
    return (ULONG)p[0] | ((ULONG)p[1] << 8) | ((ULONG)p[2] << 16) | ((ULONG)p[3] << 24);
}

/* An erased serial ROM with the identification area of device `number`. */
void EmuFactoryRom(EMU_CAMERA* cam) {
    RtlFillMemory(cam->rom, sizeof(cam->rom), 0xFF);
    RtlZeroMemory(cam->rom + ROM_ID_AREA, 0x100);
    RtlCopyMemory(cam->rom + ROM_ID_AREA, kModel, sizeof(kModel) - 1);

    UCHAR* serial = cam->rom + ROM_SERIAL;
    RtlCopyMemory(serial, kSerialPrefix, sizeof(kSerialPrefix) - 1);
    serial += sizeof(kSerialPrefix) - 1;
    ULONG value = 10000 + cam->number; /* five digits, different per device number */
    for (int digit = 4; digit >= 0; --digit) {
        serial[digit] = (UCHAR)('0' + value % 10);
        value /= 10;
    }
    cam->rom[ROM_VARIANT] = 0;
}

/* The sensor's register file after a reset: gain 512 and exposure value 3, so that a started
 * sensor shows the scene at its nominal brightness. */
static void ResetSensor(EMU_CAMERA* cam) {
    RtlZeroMemory(cam->sensor, sizeof(cam->sensor));
    cam->sensor[7] = 8;
    cam->sensor[158] = 3;
    cam->resetReleased = FALSE;
}

/* The camera as it comes up when powered: everything volatile cleared, the ROM kept. */
void EmuPowerOn(EMU_CAMERA* cam) {
    RtlZeroMemory(cam->controller, sizeof(cam->controller));
    ResetSensor(cam);
    cam->wordModeByte = 0;
    cam->replyCount = 0;
    cam->replyNext = 0;
    cam->timeoutMs = TRAVIK_EMU_DEFAULT_TIMEOUT_MS;
    cam->frameRequested = FALSE;
    cam->triggerLatched = FALSE;
    cam->lastFrameTime = 0;
}

ULONG EmuTransferLength(const EMU_CAMERA* cam) {
    return ReadLe32(cam->controller);
}

BOOLEAN EmuSensorStarted(const EMU_CAMERA* cam) {
    return cam->resetReleased && cam->sensor[32] != 0;
}

ULONG EmuClockKHz(const EMU_CAMERA* cam) {
    switch (cam->controller[15]) {
    case 1:
        return 12000;
    case 3:
        return 40000;
    default:
        return 24000;
    }
}

LONGLONG EmuFramePeriod(const EMU_CAMERA* cam) {
    switch (cam->pacing.mode) {
    case TRAVIK_EMU_PACING_OFF:
        return 0;
    case TRAVIK_EMU_PACING_FIXED:
        return 10000000000LL / cam->pacing.milliFps;
    default: {
        /* A line takes 1600 clocks; a frame is its rows plus 40 lines of blanking. */
        LONGLONG rows = EmuTransferLength(cam) / TRAVIK_EMU_RASTER_WIDTH;
        return (rows + 40) * 1600 * 10000 / EmuClockKHz(cam);
    }
    }
}

void EmuRenderKeyOf(const EMU_CAMERA* cam, EMU_RENDER_KEY* key) {
    RtlZeroMemory(key, sizeof(*key));
    key->length = EmuTransferLength(cam);
    key->wordMode = cam->controller[14] & 1;
    key->started = EmuSensorStarted(cam);
    if (!key->started) return; /* every other parameter is irrelevant to an all-zero frame */
    key->kind = cam->pattern.kind;
    for (int i = 0; i < 4; ++i)
        key->values[i] = cam->pattern.values[i];
    key->seed = cam->pattern.seed;
    key->gain = (cam->sensor[6] & 0x3F) | ((cam->sensor[7] & 0x3F) << 6);
    LONG exposure = (LONG)((cam->sensor[158] & 0x3F) | ((cam->sensor[159] & 0x3F) << 6));
    if (cam->sensor[154] == 1) exposure = 1000 + (LONG)cam->sensor[155]; /* long-exposure mode */
    key->lines = exposure >= 1003 ? 0 : (ULONG)(1003 - exposure);
}

static void WriteController(EMU_CAMERA* cam, UCHAR index, UCHAR value) {
    if (index == 6) {
        if (value == 17)
            ResetSensor(cam); /* held in reset */
        else if (value == 0 && cam->controller[6] == 17)
            cam->resetReleased = TRUE;
    }
    if (index == 11 && !(value & 1)) cam->triggerLatched = FALSE;
    cam->controller[index] = value;
}

/* A request for data replaces whatever replies were left unread, so that one lost read cannot
 * shift every later answer by one. */
static void QueueReplies(EMU_CAMERA* cam, UCHAR command, UCHAR value) {
    RtlZeroMemory(cam->replies, sizeof(cam->replies));
    cam->replies[0][0] = command; /* acknowledgement */
    cam->replies[1][0] = value;   /* data */
    cam->replyCount = 2;
    cam->replyNext = 0;
}

NTSTATUS EmuTakeReply(EMU_CAMERA* cam, UCHAR* out) {
    if (cam->replyNext >= cam->replyCount) return STATUS_IO_TIMEOUT;
    RtlCopyMemory(out, cam->replies[cam->replyNext], 64);
    if (++cam->replyNext == cam->replyCount) cam->replyCount = cam->replyNext = 0;
    return STATUS_SUCCESS;
}

static NTSTATUS SensorWrite(EMU_CAMERA* cam, const UCHAR* p) {
    /* Byte 1 is the serial word's length: 10 address bits plus the value's width. */
    if (p[1] < 11 || p[1] > 32) return STATUS_INVALID_PARAMETER;
    ULONG bits = p[1] - 10u;
    ULONG word = ReadLe32(p + 2);
    ULONG mask = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u;
    cam->sensor[word & 0x3FF] = (word >> 10) & mask;
    return STATUS_SUCCESS;
}

static NTSTATUS SetTransferLength(EMU_CAMERA* cam, const UCHAR* p) {
    ULONG length = ReadLe32(p + 1);
    if (length > TRAVIK_EMU_MAX_TRANSFER_SAMPLES) return STATUS_INVALID_PARAMETER;
    for (int i = 0; i < 4; ++i)
        cam->controller[i] = (UCHAR)(length >> (8 * i));
    return STATUS_SUCCESS;
}

static NTSTATUS RomWrite(EMU_CAMERA* cam, const UCHAR* p) {
    if (p[1] != 0x51 || p[2] != 0x03 || p[3] != 0x18) return STATUS_INVALID_PARAMETER;
    cam->rom[ROM_ID_AREA + p[4]] = p[5];
    return STATUS_SUCCESS;
}

static NTSTATUS RomRead(EMU_CAMERA* cam, const UCHAR* p) {
    if (p[1] != 0x51 || p[2] != 0x02 || p[3] != 0x01) return STATUS_INVALID_PARAMETER;
    ULONG address = ((ULONG)p[4] << 8) | p[5];
    if (address >= TRAVIK_EMU_ROM_BYTES) return STATUS_INVALID_PARAMETER;
    QueueReplies(cam, p[0], cam->rom[address]);
    return STATUS_SUCCESS;
}

static int SlotOf(UCHAR command) {
    switch (command) {
    case 1:
        return TRAVIK_EMU_CMD_PREPARE;
    case 2:
        return TRAVIK_EMU_CMD_START_FRAME;
    case 4:
        return TRAVIK_EMU_CMD_SENSOR_WRITE;
    case 9:
        return TRAVIK_EMU_CMD_TRANSFER_LENGTH;
    case 10:
        return TRAVIK_EMU_CMD_WORD_MODE;
    case 0x25:
        return TRAVIK_EMU_CMD_CONTROLLER_WRITE;
    case 0x26:
        return TRAVIK_EMU_CMD_CONTROLLER_READ;
    case 0x40:
        return TRAVIK_EMU_CMD_ROM_WRITE;
    case 0x41:
        return TRAVIK_EMU_CMD_ROM_READ;
    default:
        return TRAVIK_EMU_CMD_UNKNOWN;
    }
}

NTSTATUS EmuExecuteCommand(EMU_CAMERA* cam, const UCHAR* p, ULONG length) {
    if (length != TRAVIK_EMU_PACKET_BYTES) return STATUS_INVALID_BUFFER_SIZE;
    switch (p[0]) {
    case 1:
        return STATUS_SUCCESS;
    case 2:
        cam->frameRequested = TRUE;
        return STATUS_SUCCESS;
    case 4:
        return SensorWrite(cam, p);
    case 9:
        return SetTransferLength(cam, p);
    case 10:
        cam->wordModeByte = p[1];
        return STATUS_SUCCESS;
    case 0x25:
        WriteController(cam, p[1], p[2]);
        return STATUS_SUCCESS;
    case 0x26: {
        UCHAR value = cam->controller[p[1]];
        if (p[1] == 7) value |= (UCHAR)cam->inputBits;
        QueueReplies(cam, p[0], value);
        return STATUS_SUCCESS;
    }
    case 0x40:
        return RomWrite(cam, p);
    case 0x41:
        return RomRead(cam, p);
    default:
        return STATUS_NOT_SUPPORTED;
    }
}

void EmuRecordPacket(EMU_CAMERA* cam, ULONG code, const UCHAR* packet, ULONG length,
                     NTSTATUS status) {
    TravikEmuLogEntry* entry = &cam->log[cam->logTotal % TRAVIK_EMU_LOG_CAPACITY];
    entry->time = (unsigned long long)EmuNow();
    entry->sequence = cam->logTotal;
    entry->status = status;
    entry->code = code;
    entry->length = length;
    ULONG kept = length < 64 ? length : 64;
    RtlZeroMemory(entry->packet, sizeof(entry->packet));
    RtlCopyMemory(entry->packet, packet, kept);
    ++cam->logTotal;

    ++cam->counters.commands;
    if (!NT_SUCCESS(status)) ++cam->counters.refusedCommands;
    ++cam->counters.commandCounts[SlotOf(kept ? packet[0] : 0)];
}

void EmuClearLog(EMU_CAMERA* cam) {
    cam->logTotal = 0;
    RtlZeroMemory(&cam->counters, sizeof(cam->counters));
}
