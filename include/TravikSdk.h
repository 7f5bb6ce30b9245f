/* TravikSdk.h: the public C interface of TravikSdk_380TZ4_RDX.dll, the SDK of the Travik380TZ4-RDX camera. */
#ifndef TRAVIK_SDK_H
#define TRAVIK_SDK_H

/**
 * @file TravikSdk.h
 * @brief The C interface of `TravikSdk_380TZ4_RDX.dll`: 124 flat `Travik_*` exports.
 *
 * Every export returns a 32-bit `int`. Every export but Travik_GetDllVersion() takes the camera
 * handle from Travik_Initialize() first; an unknown handle returns the failure value at once
 * (0, or -1 where stated) and reports nothing. Unless a function says otherwise it returns 1 for
 * success and 0 for failure, and the reason of a failure is *reported*: pushed on the camera's
 * error stack (read with Travik_GetLastError()) and posted as #WM_CAMERA_ERROR to the window given
 * to Travik_Initialize(). A few failures are *posted only*: the message is posted (to the calling
 * thread's own queue when the application gave no window) and the stack is left alone. The
 * "Errors" paragraph of each function lists its codes; see @ref errors.
 *
 * Link with `TravikSdk_380TZ4_RDX.lib` (MSVC) or `TravikSdk_380TZ4_RDX.dll.a` (MinGW). See
 * @ref getting_started for a complete program.
 */

#include <windows.h>
#include <stddef.h>

/** @cond TRAVIK_INTERNAL */
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
/** @endcond */

/**
 * @brief Frame notice posted to the notification window of Travik_CallBackPreview() and
 * Travik_Trigger().
 *
 * For each frame: wParam is the address of the camera's FrameInfo record, lParam 0. When an
 * acquisition thread fails: wParam 0 and lParam the error code (#ERR_MEMORY, #ERR_TRANSFER or
 * #ERR_DEVICE_LOST), in addition to the report of #WM_CAMERA_ERROR.
 */
#define WM_CAMERA_NOTIFY (WM_APP + 2)
/** @brief Error message posted to the application's window: wParam 0, lParam the error code. */
#define WM_CAMERA_ERROR (WM_APP + 3)

/** @brief The value Travik_GetDllVersion() returns: version 1.167.5.31, one byte per field. */
#define TRAVIK_DLL_VERSION 0x01A7051F

/** @brief Error codes, drained newest first by Travik_GetLastError(). See @ref errors. */
enum TravikError {
    ERR_NONE = 0,           /**< no error recorded */
    ERR_UNAVAILABLE = 1,    /**< no device object, no image yet, or the acquisition state forbids it */
    ERR_DEVICE = 2,         /**< device absent, not selectable, or streaming to another application */
    ERR_THREAD = 3,         /**< an event or a thread could not be created */
    ERR_WINDOW = 4,         /**< preview window or its DC not created; no capture-window preset matches */
    ERR_MEMORY = 5,         /**< initialisation, image buffer, caller buffer too small, no image data */
    ERR_DEVICE_IO = 6,      /**< register access or transfer start refused by the device */
    ERR_GEOMETRY = 7,       /**< the capture window is invalid */
    ERR_TRANSFER = 8,       /**< a frame transfer failed or timed out */
    ERR_PARAMETER = 9,      /**< an argument is out of range or null */
    ERR_NOT_SUPPORTED = 11, /**< not supported by this camera */
    ERR_FILE = 12,          /**< file name conversion, file creation, or recording start failed */
    ERR_DEVICE_LOST = 13    /**< the device stopped answering while streaming */
};

/** @brief Keys of Travik_SetFilterValue() and Travik_GetFilterValue(). */
enum TravikFilter {
    FILTER_BRIGHTNESS = 1,        /**< brightness, -255..255 */
    FILTER_CONTRAST = 2,          /**< contrast, -127..127 */
    FILTER_HUE = 3,               /**< hue in degrees, -360..360 */
    FILTER_SATURATION = 4,        /**< saturation, -255..255 */
    FILTER_SHARPNESS = 5,         /**< sharpness, 0..30 */
    FILTER_BAYER_GAIN_RGB = 6,    /**< white-balance gains packed red | green << 8 | blue << 16 */
    FILTER_BAYER_GAIN_RED = 7,    /**< red white-balance gain in percent, 0..400 */
    FILTER_BAYER_GAIN_GREEN = 8,  /**< green white-balance gain in percent, 0..400 */
    FILTER_BAYER_GAIN_BLUE = 9,   /**< blue white-balance gain in percent, 0..400 */
    FILTER_BAYER_GAIN_AUTO = 10,  /**< automatic white balance, 0 or 1 */
    FILTER_GAMMA = 11,            /**< gamma, 0..200, 100 neutral */
    FILTER_BAYER_MODE = 12,       /**< Bayer phase of the first delivered row, 0..3 */
    FILTER_GLOBAL_GAIN = 13,      /**< sensor gain, 0..1023 */
    FILTER_COLOR_GAIN_RED = 14,   /**< colour gain red, 0 only */
    FILTER_COLOR_GAIN_GREEN1 = 15, /**< colour gain green 1, 0 only */
    FILTER_COLOR_GAIN_GREEN2 = 16, /**< colour gain green 2, 0 only */
    FILTER_COLOR_GAIN_BLUE = 17,  /**< colour gain blue, 0 only */
    FILTER_EXPOSURE_TIME = 18,    /**< exposure value, 3 (longest)..1003 (shortest) */
    FILTER_GRAY_MODE = 19,        /**< gray mode, 0..2 */
    FILTER_GRAY_GAIN_R = 20,      /**< gray gain R in 1/128, 0..255 */
    FILTER_GRAY_GAIN_G1 = 21,     /**< gray gain G1 in 1/128, 0..255 */
    FILTER_GRAY_GAIN_G2 = 22,     /**< gray gain G2 in 1/128, 0..255 */
    FILTER_GRAY_GAIN_B = 23,      /**< gray gain B in 1/128, 0..255 */
    FILTER_GRAY_OFFSET_R = 24,    /**< gray offset R, -255..255 */
    FILTER_GRAY_OFFSET_G1 = 25,   /**< gray offset G1, -255..255 */
    FILTER_GRAY_OFFSET_G2 = 26,   /**< gray offset G2, -255..255 */
    FILTER_GRAY_OFFSET_B = 27,    /**< gray offset B, -255..255 */
    FILTER_GRAY_AUTO = 28         /**< automatic gray gains */
};

