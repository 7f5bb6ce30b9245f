/* The emulated picture: the static part rendered once per setting in wire format, and the moving
 * square and frame number drawn over each delivered copy. */
#include "EmuCamera.h"

#define WIDTH TRAVIK_EMU_RASTER_WIDTH
#define SCENE_SPLIT_ROW 480u /* colour bars above, gray ramp from here down */
#define BAR_WIDTH (WIDTH / 8)
#define SQUARE_TOP 208u
#define SQUARE_SIZE 64u
#define SQUARE_STEP 8u
#define SQUARE_LEVEL 512u
#define NUMBER_ROWS 4u
#define NUMBER_BLOCK 8u

/* Colour bars: white, yellow, cyan, green, magenta, red, blue, black (bit 2 red, 1 green, 0 blue).
 */
static const UCHAR kBarColours[8] = {7, 6, 3, 2, 5, 4, 1, 0};

/* Rows that share a class are identical, so only the first of each class is computed. */
enum { CLASS_UNIQUE = -1, CLASS_SLOTS = 3 };

static int RowClass(const EMU_RENDER_KEY* key, ULONG row) {
    switch (key->kind) {
    case TRAVIK_EMU_PATTERN_SCENE:
        return row < SCENE_SPLIT_ROW ? (int)(row & 1) : 2;
    case TRAVIK_EMU_PATTERN_FLAT:
        return 0;
    case TRAVIK_EMU_PATTERN_BAYER:
        return (int)(row & 1);
    default:
        return CLASS_UNIQUE;
    }
}

static ULONG NoiseAt(ULONG seed, ULONG index) {
    ULONG x = seed * 0x9E3779B9u + index * 0x85EBCA6Bu + 0x6A09E667u;
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x & 1023u;
}

/* The 10-bit scene values of one raster row, before brightness scaling. */
static void SceneRow(const EMU_RENDER_KEY* key, const USHORT* replay, ULONG row, USHORT* out) {
    const ULONG base = row * WIDTH;
    if (key->kind == TRAVIK_EMU_PATTERN_FILE) {
        /* Rows past the replayed raster are black, as is everything without frames. */
        for (ULONG x = 0; x < WIDTH; ++x)
            out[x] = replay && row < TRAVIK_EMU_REPLAY_ROWS ? replay[base + x] : 0;
        return;
    }
    for (ULONG x = 0; x < WIDTH; ++x) {
        /* The Bayer site: R G on even rows, G B on odd rows. */
        ULONG site = ((row & 1) << 1) | (x & 1); /* 0 R, 1 G1, 2 G2, 3 B */
        ULONG value;
        switch (key->kind) {
        case TRAVIK_EMU_PATTERN_SCENE:
            if (row < SCENE_SPLIT_ROW) {
                ULONG colour = kBarColours[x / BAR_WIDTH];
                ULONG bit = site == 0 ? 4 : site == 3 ? 1 : 2;
                value = (colour & bit) ? 1023 : 0;
            } else {
                value = x * 1023 / (WIDTH - 1);
            }
            break;
        case TRAVIK_EMU_PATTERN_FLAT:
            value = key->values[0];
            break;
        case TRAVIK_EMU_PATTERN_BAYER:
            value = key->values[site];
            break;
        case TRAVIK_EMU_PATTERN_RAMP:
            value = (base + x) & 1023u;
            break;
        default:
            value = NoiseAt(key->seed, base + x);
            break;
        }
        out[x] = (USHORT)value;
    }
}

static void BuildLut(EMU_RENDER_CACHE* cache, const EMU_RENDER_KEY* key) {
    for (ULONG v = 0; v < 1024; ++v) {
        ULONGLONG scaled = (ULONGLONG)v * key->lines * key->gain / (1000u * 512u);
        cache->lut[v] = (USHORT)(scaled > 1023 ? 1023 : scaled);
    }
}

/* Writes `count` samples of a row template at sample offset `at` in wire format. */
static void EmitRow(const EMU_RENDER_CACHE* cache, const USHORT* scene, ULONG at, ULONG count,
                    ULONG wordMode) {
    if (wordMode) {
        UCHAR* out = cache->bytes + (SIZE_T)at * 2;
        for (ULONG x = 0; x < count; ++x) {
            USHORT s = cache->lut[scene[x]];
            out[2 * x] = (UCHAR)s;
            out[2 * x + 1] = (UCHAR)(s >> 8);
        }
    } else {
        UCHAR* out = cache->bytes + at;
        for (ULONG x = 0; x < count; ++x)
            out[x] = (UCHAR)(cache->lut[scene[x]] >> 2);
    }
}

