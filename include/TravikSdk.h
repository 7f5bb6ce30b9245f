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
/* Saves settings, closes and frees the camera; 1, or 0 for an unknown handle. The handle is
   unknown to every call from then on, and its number is never issued again in the process.
   Called outside the library, it waits for exports of the camera still running on other threads
   (answering messages sent to the calling thread meanwhile). Called from a window procedure while
   an export runs lower on the same thread (e.g. in WM_CAMERA_ERROR during a settings dialog or
   Travik_StopPreview), it returns at once: the running exports finish on the intact camera and
   return their own results, and the last of them saves, closes and frees it as it returns. */
TRAVIK_API int Travik_Release(int handle);
/* Removes and returns the newest error code of the camera; 0 when none or for an unknown handle. */
TRAVIK_API int Travik_GetLastError(int handle);
/* Returns the library version, 0x01A7051F; needs no handle. */
TRAVIK_API int Travik_GetDllVersion(void);

/* ---- Camera object and devices ------------------------------------------------------------- */

/* Writes "Travik380TZ4-RDX_nn" into 256-byte slots (at least 10) for the present devices; their count. */
TRAVIK_API int Travik_EnumDevice(int handle, char* buffer);
/* As Travik_EnumDevice with 256-character wide slots, from the presence last refreshed. */
TRAVIK_API int Travik_EnumDeviceW(int handle, wchar_t* buffer);
/* Writes the name of device number `device` (0..31); 1, or 0 with 1, 9 (length below 20, bad number) or 2 (absent). */
TRAVIK_API int Travik_GetDeviceName(int handle, int device, char* buffer, int length);
/* As Travik_GetDeviceName with a wide buffer; length in characters. */
TRAVIK_API int Travik_GetDeviceNameW(int handle, int device, wchar_t* buffer, int length);
/* Saves the current device's settings, selects `device` and loads its settings; 1, or 0 with 1 or 2. */
TRAVIK_API int Travik_SetDeviceNumber(int handle, int device);
/* Fills *info (info->size at least 36); 1, or 0 with 1, 9 (NULL) or 5 (size too small). */
TRAVIK_API int Travik_GetCameraInfo(int handle, CameraInfo* info);
/* Stops acquisition and destroys the preview window; the camera stays usable; 1. */
TRAVIK_API int Travik_Close(int handle);

/* ---- Acquisition and preview window -------------------------------------------------------- */

/* Starts live preview (worker and transfer threads); 1, or 0 with 1 (no device, capture or trigger
   running, preparation failed), 2 (device absent or streamed by another application), 3, 5, 6 or 7. */
TRAVIK_API int Travik_StartPreview(int handle);
/* Stops preview, capture or trigger mode and waits for the worker and recording threads; 1, or 0 with 1. */
TRAVIK_API int Travik_StopPreview(int handle);
/* Opens the preview window when one is configured and starts preview without notices; 1, or 0
   with 4 (window) or 8 (start failed, after the start's own code). */
TRAVIK_API int Travik_Preview(int handle);
/* As Travik_Preview, and posts WM_CAMERA_NOTIFY to `window` per frame after copying the image into
   buffer (length bytes; rowOrder != 0 first sensor row first, 0 last row first); 1/0 as Travik_Preview. */
TRAVIK_API int Travik_CallBackPreview(int handle, HWND window, unsigned char* buffer, int length, int rowOrder);
/* Enters capture state, in which Travik_SnapShot keeps the grab handle open; 1, or 0 with 1. */
TRAVIK_API int Travik_Capture(int handle);
/* Grabs, converts and (buffer non-NULL, length non-zero) copies out one frame; 1, or 0 with 1
   (preview or trigger running, preparation failed), 5 (buffer too small) or 8 (no frame). */