/** @brief The 32-byte record whose address each frame notice (#WM_CAMERA_NOTIFY) carries. */
typedef struct FrameInfo {
    int size;              /**< always 32 */
    int width;             /**< pixels per row */
    int height;            /**< rows */
    int bitsPerPixel;      /**< 8, 16, 24, 32, 48 or 64 */
    int frameRate;         /**< frames per second times 10 */
    unsigned char* buffer; /**< the caller's buffer given to the acquisition call */
} FrameInfo;

/** @brief Filled by Travik_GetCameraInfo(); the caller sets `size` (at least 36). */
typedef struct CameraInfo {
    int size;        /**< bytes of the record, set by the caller, at least 36 */
    int width;       /**< sensor width in pixels */
    int height;      /**< sensor height in rows */
    int minGain;     /**< smallest sensor gain */
    int maxGain;     /**< largest sensor gain */
    int reserved1;   /**< reserved */
    int reserved2;   /**< reserved */
    int minExposure; /**< smallest exposure value */
    int maxExposure; /**< largest exposure value */
} CameraInfo;

/** @cond TRAVIK_INTERNAL */
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
/** @endcond */

/* ---- Frame, registry and errors ------------------------------------------------------------------ */

/**
 * @brief Opens a camera object and returns its handle.
 *
 * Loads the settings of device 0 from the registry and starts the sensor. The handle is returned
 * even when initialisation fails: the reason is on the camera's error stack, and the handle must
 * still be released with Travik_Release().
 *
 * @param window the application's window that receives #WM_CAMERA_ERROR; may be NULL
 * @return the new handle, or 0 when no camera object could be made
 * @par Errors
 * #ERR_MEMORY (initialisation failed), #ERR_GEOMETRY (stored capture window invalid), reported; a failure before the window is stored is pushed but not posted.
 */
TRAVIK_API int Travik_Initialize(HWND window);
/**
 * @brief Saves the settings, closes the camera and frees everything it owns.
 *
 * The handle is unknown to every call from then on, and its number is never issued again in the
 * process.
 *
 * @param handle camera handle from Travik_Initialize()
 * @return 1, or 0 for an unknown handle
 * @par Errors
 * None.
 * @par State and threads
 * Stops preview, trigger mode and recording first. Called outside the library, it waits for
 * exports of the camera still running on other threads (answering messages sent to the calling
 * thread meanwhile). Called from a window procedure while an export runs lower on the same thread
 * (e.g. in #WM_CAMERA_ERROR during a settings dialog or Travik_StopPreview()), it returns at once:
 * the running exports finish on the intact camera and return their own results, and the last of
 * them saves, closes and frees it as it returns.
 */
TRAVIK_API int Travik_Release(int handle);
/**
 * @brief Removes and returns the newest error code of the camera.
 *
 * The stack holds the 20 newest codes; draining it returns them newest first.
 *
 * @param handle camera handle from Travik_Initialize()
 * @return the newest code (an #TravikError value), or 0 when none or for an unknown handle
 * @par Errors
 * None.
 */
TRAVIK_API int Travik_GetLastError(int handle);
/**
 * @brief Returns the library version.
 *
 * Needs no handle and works before any Travik_Initialize().
 *
 * @return #TRAVIK_DLL_VERSION, 0x01A7051F
 * @par Errors
 * None.
 */
TRAVIK_API int Travik_GetDllVersion(void);

/* ---- Camera object and devices ------------------------------------------------------------------- */

/**
 * @brief Lists the present devices by name.
 *
 * Writes "Travik380TZ4-RDX_nn" (nn the device number + 1, from 01) into consecutive 256-byte
 * slots, one per present device.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param buffer at least 10 slots of 256 bytes
 * @return the number of present devices
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), #ERR_PARAMETER (NULL buffer), reported.
 */
TRAVIK_API int Travik_EnumDevice(int handle, char* buffer);
/**
 * @brief As Travik_EnumDevice() with wide slots.
 *
 * Uses the presence last refreshed.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param buffer at least 10 slots of 256 characters
 * @return the number of present devices
 * @par Errors
 * As Travik_EnumDevice().
 */
TRAVIK_API int Travik_EnumDeviceW(int handle, wchar_t* buffer);
/**
 * @brief Writes the name of one device.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param device device number, 0..31
 * @param buffer receives the zero-terminated name
 * @param length bytes of buffer, at least 20
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), #ERR_PARAMETER (length below 20, bad number), #ERR_DEVICE (absent), reported.
 */
TRAVIK_API int Travik_GetDeviceName(int handle, int device, char* buffer, int length);
/**
 * @brief As Travik_GetDeviceName() with a wide buffer.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param device device number, 0..31
 * @param buffer receives the zero-terminated name
 * @param length characters of buffer, at least 20
 * @return 1, or 0
 * @par Errors
 * As Travik_GetDeviceName().
 */
TRAVIK_API int Travik_GetDeviceNameW(int handle, int device, wchar_t* buffer, int length);
/**
 * @brief Selects the device that the camera object drives.
 *
 * Saves the current device's settings and loads those of the new one.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param device device number, 0..31
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), #ERR_DEVICE (absent or selection failed), reported.
 * @par State and threads
 * Idle: selects the device. While acquisition runs: a device that is not present is refused with
 * #ERR_DEVICE before anything stops; otherwise acquisition stops (the old device's owner record is
 * freed), the new device is opened and acquisition starts again on it in the same state. When that
 * start fails (say the device streams to another application), the new device stays selected and
 * the call returns 0 with the start's code. Refused with #ERR_UNAVAILABLE, changing nothing, while
 * a recording runs.
 */
TRAVIK_API int Travik_SetDeviceNumber(int handle, int device);
/**
 * @brief Describes the sensor's size, gain and exposure ranges.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param info record to fill; the caller sets info->size, at least 36
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), #ERR_PARAMETER (NULL), #ERR_MEMORY (size below 36), reported.
 */
TRAVIK_API int Travik_GetCameraInfo(int handle, CameraInfo* info);
/**
 * @brief Stops acquisition and destroys the preview window.
 *
 * The camera stays open and usable.
 *
 * @param handle camera handle from Travik_Initialize()
 * @return 1
 * @par Errors
 * None.
 * @par State and threads
 * Stops acquisition (also when no device object is left) and waits for the worker and recording
 * threads to end. The exports of one camera run one at a time: a call made while a call on the
 * same camera runs on another thread waits for it, answering messages sent to the calling thread
 * meanwhile.
 */