NTSTATUS EmuRenderPrepare(EMU_RENDER_CACHE* cache, const EMU_RENDER_KEY* key,
                          const USHORT* replayFrame) {
    if (cache->valid && RtlCompareMemory(&cache->key, key, sizeof(*key)) == sizeof(*key))
        return STATUS_SUCCESS;
    SIZE_T needed = (SIZE_T)key->length << key->wordMode;
    if (needed > cache->capacity || !cache->bytes) {
        EmuRenderFree(cache);
        SIZE_T size = needed ? needed : 1;
        cache->bytes = (UCHAR*)ExAllocatePoolWithTag(NonPagedPool, size, EMU_POOL_TAG);
        if (!cache->bytes) return STATUS_INSUFFICIENT_RESOURCES;
        cache->capacity = size;
    }
    cache->key = *key;
    cache->valid = TRUE;
    if (!key->started) {
        RtlZeroMemory(cache->bytes, needed);
        return STATUS_SUCCESS;
    }
    BuildLut(cache, key);

    USHORT scene[WIDTH];
    ULONG classRow[CLASS_SLOTS];
    BOOLEAN classSeen[CLASS_SLOTS] = {FALSE, FALSE, FALSE};
    const ULONG rowBytes = WIDTH << key->wordMode;
    for (ULONG row = 0; (ULONGLONG)row * WIDTH < key->length; ++row) {
        ULONG at = row * WIDTH;
        ULONG count = key->length - at < WIDTH ? key->length - at : WIDTH;
        int cls = RowClass(key, row);
        if (cls != CLASS_UNIQUE && classSeen[cls]) {
            RtlCopyMemory(cache->bytes + (SIZE_T)row * rowBytes,
                          cache->bytes + (SIZE_T)classRow[cls] * rowBytes,
                          (SIZE_T)count << key->wordMode);
            continue;
        }
        SceneRow(key, replayFrame, row, scene);
        EmitRow(cache, scene, at, count, key->wordMode);
        if (cls != CLASS_UNIQUE && count == WIDTH) {
            classSeen[cls] = TRUE;
            classRow[cls] = row;
        }
    }
    return STATUS_SUCCESS;
}

/* Sets samples [first, first + count) of the delivered bytes to a 10-bit value. */
static void FillSamples(UCHAR* dest, ULONG bytes, ULONG wordMode, ULONG first, ULONG count,
                        ULONG value) {
    ULONGLONG begin = (ULONGLONG)first << wordMode;
    if (begin >= bytes) return;
    ULONGLONG end = (ULONGLONG)(first + count) << wordMode;
    if (end > bytes) end = bytes;
    if (!wordMode) {
        RtlFillMemory(dest + begin, (SIZE_T)(end - begin), (UCHAR)(value >> 2));
        return;
    }
    for (ULONGLONG i = begin; i < end; ++i)
        dest[i] = (UCHAR)((i & 1) ? value >> 8 : value);
}

void EmuRenderFrame(const EMU_RENDER_CACHE* cache, UCHAR* dest, ULONG bytes, ULONG frameNumber) {
    const EMU_RENDER_KEY* key = &cache->key;
    RtlCopyMemory(dest, cache->bytes, bytes);
    if (!key->started) return;
    if (key->kind == TRAVIK_EMU_PATTERN_SCENE) {
        /* The square is gray, the same on every Bayer site. */
        ULONG squareX = (frameNumber * SQUARE_STEP) % (WIDTH - SQUARE_SIZE);
        for (ULONG row = SQUARE_TOP; row < SQUARE_TOP + SQUARE_SIZE; ++row)
            FillSamples(dest, bytes, key->wordMode, row * WIDTH + squareX, SQUARE_SIZE,
                        cache->lut[SQUARE_LEVEL]);
    } else if (key->kind != TRAVIK_EMU_PATTERN_FILE || !key->replayStamp) {
        return;
    }

    /* The frame number, most significant bit first, unscaled: 1023 for one, 0 for zero. */
    ULONG rows = key->length / WIDTH;
    ULONG firstRow = rows > NUMBER_ROWS ? rows - NUMBER_ROWS : 0;
    for (ULONG row = firstRow; row < rows; ++row)
        for (ULONG bit = 0; bit < 32; ++bit)
            FillSamples(dest, bytes, key->wordMode, row * WIDTH + bit * NUMBER_BLOCK, NUMBER_BLOCK,
                        ((frameNumber >> (31 - bit)) & 1) ? 1023 : 0);
}

void EmuRenderFree(EMU_RENDER_CACHE* cache) {
    if (cache->bytes) ExFreePoolWithTag(cache->bytes, EMU_POOL_TAG);
    cache->bytes = NULL;
    cache->capacity = 0;
    cache->valid = FALSE;
}