TRAVIK_API int Travik_SnapShot(int handle, unsigned char* buffer, int length, int rowOrder);
/* Starts trigger mode: one notice per externally triggered frame; 1, or 0 with 1, 3 or 4. */
TRAVIK_API int Travik_Trigger(int handle, HWND window, unsigned char* buffer, int length, int rowOrder);
/* Copies the last output image into buffer; 1, or 0 with 1 (no device or image) or 5 (NULL or short buffer). */
TRAVIK_API int Travik_GetImage(int handle, unsigned char* buffer, int length, int rowOrder);
/* Sets the parent and rectangle of the preview window made at the next start (all zero and no
   parent: no window); 1, or 0 with 1 (no device). */
TRAVIK_API int Travik_SetPreviewWindow(int handle, HWND parent, int x, int y, int width, int height);
/* Always returns 0; the pointer is not used. */
TRAVIK_API int Travik_GetStatus(int handle, void* reserved);

/* ---- Settings ------------------------------------------------------------------------------ */

/* Sets filter `id` (FILTER_*) to value; 1, or 0 with 1 (no device) or 9 (id or value out of range). */
TRAVIK_API int Travik_SetFilterValue(int handle, int id, int value);
/* Returns the value of filter `id`, *ok = 1; 0 with *ok = 0 and 1 (no device) or 9 (unknown id). ok may be NULL. */
TRAVIK_API int Travik_GetFilterValue(int handle, int id, int* ok);
/* Sets the brightness, -255..255; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetBrightness(int handle, int value);
/* Returns the brightness; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetBrightness(int handle, int* ok);
/* Sets the contrast, -127..127; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetContrast(int handle, int value);
/* Returns the contrast; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetContrast(int handle, int* ok);
/* Sets the hue in degrees, -360..360; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetHue(int handle, int value);
/* Returns the hue in degrees; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetHue(int handle, int* ok);
/* Sets the saturation, -255..255; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetSaturation(int handle, int value);
/* Returns the saturation; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetSaturation(int handle, int* ok);
/* Sets the sharpness, 0..30; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetSharpness(int handle, int value);
/* Returns the sharpness; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetSharpness(int handle, int* ok);
/* Sets the Bayer gains packed red | green << 8 | blue << 16; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetBayerGainRGB(int handle, int value);
/* Returns the Bayer gains packed red | green << 8 | blue << 16; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetBayerGainRGB(int handle, int* ok);
/* Sets the red white-balance gain in percent, 0..400; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetBayerGainRed(int handle, int value);
/* Returns the red white-balance gain in percent; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetBayerGainRed(int handle, int* ok);
/* Sets the green white-balance gain in percent, 0..400; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetBayerGainGreen(int handle, int value);
/* Returns the green white-balance gain in percent; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetBayerGainGreen(int handle, int* ok);
/* Sets the blue white-balance gain in percent, 0..400; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetBayerGainBlue(int handle, int value);
/* Returns the blue white-balance gain in percent; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetBayerGainBlue(int handle, int* ok);
/* Sets the automatic white balance, 0 or 1; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetBayerGainAuto(int handle, int value);
/* Returns the automatic white balance; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetBayerGainAuto(int handle, int* ok);
/* Sets the gamma, 0..200 (100 neutral); 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetGamma(int handle, int value);
/* Returns the gamma; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetGamma(int handle, int* ok);
/* Sets the Bayer mode, 0..3; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetBayerMode(int handle, int value);
/* Returns the Bayer mode; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetBayerMode(int handle, int* ok);
/* Sets the sensor gain, 0..1023; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetGlobalGain(int handle, int value);
/* Returns the sensor gain; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetGlobalGain(int handle, int* ok);
/* Sets the colour gain red, 0 only; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetColorGainRed(int handle, int value);
/* Returns the colour gain red; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetColorGainRed(int handle, int* ok);
/* Sets the colour gain green 1, 0 only; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetColorGainGreen1(int handle, int value);
/* Returns the colour gain green 1; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetColorGainGreen1(int handle, int* ok);
/* Sets the colour gain green 2, 0 only; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetColorGainGreen2(int handle, int value);
/* Returns the colour gain green 2; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetColorGainGreen2(int handle, int* ok);
/* Sets the colour gain blue, 0 only; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetColorGainBlue(int handle, int value);
/* Returns the colour gain blue; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetColorGainBlue(int handle, int* ok);
/* Sets the exposure value, 3 (longest)..1003 (shortest); 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetExposureTime(int handle, int value);
/* Returns the exposure value; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetExposureTime(int handle, int* ok);
/* Sets the gray mode, 0..2; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetGrayMode(int handle, int value);
/* Returns the gray mode; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetGrayMode(int handle, int* ok);
/* Sets the gray gain R in 1/128, 0..255; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetGrayGainR(int handle, int value);
/* Returns the gray gain R in 1/128; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetGrayGainR(int handle, int* ok);
/* Sets the gray gain G1 in 1/128, 0..255; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetGrayGainG1(int handle, int value);
/* Returns the gray gain G1 in 1/128; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetGrayGainG1(int handle, int* ok);
/* Sets the gray gain G2 in 1/128, 0..255; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetGrayGainG2(int handle, int value);
/* Returns the gray gain G2 in 1/128; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetGrayGainG2(int handle, int* ok);
/* Sets the gray gain B in 1/128, 0..255; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetGrayGainB(int handle, int value);
/* Returns the gray gain B in 1/128; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetGrayGainB(int handle, int* ok);
/* Sets the gray offset R, -255..255; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetGrayOffsetR(int handle, int value);
/* Returns the gray offset R; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetGrayOffsetR(int handle, int* ok);
/* Sets the gray offset G1, -255..255; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetGrayOffsetG1(int handle, int value);
/* Returns the gray offset G1; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetGrayOffsetG1(int handle, int* ok);
/* Sets the gray offset G2, -255..255; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetGrayOffsetG2(int handle, int value);
/* Returns the gray offset G2; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetGrayOffsetG2(int handle, int* ok);
/* Sets the gray offset B, -255..255; 1/0 as Travik_SetFilterValue. */
TRAVIK_API int Travik_SetGrayOffsetB(int handle, int value);
/* Returns the gray offset B; as Travik_GetFilterValue. */
TRAVIK_API int Travik_GetGrayOffsetB(int handle, int* ok);
/* Sets the output format by bits: 8, 16, 24, 32, 48 or 64; 1, or 0 with 9. */
TRAVIK_API int Travik_SetColorMode(int handle, int bits);
/* Returns 8, 10, 24, 32, 42 or 58 for the colour mode; -1 for an unknown handle or a stored mode out of range. */
TRAVIK_API int Travik_GetColorMode(int handle);
/* Sets the sub-sample mode; 1 for mode 0, else 0 without a report. */
TRAVIK_API int Travik_SetSubSample(int handle, int mode);
/* Returns the stored sub-sample mode; -1 for an unknown handle. */
TRAVIK_API int Travik_GetSubSample(int handle);
/* Mirrors rows left-right when flag is non-zero; 1, or 0 with 1 (no device). */
TRAVIK_API int Travik_SetMirrorH(int handle, int flag);
/* Returns the horizontal mirror flag 0/1; 0 with 1 when there is no device. */
TRAVIK_API int Travik_GetMirrorH(int handle);
/* Mirrors top-bottom when flag is non-zero; 1, or 0 with 1 posted (not pushed) when there is no device. */
TRAVIK_API int Travik_SetMirrorV(int handle, int flag);
/* Returns the vertical mirror flag 0/1; 0 with 1 posted (not pushed) when there is no device. */
TRAVIK_API int Travik_GetMirrorV(int handle);
/* Sets automatic control: 0 off, 1 exposure, 2 gain; 1, or 0 with 9 posted (not pushed). */
TRAVIK_API int Travik_SetAutoIris(int handle, int mode);
/* Returns the automatic control mode; *ok = 1 (ok may be NULL). */
TRAVIK_API int Travik_GetAutoIris(int handle, int* ok);
/* Sets the milliseconds the preview loop sleeps per pass; 1, or 0 for a negative value (no report). */
TRAVIK_API int Travik_SetWaitTime(int handle, int milliseconds);
/* Returns the wait time in milliseconds; -1 for an unknown handle. */
TRAVIK_API int Travik_GetWaitTime(int handle);
/* Returns the effective width of the capture window. */
TRAVIK_API int Travik_Width(int handle);
/* Returns the effective height of the capture window. */
TRAVIK_API int Travik_Height(int handle);
/* Takes the capture window from the registry preset of this effective size; 1, or 0 with 1, 4 or 7. */
TRAVIK_API int Travik_SetCaptureWindow(int handle, int width, int height);
/* Sets the capture window (total width, x, width, total height, y, height); 1, or 0 with 1 or 7 (values kept). */
TRAVIK_API int Travik_SetCaptureWindowEx(int handle, int TH, int EHS, int EH, int TV, int EVS, int EV);
/* Reads the capture window into the non-NULL pointers; 1. */
TRAVIK_API int Travik_GetCaptureWindowEx(int handle, int* TH, int* EHS, int* EH, int* TV, int* EVS, int* EV);
/* Sets the exposure from a time in microseconds; 1, or 0 with 1 (no device) or 9 (time out of range). */
TRAVIK_API int Travik_SetRealExposureTime(int handle, int microseconds);
/* Returns the exposure time in microseconds, *ok = 1; 0 with *ok = 0 and 1 when there is no device. */
TRAVIK_API int Travik_GetRealExposureTime(int handle, int* ok);
/* Not supported by this camera: returns -1 and reports 11. */
TRAVIK_API int Travik_SetConfigFilter(int handle, ...);
/* Not supported by this camera: returns -1 and reports 11. */
TRAVIK_API int Travik_GetConfigFilter(int handle);
/* Writes the low 8 bits to the I/O port; the write's 1/0, or 0 with 1 posted when there is no device. */
TRAVIK_API int Travik_SetIOPort(int handle, int value);
/* Reads the I/O port into *value (0 if the read fails); 1, or 0 with 1 or 9 posted. Last two arguments unused. */
TRAVIK_API int Travik_GetIOPort(int handle, unsigned char* value, void* reserved, int reservedSize);