TRAVIK_API int Travik_Close(int handle);

/* ---- Acquisition and preview window -------------------------------------------------------------- */

/**
 * @brief Starts live preview.
 *
 * Starts the worker and transfer threads and draws into the preview window when one is configured
 * (Travik_SetPreviewWindow()).
 *
 * While preview or trigger mode runs, the worker splits the processing of each frame (colour
 * interpolation and image filters) across up to four threads of the library, no more than the
 * machine has; they end with the acquisition, and the pixels are the same as on one thread. The
 * environment variable `TRAVIK_THREADS`, read once per process, lowers that limit: `TRAVIK_THREADS=1`
 * keeps the processing on the worker thread alone. Single frames (Travik_SnapShot(),
 * Travik_Capture()) are processed on the calling thread.
 *
 * @param handle camera handle from Travik_Initialize()
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object, capture or trigger mode running, preparation failed), #ERR_DEVICE (device absent or streamed by another application), #ERR_THREAD, #ERR_MEMORY, #ERR_DEVICE_IO, #ERR_GEOMETRY, reported. Failures while streaming are reported from the worker thread.
 * @par State and threads
 * Starts preview from idle. When the camera is gone it returns 0 with #ERR_DEVICE_LOST. A camera
 * lost while acquisition runs is told once with #ERR_DEVICE_LOST, to the notice window and the
 * application; once it is plugged in again, Travik_StopPreview() and a new start bring frames back
 * without a release. The exports of one camera run one at a time: a call made while a call on the
 * same camera runs on another thread waits for it, answering messages sent to the calling thread
 * meanwhile.
 */
TRAVIK_API int Travik_StartPreview(int handle);
/**
 * @brief Stops preview, capture or trigger mode.
 *
 * Waits for the worker, its frame-processing threads and the recording thread; a running
 * recording ends with a finished file.
 *
 * @param handle camera handle from Travik_Initialize()
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), reported.
 * @par State and threads
 * Ends preview, capture, trigger mode and a recording, whose file is finished. It never waits out
 * the wait time or a pending trigger time-out. The exports of one camera run one at a time: a call
 * made while a call on the same camera runs on another thread waits for it, answering messages
 * sent to the calling thread meanwhile.
 */
TRAVIK_API int Travik_StopPreview(int handle);
/**
 * @brief Opens the preview window when one is configured and starts preview without notices.
 *
 * @param handle camera handle from Travik_Initialize()
 * @return 1, or 0
 * @par Errors
 * #ERR_WINDOW (window), #ERR_TRANSFER (start failed, after the start's own code); those of Travik_StartPreview(); reported.
 * @par State and threads
 * The preview window belongs to the calling thread, which must dispatch its messages. Called while
 * preview runs, the new target replaces the old one between two frames. The exports of one camera
 * run one at a time: a call made while a call on the same camera runs on another thread waits for
 * it, answering messages sent to the calling thread meanwhile.
 */
TRAVIK_API int Travik_Preview(int handle);
/**
 * @brief Starts preview that copies every frame into the caller's buffer and posts a notice.
 *
 * For each frame the worker converts the image, copies it into buffer and posts #WM_CAMERA_NOTIFY to
 * window with the address of a FrameInfo record.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param window receives #WM_CAMERA_NOTIFY per frame
 * @param buffer receives each image; it must stay valid until preview stops
 * @param length bytes of buffer, at least width times height times bytes per pixel
 * @param rowOrder non-zero: the first sensor row first; 0: the last row first
 * @return 1, or 0
 * @par Errors
 * As Travik_Preview(); while streaming, #ERR_MEMORY, #ERR_TRANSFER and #ERR_DEVICE_LOST are reported and also sent as #WM_CAMERA_NOTIFY.
 * @par State and threads
 * The worker writes buffer while preview runs; read it in the handler of the notice. Called while
 * preview runs, the new window and buffer replace the old ones between two frames: once the call
 * has returned, the old buffer is never written again and notices go to the new window. The
 * exports of one camera run one at a time: a call made while a call on the same camera runs on
 * another thread waits for it, answering messages sent to the calling thread meanwhile.
 */
TRAVIK_API int Travik_CallBackPreview(int handle, HWND window, unsigned char* buffer, int length, int rowOrder);
/**
 * @brief Enters capture state, in which Travik_SnapShot() keeps the grab open.
 *
 * @param handle camera handle from Travik_Initialize()
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object, preview or trigger mode running), reported.
 * @par State and threads
 * Acquisition runs on the library's worker and transfer threads; call the acquisition exports of one camera from one thread at a time.
 */
TRAVIK_API int Travik_Capture(int handle);
/**
 * @brief Grabs, converts and copies out one frame on the calling thread.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param buffer receives the image; NULL to only convert it
 * @param length bytes of buffer; 0 to only convert
 * @param rowOrder non-zero: the first sensor row first; 0: the last row first
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (preview or trigger running, preparation failed), #ERR_MEMORY (buffer too small), #ERR_TRANSFER (no frame), reported.
 * @par State and threads
 * Acquisition runs on the library's worker and transfer threads; call the acquisition exports of one camera from one thread at a time.
 */
TRAVIK_API int Travik_SnapShot(int handle, unsigned char* buffer, int length, int rowOrder);
/**
 * @brief Starts trigger mode: one notice per externally triggered frame.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param window receives #WM_CAMERA_NOTIFY per frame
 * @param buffer receives each image; it must stay valid until trigger mode stops
 * @param length bytes of buffer
 * @param rowOrder non-zero: the first sensor row first; 0: the last row first
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE, #ERR_THREAD, #ERR_WINDOW, reported.
 * @par State and threads
 * Called while trigger mode runs, the new window and buffer replace the old ones as
 * Travik_CallBackPreview() does. A camera lost in trigger mode is told once with #ERR_DEVICE_LOST
 * and the worker stops; it never spins. The exports of one camera run one at a time: a call made
 * while a call on the same camera runs on another thread waits for it, answering messages sent to
 * the calling thread meanwhile.
 */
