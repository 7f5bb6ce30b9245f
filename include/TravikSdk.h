/* TravikSdk.h: the public C interface of TravikSdk_380TZ4_RDX.dll, the SDK of the Travik380TZ4-RDX camera. */
#ifndef TRAVIK_SDK_H
#define TRAVIK_SDK_H

#include <windows.h>
#include <stddef.h>

#if defined(TRAVIK_BUILDING_DLL)
#define TRAVIK_IMPORT
#else
#define TRAVIK_IMPORT __declspec(dllimport)
#endif

#ifdef __cplusplus
#define TRAVIK_API extern "C" TRAVIK_IMPORT
#else
#define TRAVIK_API extern TRAVIK_IMPORT
#endif

/* Messages posted to the application. */
#define WM_CAMERA_NOTIFY (WM_APP + 2) /* frame notice: wParam = FrameInfo*, lParam 0; error: wParam 0, lParam code */
#define WM_CAMERA_ERROR (WM_APP + 3)  /* wParam 0, lParam the error code */

/* The value Travik_GetDllVersion returns. */
#define TRAVIK_DLL_VERSION 0x01A7051F

/* Error codes, drained newest first by Travik_GetLastError. */
enum TravikError {
    ERR_NONE = 0,
    ERR_UNAVAILABLE = 1,    /* no device object, no image yet, or the acquisition state forbids it */
    ERR_DEVICE = 2,         /* device absent, not selectable, or streaming to another application */
    ERR_THREAD = 3,         /* an event or a thread could not be created */
    ERR_WINDOW = 4,         /* preview window or its DC not created; no capture-window preset matches */
    ERR_MEMORY = 5,         /* initialisation, image buffer, caller buffer too small, no image data */
    ERR_DEVICE_IO = 6,      /* register access or transfer start refused by the device */
    ERR_GEOMETRY = 7,       /* the capture window is invalid */
    ERR_TRANSFER = 8,       /* a frame transfer failed or timed out */
    ERR_PARAMETER = 9,      /* an argument is out of range or null */
    ERR_NOT_SUPPORTED = 11, /* not supported by this camera */
    ERR_FILE = 12,          /* file name conversion, file creation, or recording start failed */
    ERR_DEVICE_LOST = 13    /* the device stopped answering while streaming */
};

/* Keys of Travik_SetFilterValue and Travik_GetFilterValue. */
enum TravikFilter {
    FILTER_BRIGHTNESS = 1,
    FILTER_CONTRAST = 2,
    FILTER_HUE = 3,
    FILTER_SATURATION = 4,
    FILTER_SHARPNESS = 5,
    FILTER_BAYER_GAIN_RGB = 6,
    FILTER_BAYER_GAIN_RED = 7,
    FILTER_BAYER_GAIN_GREEN = 8,
    FILTER_BAYER_GAIN_BLUE = 9,
    FILTER_BAYER_GAIN_AUTO = 10,
    FILTER_GAMMA = 11,
    FILTER_BAYER_MODE = 12,
    FILTER_GLOBAL_GAIN = 13,
    FILTER_COLOR_GAIN_RED = 14,
    FILTER_COLOR_GAIN_GREEN1 = 15,
    FILTER_COLOR_GAIN_GREEN2 = 16,
    FILTER_COLOR_GAIN_BLUE = 17,
    FILTER_EXPOSURE_TIME = 18,
    FILTER_GRAY_MODE = 19,
    FILTER_GRAY_GAIN_R = 20,
    FILTER_GRAY_GAIN_G1 = 21,
    FILTER_GRAY_GAIN_G2 = 22,
    FILTER_GRAY_GAIN_B = 23,
    FILTER_GRAY_OFFSET_R = 24,
    FILTER_GRAY_OFFSET_G1 = 25,
    FILTER_GRAY_OFFSET_G2 = 26,
    FILTER_GRAY_OFFSET_B = 27,
    FILTER_GRAY_AUTO = 28
};

/* The record whose address each frame notice (WM_CAMERA_NOTIFY) carries. */
typedef struct FrameInfo {
    int size;          /* always 32 */
    int width;         /* pixels */
    int height;        /* rows */
    int bitsPerPixel;  /* 8, 16, 24, 32, 48 or 64 */
    int frameRate;     /* frames per second x 10 */
    unsigned char* buffer; /* the caller's buffer given to the acquisition call */
} FrameInfo;

/* Filled by Travik_GetCameraInfo; the caller sets size (at least 36). */
typedef struct CameraInfo {
    int size;
    int width;
    int height;
    int minGain;
    int maxGain;
    int reserved1;
    int reserved2;
    int minExposure;
    int maxExposure;
} CameraInfo;

/* The records' layouts are part of the binary interface. */
#ifdef __cplusplus
static_assert(sizeof(FrameInfo) == 32, "FrameInfo is 32 bytes");
static_assert(offsetof(FrameInfo, buffer) == 24, "FrameInfo.buffer at offset 24");
static_assert(sizeof(CameraInfo) == 36, "CameraInfo is 36 bytes");
#else
typedef char TravikFrameInfoSize[sizeof(FrameInfo) == 32 ? 1 : -1];
typedef char TravikFrameInfoBuffer[offsetof(FrameInfo, buffer) == 24 ? 1 : -1];
typedef char TravikCameraInfoSize[sizeof(CameraInfo) == 36 ? 1 : -1];
#endif

/* ---- Frame, registry and errors ------------------------------------------------------------ */

/* Opens a camera object for the application window (may be NULL); returns its handle, or 0. */
TRAVIK_API int Travik_Initialize(HWND window);
/* Saves settings, closes and frees the camera; 1, or 0 for an unknown handle. */
TRAVIK_API int Travik_Release(int handle);
/* Removes and returns the newest error code of the camera; 0 when none or for an unknown handle. */
TRAVIK_API int Travik_GetLastError(int handle);
/* Returns the library version, 0x01A7051F; needs no handle. */
TRAVIK_API int Travik_GetDllVersion(void);

/* ---- Camera object and devices ------------------------------------------------------------- */

/* ---- Acquisition and preview window -------------------------------------------------------- */

/* ---- Settings ------------------------------------------------------------------------------ */

/* ---- Registers, serial ROM and I/O port ---------------------------------------------------- */

/* ---- Files --------------------------------------------------------------------------------- */

/* ---- Dialogs ------------------------------------------------------------------------------- */

/* ---- Operations this camera does not support ----------------------------------------------- */

#endif /* TRAVIK_SDK_H */