/* ---- Registers, serial ROM and I/O port ---------------------------------------------------- */

/* Returns sensor register (address & 0xFF) from the shadow, *ok = 1; 0 with *ok = 0 and 1 or 6. */
TRAVIK_API int Travik_ReadRegister(int handle, int address, int* ok);
/* Returns sensor register `address` (0..1023, not 192..255) from the shadow, *ok = 1; 0 with *ok = 0 and 1 or 6. */
TRAVIK_API int Travik_ReadRegisterEx(int handle, int address, int* ok);
/* Writes (value & 0xFFFF) to sensor register (address & 0xFF); 1, or 0 with 1 or 6. */
TRAVIK_API int Travik_WriteRegister(int handle, int address, int value);
/* Writes value (masked to the register's width) to sensor register `address`; 1, or 0 with 1 or 6. */
TRAVIK_API int Travik_WriteRegisterEx(int handle, int address, int value);
/* Returns byte 0x1800 + (index & 0xFF) of the serial ROM, *ok = 1; 0 with *ok = 0 and 1 posted. */
TRAVIK_API int Travik_ReadSromID(int handle, int index, int* ok);
/* Writes byte `index` of the ROM's identification area; 1, or 0 with 1 posted. */
TRAVIK_API int Travik_WriteSromID(int handle, int index, int value);