TRAVIK_API int Travik_Trigger(int handle, HWND window, unsigned char* buffer, int length, int rowOrder);
/**
 * @brief Copies the last output image into the caller's buffer.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param buffer receives the image
 * @param length bytes of buffer
 * @param rowOrder non-zero: the first sensor row first; 0: the last row first
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object or no image yet), #ERR_MEMORY (NULL or short buffer), reported.
 * @par State and threads
 * Takes the image lock, so it never sees a half-converted frame.
 */
TRAVIK_API int Travik_GetImage(int handle, unsigned char* buffer, int length, int rowOrder);
/**
 * @brief Sets the parent and rectangle of the preview window made at the next start.
 *
 * All zero and no parent: no preview window is made.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param parent parent window, or NULL for a top-level window
 * @param x left edge in the parent's client area
 * @param y top edge
 * @param width width in pixels
 * @param height height in pixels
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), reported.
 * @par State and threads
 * Idle or capture: stored; the window is made at the next start. While preview or trigger mode
 * runs: the old window and its class are released, the new window is made and acquisition starts
 * again. Refused with #ERR_UNAVAILABLE, changing nothing, while a recording runs. A preview window
 * that the user closed is made again at the next start.
 */
TRAVIK_API int Travik_SetPreviewWindow(int handle, HWND parent, int x, int y, int width, int height);
/**
 * @brief Kept for compatibility.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param reserved not used
 * @return always 0
 * @par Errors
 * None.
 */
TRAVIK_API int Travik_GetStatus(int handle, void* reserved);

/* ---- Settings ------------------------------------------------------------------------------------ */

/**
 * @brief Sets one filter or sensor setting.
 *
 * Sensor settings (gain, exposure) are sent to the camera at once; image filters apply from the next
 * converted frame.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param id which setting, a #TravikFilter value
 * @param value the new value, in the range of the id
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), #ERR_PARAMETER (id or value out of range), reported.
 * @par State and threads
 * May be called while preview runs; the worker reads the settings per frame.
 */
TRAVIK_API int Travik_SetFilterValue(int handle, int id, int value);
/**
 * @brief Returns the value of one filter or sensor setting.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param id which setting, a #TravikFilter value
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), #ERR_PARAMETER (unknown id), reported.
 */
TRAVIK_API int Travik_GetFilterValue(int handle, int id, int* ok);
/**
 * @brief Sets the brightness: Travik_SetFilterValue() with #FILTER_BRIGHTNESS.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The brightness, -255..255
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetBrightness(int handle, int value);
/**
 * @brief Returns the brightness: Travik_GetFilterValue() with #FILTER_BRIGHTNESS.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetBrightness(int handle, int* ok);
/**
 * @brief Sets the contrast: Travik_SetFilterValue() with #FILTER_CONTRAST.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The contrast, -127..127
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetContrast(int handle, int value);
/**
 * @brief Returns the contrast: Travik_GetFilterValue() with #FILTER_CONTRAST.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetContrast(int handle, int* ok);
/**
 * @brief Sets the hue in degrees: Travik_SetFilterValue() with #FILTER_HUE.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The hue in degrees, -360..360
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetHue(int handle, int value);
/**
 * @brief Returns the hue in degrees: Travik_GetFilterValue() with #FILTER_HUE.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetHue(int handle, int* ok);
/**
 * @brief Sets the saturation: Travik_SetFilterValue() with #FILTER_SATURATION.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The saturation, -255..255
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetSaturation(int handle, int value);
/**
 * @brief Returns the saturation: Travik_GetFilterValue() with #FILTER_SATURATION.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetSaturation(int handle, int* ok);
/**
 * @brief Sets the sharpness: Travik_SetFilterValue() with #FILTER_SHARPNESS.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The sharpness, 0..30
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetSharpness(int handle, int value);
/**
 * @brief Returns the sharpness: Travik_GetFilterValue() with #FILTER_SHARPNESS.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetSharpness(int handle, int* ok);
/**
 * @brief Sets the white-balance gains packed red | green << 8 | blue << 16: Travik_SetFilterValue() with #FILTER_BAYER_GAIN_RGB.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The white-balance gains packed red | green << 8 | blue << 16
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetBayerGainRGB(int handle, int value);
/**
 * @brief Returns the white-balance gains packed red | green << 8 | blue << 16: Travik_GetFilterValue() with #FILTER_BAYER_GAIN_RGB.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetBayerGainRGB(int handle, int* ok);
/**
 * @brief Sets the red white-balance gain in percent: Travik_SetFilterValue() with #FILTER_BAYER_GAIN_RED.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The red white-balance gain in percent, 0..400
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetBayerGainRed(int handle, int value);
/**
 * @brief Returns the red white-balance gain in percent: Travik_GetFilterValue() with #FILTER_BAYER_GAIN_RED.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetBayerGainRed(int handle, int* ok);
/**
 * @brief Sets the green white-balance gain in percent: Travik_SetFilterValue() with #FILTER_BAYER_GAIN_GREEN.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The green white-balance gain in percent, 0..400
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetBayerGainGreen(int handle, int value);
/**
 * @brief Returns the green white-balance gain in percent: Travik_GetFilterValue() with #FILTER_BAYER_GAIN_GREEN.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetBayerGainGreen(int handle, int* ok);
/**
 * @brief Sets the blue white-balance gain in percent: Travik_SetFilterValue() with #FILTER_BAYER_GAIN_BLUE.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The blue white-balance gain in percent, 0..400
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetBayerGainBlue(int handle, int value);
/**
 * @brief Returns the blue white-balance gain in percent: Travik_GetFilterValue() with #FILTER_BAYER_GAIN_BLUE.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetBayerGainBlue(int handle, int* ok);
/**
 * @brief Sets the automatic white balance: Travik_SetFilterValue() with #FILTER_BAYER_GAIN_AUTO.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The automatic white balance, 0 or 1
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetBayerGainAuto(int handle, int value);
/**
 * @brief Returns the automatic white balance: Travik_GetFilterValue() with #FILTER_BAYER_GAIN_AUTO.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetBayerGainAuto(int handle, int* ok);
/**
 * @brief Sets the gamma (100 neutral): Travik_SetFilterValue() with #FILTER_GAMMA.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The gamma (100 neutral), 0..200
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetGamma(int handle, int value);
/**
 * @brief Returns the gamma (100 neutral): Travik_GetFilterValue() with #FILTER_GAMMA.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetGamma(int handle, int* ok);
/**
 * @brief Sets the Bayer mode: Travik_SetFilterValue() with #FILTER_BAYER_MODE.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The Bayer mode, 0..3
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetBayerMode(int handle, int value);
/**
 * @brief Returns the Bayer mode: Travik_GetFilterValue() with #FILTER_BAYER_MODE.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetBayerMode(int handle, int* ok);
/**
 * @brief Sets the sensor gain: Travik_SetFilterValue() with #FILTER_GLOBAL_GAIN.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The sensor gain, 0..1023
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetGlobalGain(int handle, int value);
/**
 * @brief Returns the sensor gain: Travik_GetFilterValue() with #FILTER_GLOBAL_GAIN.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetGlobalGain(int handle, int* ok);
/**
 * @brief Sets the colour gain red: Travik_SetFilterValue() with #FILTER_COLOR_GAIN_RED.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The colour gain red, 0 only
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetColorGainRed(int handle, int value);
/**
 * @brief Returns the colour gain red: Travik_GetFilterValue() with #FILTER_COLOR_GAIN_RED.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetColorGainRed(int handle, int* ok);
/**
 * @brief Sets the colour gain green 1: Travik_SetFilterValue() with #FILTER_COLOR_GAIN_GREEN1.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The colour gain green 1, 0 only
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetColorGainGreen1(int handle, int value);
/**
 * @brief Returns the colour gain green 1: Travik_GetFilterValue() with #FILTER_COLOR_GAIN_GREEN1.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetColorGainGreen1(int handle, int* ok);
/**
 * @brief Sets the colour gain green 2: Travik_SetFilterValue() with #FILTER_COLOR_GAIN_GREEN2.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The colour gain green 2, 0 only
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetColorGainGreen2(int handle, int value);
/**
 * @brief Returns the colour gain green 2: Travik_GetFilterValue() with #FILTER_COLOR_GAIN_GREEN2.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetColorGainGreen2(int handle, int* ok);
/**
 * @brief Sets the colour gain blue: Travik_SetFilterValue() with #FILTER_COLOR_GAIN_BLUE.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The colour gain blue, 0 only
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetColorGainBlue(int handle, int value);
/**
 * @brief Returns the colour gain blue: Travik_GetFilterValue() with #FILTER_COLOR_GAIN_BLUE.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetColorGainBlue(int handle, int* ok);
/**
 * @brief Sets the exposure value: Travik_SetFilterValue() with #FILTER_EXPOSURE_TIME.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The exposure value, 3 (longest)..1003 (shortest)
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetExposureTime(int handle, int value);
/**
 * @brief Returns the exposure value: Travik_GetFilterValue() with #FILTER_EXPOSURE_TIME.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetExposureTime(int handle, int* ok);
/**
 * @brief Sets the gray mode: Travik_SetFilterValue() with #FILTER_GRAY_MODE.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The gray mode, 0..2
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetGrayMode(int handle, int value);
/**
 * @brief Returns the gray mode: Travik_GetFilterValue() with #FILTER_GRAY_MODE.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetGrayMode(int handle, int* ok);
/**
 * @brief Sets the gray gain R in 1/128: Travik_SetFilterValue() with #FILTER_GRAY_GAIN_R.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The gray gain R in 1/128, 0..255
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetGrayGainR(int handle, int value);
/**
 * @brief Returns the gray gain R in 1/128: Travik_GetFilterValue() with #FILTER_GRAY_GAIN_R.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetGrayGainR(int handle, int* ok);
/**
 * @brief Sets the gray gain G1 in 1/128: Travik_SetFilterValue() with #FILTER_GRAY_GAIN_G1.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The gray gain G1 in 1/128, 0..255
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetGrayGainG1(int handle, int value);
/**
 * @brief Returns the gray gain G1 in 1/128: Travik_GetFilterValue() with #FILTER_GRAY_GAIN_G1.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetGrayGainG1(int handle, int* ok);
/**
 * @brief Sets the gray gain G2 in 1/128: Travik_SetFilterValue() with #FILTER_GRAY_GAIN_G2.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The gray gain G2 in 1/128, 0..255
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetGrayGainG2(int handle, int value);
/**
 * @brief Returns the gray gain G2 in 1/128: Travik_GetFilterValue() with #FILTER_GRAY_GAIN_G2.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetGrayGainG2(int handle, int* ok);
/**
 * @brief Sets the gray gain B in 1/128: Travik_SetFilterValue() with #FILTER_GRAY_GAIN_B.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The gray gain B in 1/128, 0..255
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetGrayGainB(int handle, int value);
/**
 * @brief Returns the gray gain B in 1/128: Travik_GetFilterValue() with #FILTER_GRAY_GAIN_B.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetGrayGainB(int handle, int* ok);
/**
 * @brief Sets the gray offset R: Travik_SetFilterValue() with #FILTER_GRAY_OFFSET_R.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The gray offset R, -255..255
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetGrayOffsetR(int handle, int value);
/**
 * @brief Returns the gray offset R: Travik_GetFilterValue() with #FILTER_GRAY_OFFSET_R.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetGrayOffsetR(int handle, int* ok);
/**
 * @brief Sets the gray offset G1: Travik_SetFilterValue() with #FILTER_GRAY_OFFSET_G1.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The gray offset G1, -255..255
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetGrayOffsetG1(int handle, int value);
/**
 * @brief Returns the gray offset G1: Travik_GetFilterValue() with #FILTER_GRAY_OFFSET_G1.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetGrayOffsetG1(int handle, int* ok);
/**
 * @brief Sets the gray offset G2: Travik_SetFilterValue() with #FILTER_GRAY_OFFSET_G2.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The gray offset G2, -255..255
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetGrayOffsetG2(int handle, int value);
/**
 * @brief Returns the gray offset G2: Travik_GetFilterValue() with #FILTER_GRAY_OFFSET_G2.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetGrayOffsetG2(int handle, int* ok);
/**
 * @brief Sets the gray offset B: Travik_SetFilterValue() with #FILTER_GRAY_OFFSET_B.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value The gray offset B, -255..255
 * @return 1, or 0
 * @par Errors
 * As Travik_SetFilterValue().
 */
TRAVIK_API int Travik_SetGrayOffsetB(int handle, int value);
/**
 * @brief Returns the gray offset B: Travik_GetFilterValue() with #FILTER_GRAY_OFFSET_B.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the value; 0 on failure
 * @par Errors
 * As Travik_GetFilterValue().
 */