/* ---- Files --------------------------------------------------------------------------------- */

/* Keeps the 8-byte records of a configuration file; 1, or 0 when it cannot be opened (no report). */
TRAVIK_API int Travik_LoadConfigFileA(int handle, const char* path);
/* As Travik_LoadConfigFileA with a wide path; 0 with 12 when the path cannot be converted. */
TRAVIK_API int Travik_LoadConfigFileW(int handle, const wchar_t* path);
/* Saves the current output image. File type: 0 BMP, 1 raw pixel bytes, 2/3/4 progressive JPEG of
   quality 100/70/20, 5 PNG, 6 uncompressed TIFF; memory row 0 (the first row the camera delivers)
   is the top of the picture in every form but raw. 1, or 0 (1 reported before the first image;
   a file type out of range or a file that cannot be written reports nothing). */
TRAVIK_API int Travik_SaveImage(int handle, const char* path, int fileType);
/* As Travik_SaveImage with a wide path, written even before the first image; 0 with 1 when the
   path has no exact form in the thread's ANSI code page. */
TRAVIK_API int Travik_SaveImageW(int handle, const wchar_t* path, int fileType);
/* Starts the preview if needed and records an uncompressed 24-bit AVI for `time` milliseconds from
   the first frame; a preview window is made as Travik_Preview does when showWindow is nonzero.
   Stopping or closing the preview ends the recording early with a finished file. 1 when started;
   0 with 9 (no path), 4, 12 (preview or file failed), 3, or 1 while a recording runs. */