TRAVIK_API int Travik_GetGrayOffsetB(int handle, int* ok);
/**
 * @brief Sets the output format.
 *
 * 8: 8-bit monochrome; 16: 10-bit monochrome in 16-bit samples; 24, 32: colour of 8 bits per channel;
 * 48, 64: colour of 16-bit samples carrying 10 bits.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param bits 8, 16, 24, 32, 48 or 64
 * @return 1, or 0
 * @par Errors
 * #ERR_PARAMETER (other value), reported.
 * @par State and threads
 * Idle: stored for the next start. While preview, capture or trigger mode runs: applied at once:
 * acquisition is paused, prepared again and started again in the same state, trigger mode
 * included, and the next notices carry the new format (the mode already set does not restart).
 * Refused with #ERR_UNAVAILABLE, changing nothing, while a recording runs.
 */
TRAVIK_API int Travik_SetColorMode(int handle, int bits);
/**
 * @brief Returns the significant bits of the output format.
 *
 * @param handle camera handle from Travik_Initialize()
 * @return 8, 10, 24, 32, 42 or 58; -1 for an unknown handle or a stored mode out of range
 * @par Errors
 * None.
 */
TRAVIK_API int Travik_GetColorMode(int handle);
/**
 * @brief Sets the sub-sample mode; only mode 0 exists.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param mode 0
 * @return 1 for mode 0, else 0
 * @par Errors
 * None: other modes are refused without a report.
 * @par State and threads
 * While acquisition runs, a changed value is applied at once: acquisition is paused, prepared
 * again and started again in the same state, trigger mode included, and the next notices carry the
 * new format. Refused with #ERR_UNAVAILABLE, changing nothing, while a recording runs.
 */
TRAVIK_API int Travik_SetSubSample(int handle, int mode);
/**
 * @brief Returns the stored sub-sample mode.
 *
 * @param handle camera handle from Travik_Initialize()
 * @return the mode; -1 for an unknown handle
 * @par Errors
 * None.
 */
TRAVIK_API int Travik_GetSubSample(int handle);
/**
 * @brief Mirrors rows left-right.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param flag non-zero to mirror
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), reported.
 * @par State and threads
 * Applied between two frames in every state, with no restart.
 */
TRAVIK_API int Travik_SetMirrorH(int handle, int flag);
/**
 * @brief Returns the horizontal mirror flag.
 *
 * @param handle camera handle from Travik_Initialize()
 * @return 0 or 1; 0 on failure
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), reported.
 */
TRAVIK_API int Travik_GetMirrorH(int handle);
/**
 * @brief Mirrors the image top-bottom.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param flag non-zero to mirror
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), posted only.
 * @par State and threads
 * Applied between two frames in every state, with no restart.
 */
TRAVIK_API int Travik_SetMirrorV(int handle, int flag);
/**
 * @brief Returns the vertical mirror flag.
 *
 * @param handle camera handle from Travik_Initialize()
 * @return 0 or 1; 0 on failure
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), posted only.
 */
TRAVIK_API int Travik_GetMirrorV(int handle);
/**
 * @brief Sets automatic control of exposure or gain.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param mode 0 off, 1 exposure, 2 gain
 * @return 1, or 0
 * @par Errors
 * #ERR_PARAMETER (mode above 2), posted only.
 */
TRAVIK_API int Travik_SetAutoIris(int handle, int mode);
/**
 * @brief Returns the automatic control mode.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1; may be NULL
 * @return 0, 1 or 2
 * @par Errors
 * None.
 */
TRAVIK_API int Travik_GetAutoIris(int handle, int* ok);
/**
 * @brief Sets the time the preview loop sleeps per pass.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param milliseconds 0 or more
 * @return 1, or 0 for a negative value
 * @par Errors
 * None: a negative value is refused without a report.
 */
TRAVIK_API int Travik_SetWaitTime(int handle, int milliseconds);
/**
 * @brief Returns the wait time of the preview loop.
 *
 * @param handle camera handle from Travik_Initialize()
 * @return milliseconds; -1 for an unknown handle
 * @par Errors
 * None.
 */
TRAVIK_API int Travik_GetWaitTime(int handle);
/**
 * @brief Returns the width of the capture window.
 *
 * @param handle camera handle from Travik_Initialize()
 * @return the effective width in pixels; 0 for an unknown handle
 * @par Errors
 * None.
 */
TRAVIK_API int Travik_Width(int handle);
/**
 * @brief Returns the height of the capture window.
 *
 * @param handle camera handle from Travik_Initialize()
 * @return the effective height in rows; 0 for an unknown handle
 * @par Errors
 * None.
 */
TRAVIK_API int Travik_Height(int handle);
/**
 * @brief Takes the capture window from the registry preset of this size.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param width effective width of a stored preset
 * @param height effective height of a stored preset
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), #ERR_WINDOW (no registry root or no preset of this size), #ERR_GEOMETRY (invalid preset), reported.
 * @par State and threads
 * Idle: stored for the next start. While acquisition runs: applied at once: acquisition is paused,
 * prepared again and started again in the same state, trigger mode included, and the next notices
 * carry the new format. Refused with #ERR_UNAVAILABLE, changing nothing, while a recording runs.
 */
TRAVIK_API int Travik_SetCaptureWindow(int handle, int width, int height);
/**
 * @brief Sets the capture window.
 *
 * On failure the previous window is kept.
 *
 * Every image of the window shows the sensor's columns EHS to EHS + EH - 1 of rows EVS to
 * EVS + EV - 1, in every colour mode and acquisition; the mirrors turn the window as they turn the
 * full picture. Colour is interpolated from the window's own samples, so only its two outermost
 * rows and columns can differ from the same region of a full-frame image. The camera sends whole
 * sensor rows from the first down to the window's last, so a window's frame rate follows
 * EVS + EV, not its width.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param TH total width of the sensor line
 * @param EHS first column of the window
 * @param EH width of the window
 * @param TV total rows of the sensor frame
 * @param EVS first row of the window
 * @param EV height of the window
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), #ERR_GEOMETRY (invalid window), reported.
 * @par State and threads
 * Idle: stored as given; a window that does not fit fails the next start with #ERR_GEOMETRY. While
 * acquisition runs: a valid window is applied at once: acquisition is paused, prepared again and
 * started again in the same state, trigger mode included, and the next notices carry the new
 * format; an invalid one is refused with #ERR_GEOMETRY and the running window kept. Refused with
 * #ERR_UNAVAILABLE, changing nothing, while a recording runs.
 */
TRAVIK_API int Travik_SetCaptureWindowEx(int handle, int TH, int EHS, int EH, int TV, int EVS, int EV);
/**
 * @brief Reads the capture window into the non-NULL pointers.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param TH receives the total width; may be NULL
 * @param EHS receives the first column; may be NULL
 * @param EH receives the width; may be NULL
 * @param TV receives the total rows; may be NULL
 * @param EVS receives the first row; may be NULL
 * @param EV receives the height; may be NULL
 * @return 1
 * @par Errors
 * None.
 */
TRAVIK_API int Travik_GetCaptureWindowEx(int handle, int* TH, int* EHS, int* EH, int* TV, int* EVS, int* EV);
/**
 * @brief Sets the exposure from a time.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param microseconds exposure time in microseconds
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), #ERR_PARAMETER (time out of range), reported.
 */
TRAVIK_API int Travik_SetRealExposureTime(int handle, int microseconds);
/**
 * @brief Returns the exposure time.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return microseconds; 0 on failure
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), reported.
 */
TRAVIK_API int Travik_GetRealExposureTime(int handle, int* ok);
/**
 * @brief Not supported by this camera.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ... ignored
 * @return -1
 * @par Errors
 * #ERR_NOT_SUPPORTED, reported.
 */
TRAVIK_API int Travik_SetConfigFilter(int handle, ...);
/**
 * @brief Not supported by this camera.
 *
 * @param handle camera handle from Travik_Initialize()
 * @return -1
 * @par Errors
 * #ERR_NOT_SUPPORTED, reported.
 */
TRAVIK_API int Travik_GetConfigFilter(int handle);
/**
 * @brief Writes the camera's I/O port.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value the port value; the low 8 bits are used
 * @return the port write's 1 or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), posted only.
 */
TRAVIK_API int Travik_SetIOPort(int handle, int value);
/**
 * @brief Reads the camera's I/O port.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param value receives the port value (0 when the read fails)
 * @param reserved not used
 * @param reservedSize not used
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), #ERR_PARAMETER (NULL value), posted only.
 */
TRAVIK_API int Travik_GetIOPort(int handle, unsigned char* value, void* reserved, int reservedSize);

/* ---- Registers, serial ROM and I/O port ---------------------------------------------------------- */

/**
 * @brief Returns a sensor register from the camera's shadow copy.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param address register address; the low 8 bits are used
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the register value; 0 on failure
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), #ERR_DEVICE_IO (refused), reported.
 */
TRAVIK_API int Travik_ReadRegister(int handle, int address, int* ok);
/**
 * @brief Returns a sensor register from the camera's shadow copy.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param address register address, 0..1023 but not 192..255
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the register value; 0 on failure
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), #ERR_DEVICE_IO (refused), reported.
 */
TRAVIK_API int Travik_ReadRegisterEx(int handle, int address, int* ok);
/**
 * @brief Writes a sensor register.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param address register address; the low 8 bits are used
 * @param value the value; the low 16 bits are used
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), #ERR_DEVICE_IO (refused), reported.
 */
TRAVIK_API int Travik_WriteRegister(int handle, int address, int value);
/**
 * @brief Writes a sensor register by its full address.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param address register address
 * @param value the value, masked to the register's width
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), #ERR_DEVICE_IO (refused), reported.
 */
TRAVIK_API int Travik_WriteRegisterEx(int handle, int address, int value);
/**
 * @brief Reads a byte of the serial ROM's identification area.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param index byte index; byte 0x1800 + (index & 0xFF) is read
 * @param ok receives 1 on success and 0 on failure; may be NULL
 * @return the byte; 0 on failure
 * @par Errors
 * #ERR_UNAVAILABLE (no device object or the read failed), posted only.
 */
TRAVIK_API int Travik_ReadSromID(int handle, int index, int* ok);
/**
 * @brief Writes a byte of the serial ROM's identification area.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param index byte index in the identification area
 * @param value the byte
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object or the write failed), posted only.
 */
TRAVIK_API int Travik_WriteSromID(int handle, int index, int value);

/* ---- Files --------------------------------------------------------------------------------------- */

/**
 * @brief Keeps the 8-byte records of a configuration file.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param path the file, in the ANSI code page
 * @return 1, or 0 when it cannot be opened
 * @par Errors
 * None.
 */
TRAVIK_API int Travik_LoadConfigFileA(int handle, const char* path);
/**
 * @brief As Travik_LoadConfigFileA() with a wide path.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param path the file
 * @return 1, or 0
 * @par Errors
 * #ERR_FILE (the path has no ANSI form), reported.
 */
TRAVIK_API int Travik_LoadConfigFileW(int handle, const wchar_t* path);
/**
 * @brief Saves the current output image.
 *
 * Memory row 0 (the first row the camera delivers) is the top of the picture in every form but raw,
 * which holds the pixel bytes only.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param path the file, in the ANSI code page
 * @param fileType 0 BMP, 1 raw pixel bytes, 2/3/4 progressive JPEG of quality 100/70/20, 5 PNG, 6 uncompressed TIFF
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no image converted yet), reported; a file type out of range or a file that
 * cannot be written completely (a full disk included) returns 0 and reports nothing.
 * @par State and threads
 * Takes the image lock, so it may be called while preview runs.
 */
TRAVIK_API int Travik_SaveImage(int handle, const char* path, int fileType);
/**
 * @brief As Travik_SaveImage() with a wide path.
 *
 * The path is opened as given, so names outside the ANSI code page work. Writes even before the
 * first image.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param path the file
 * @param fileType as Travik_SaveImage()
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (path is NULL), reported; otherwise as Travik_SaveImage().
 * @par State and threads
 * As Travik_SaveImage().
 */