TRAVIK_API int Travik_Record(int handle, const char* path, int time, int showWindow);
/* As Travik_Record with a wide path; 0 with 12 when the path has no exact ANSI form. */
TRAVIK_API int Travik_RecordW(int handle, const wchar_t* path, int time, int showWindow);

/* ---- Dialogs ------------------------------------------------------------------------------- */

/* Modal format dialog (colour mode, wait time; stored in the registry, reloaded on OK); acquisition
   stops while it is open. 1 when shown, or 0 with 1 (no device, or a format dialog already open). */
TRAVIK_API int Travik_SetCameraDlg(int handle, HWND parentWindow);
/* Modal image filter dialog editing the filters live; Cancel restores them. 1 when shown, or 0
   with 1 (no device, or an image filter dialog already open). */
TRAVIK_API int Travik_SetImageDlg(int handle, HWND parentWindow);
/* Modal analog gain dialog applying gain, exposure and mirrors live; Cancel restores them. 1 when
   shown, or 0 with 1 (no device, or an analog gain dialog already open). */
TRAVIK_API int Travik_SetAnalogDlg(int handle, HWND parentWindow);

/* ---- Operations this camera does not support ----------------------------------------------- */

/* Not supported by this camera: 0, with 11 posted (not pushed). Further arguments are ignored. */
TRAVIK_API int Travik_Fpga_ReadRegister(int handle, ...);
/* Not supported by this camera: 0, with 11 posted (not pushed). */
TRAVIK_API int Travik_Fpga_WriteRegister(int handle, ...);
/* Not supported by this camera: 0, with 11 posted (not pushed). */
TRAVIK_API int Travik_Fps(int handle, ...);
/* Not supported by this camera: 0, with 11 posted (not pushed). */
TRAVIK_API int Travik_GetHalfClock(int handle, ...);
/* Not supported by this camera: 0, with 11 posted (not pushed). */
TRAVIK_API int Travik_SetHalfClock(int handle, ...);
/* Not supported by this camera: 0, with 11 posted (not pushed). */
TRAVIK_API int Travik_SetCrossbar(int handle, ...);
/* Not supported by this camera: 0, with 11 posted (not pushed). */
TRAVIK_API int Travik_SetSamplingRate(int handle, ...);
/* Stores 0 through a non-NULL pointer and returns 0; reports nothing. */
TRAVIK_API int Travik_GetSamplingRate(int handle, int* rate);
/* Stores 0 through a non-NULL pointer and returns 0; reports nothing. */
TRAVIK_API int Travik_GetVideoFormat(int handle, int* format);

#endif /* TRAVIK_SDK_H */