TRAVIK_API int Travik_SaveImageW(int handle, const wchar_t* path, int fileType);
/**
 * @brief Records an uncompressed 24-bit AVI file.
 *
 * Starts the preview if needed and records for time milliseconds from the first frame, on a thread
 * of its own. The file is an OpenDML AVI: RIFFs of under 1 GB, so a recording is limited only by
 * its time and the disk; the first RIFF alone is an AVI 1.0 file. Stopping or closing the preview
 * ends the recording early with a finished file. A recording that ends early by itself finishes
 * its file at once, holding every complete frame written, and reports why: #ERR_FILE when the file
 * could not take a frame (a full disk), #ERR_GEOMETRY when the output image changed its size or
 * depth, #ERR_DEVICE_LOST when the camera was lost under it (told once, by the acquisition).
 *
 * Each image is queued for the recording thread as it is made, in a queue of about a second of
 * frames allocated when the recording starts; a slow disk costs frames only when the queue is
 * full, and a stop writes every queued frame before the file is finished. #ERR_FILE also when
 * there is no memory for the queue.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param path the AVI file, in the ANSI code page
 * @param time recording length in milliseconds
 * @param showWindow non-zero: make a preview window as Travik_Preview() does
 * @return 1 when started, or 0
 * @par Errors
 * #ERR_PARAMETER (no path), #ERR_WINDOW, #ERR_FILE (preview or file failed), #ERR_THREAD, #ERR_UNAVAILABLE (a recording runs), reported.
 * @par State and threads
 * Returns at once; the recording thread ends by itself, at Travik_StopPreview(), Travik_Close() or
 * Travik_Release(). While it runs, changes of the capture window, colour mode, sub-sample, device
 * and preview window are refused with #ERR_UNAVAILABLE.
 */
TRAVIK_API int Travik_Record(int handle, const char* path, int time, int showWindow);
/**
 * @brief As Travik_Record() with a wide path.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param path the AVI file
 * @param time recording length in milliseconds
 * @param showWindow non-zero: make a preview window
 * @return 1 when started, or 0
 * @par Errors
 * As Travik_Record(); #ERR_FILE when path is NULL. The path is opened as given.
 * @par State and threads
 * As Travik_Record().
 */
TRAVIK_API int Travik_RecordW(int handle, const wchar_t* path, int time, int showWindow);

/* ---- Dialogs ------------------------------------------------------------------------------------- */

/**
 * @brief Shows the modal format dialog (colour mode, wait time).
 *
 * The values are stored in the registry and reloaded on OK.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param parentWindow owner of the dialog
 * @return 1 when shown, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object, or a format dialog already open in the process), reported.
 * @par State and threads
 * Runs on the calling thread until closed; preview or capture stops while it is open and starts
 * again after it; trigger mode pauses and, after OK, starts again in the new format. Exports
 * called while it is open (from other threads or from window procedures of the calling thread)
 * behave as at any other time; acquisition that they started goes on after the dialog, in the new
 * format after OK, and takes the place of the stopped preview or capture. After OK under a
 * recording started meanwhile, the camera keeps its format (#ERR_UNAVAILABLE) and the new values
 * wait in the registry for the next reload. A second dialog of a kind already open in the process
 * is refused with #ERR_UNAVAILABLE before it changes anything.
 */
TRAVIK_API int Travik_SetCameraDlg(int handle, HWND parentWindow);
/**
 * @brief Shows the modal image filter and gray filter dialog.
 *
 * Edits the filters live; Cancel restores them.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param parentWindow owner of the dialog
 * @return 1 when shown, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object, or an image filter dialog already open in the process), reported.
 * @par State and threads
 * Runs on the calling thread until closed; Cancel puts every value back as it was, between two
 * frames. A second dialog of a kind already open in the process is refused with #ERR_UNAVAILABLE
 * before it changes anything.
 */
TRAVIK_API int Travik_SetImageDlg(int handle, HWND parentWindow);
/**
 * @brief Shows the modal analog gain dialog.
 *
 * Applies gain, exposure and mirrors live; Cancel restores them.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param parentWindow owner of the dialog
 * @return 1 when shown, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object, or an analog gain dialog already open in the process), reported.
 * @par State and threads
 * Runs on the calling thread until closed; Cancel puts every value back as it was, the automatic
 * control first and then the sensor. Typed values are limited to their ranges. Each value the
 * dialog applies runs one at a time with the camera's exports, as an export would; the dialog
 * does not hold the camera while it waits for the user. A second dialog of a kind already open in
 * the process is refused with #ERR_UNAVAILABLE before it changes anything.
 */
TRAVIK_API int Travik_SetAnalogDlg(int handle, HWND parentWindow);

/* ---- Operations this camera does not support ----------------------------------------------------- */

/**
 * @brief Not supported by this camera.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ... ignored
 * @return 0
 * @par Errors
 * #ERR_NOT_SUPPORTED, posted only.
 */
TRAVIK_API int Travik_Fpga_ReadRegister(int handle, ...);
/**
 * @brief Not supported by this camera.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ... ignored
 * @return 0
 * @par Errors
 * #ERR_NOT_SUPPORTED, posted only.
 */
TRAVIK_API int Travik_Fpga_WriteRegister(int handle, ...);
/**
 * @brief Not supported by this camera.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ... ignored
 * @return 0
 * @par Errors
 * #ERR_NOT_SUPPORTED, posted only.
 */
TRAVIK_API int Travik_Fps(int handle, ...);
/**
 * @brief Not supported by this camera.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ... ignored
 * @return 0
 * @par Errors
 * #ERR_NOT_SUPPORTED, posted only.
 */
TRAVIK_API int Travik_GetHalfClock(int handle, ...);
/**
 * @brief Not supported by this camera.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ... ignored
 * @return 0
 * @par Errors
 * #ERR_NOT_SUPPORTED, posted only.
 */
TRAVIK_API int Travik_SetHalfClock(int handle, ...);
/**
 * @brief Not supported by this camera.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ... ignored
 * @return 0
 * @par Errors
 * #ERR_NOT_SUPPORTED, posted only.
 */
TRAVIK_API int Travik_SetCrossbar(int handle, ...);
/**
 * @brief Not supported by this camera.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param ... ignored
 * @return 0
 * @par Errors
 * #ERR_NOT_SUPPORTED, posted only.
 */
TRAVIK_API int Travik_SetSamplingRate(int handle, ...);
/**
 * @brief Not supported by this camera: stores 0.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param rate receives 0; may be NULL
 * @return 0
 * @par Errors
 * None.
 */
TRAVIK_API int Travik_GetSamplingRate(int handle, int* rate);
/**
 * @brief Not supported by this camera: stores 0.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param format receives 0; may be NULL
 * @return 0
 * @par Errors
 * None.
 */
TRAVIK_API int Travik_GetVideoFormat(int handle, int* format);

#endif /* TRAVIK_SDK_H */
