/* TravikSdk.h: the public C interface of TravikSdk_380TZ4_RDX.dll, the SDK of the Travik380TZ4-RDX camera. */
#ifndef TRAVIK_SDK_H
#define TRAVIK_SDK_H

/**
 * @file TravikSdk.h
 * @brief The C interface of `TravikSdk_380TZ4_RDX.dll`: 124 flat `Travik_*` exports, and the
 * `TravikEx_*` @ref extensions.
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
    FILTER_BRIGHTNESS = 1,         /**< brightness, -255..255 */
    FILTER_CONTRAST = 2,           /**< contrast, -127..127 */
    FILTER_HUE = 3,                /**< hue in degrees, -360..360 */
    FILTER_SATURATION = 4,         /**< saturation, -255..255 */
    FILTER_SHARPNESS = 5,          /**< sharpness, 0..30 */
    FILTER_BAYER_GAIN_RGB = 6,     /**< white-balance gains packed red | green << 8 | blue << 16 */
    FILTER_BAYER_GAIN_RED = 7,     /**< red white-balance gain in percent, 0..400 */
    FILTER_BAYER_GAIN_GREEN = 8,   /**< green white-balance gain in percent, 0..400 */
    FILTER_BAYER_GAIN_BLUE = 9,    /**< blue white-balance gain in percent, 0..400 */
    FILTER_BAYER_GAIN_AUTO = 10,   /**< automatic white balance, 0 or 1 */
    FILTER_GAMMA = 11,             /**< gamma, 0..200, 100 neutral */
    FILTER_BAYER_MODE = 12,        /**< Bayer phase of the first delivered row, 0..3 */
    FILTER_GLOBAL_GAIN = 13,       /**< sensor gain, 0..1023 */
    FILTER_COLOR_GAIN_RED = 14,    /**< colour gain red, 0 only */
    FILTER_COLOR_GAIN_GREEN1 = 15, /**< colour gain green 1, 0 only */
    FILTER_COLOR_GAIN_GREEN2 = 16, /**< colour gain green 2, 0 only */
    FILTER_COLOR_GAIN_BLUE = 17,   /**< colour gain blue, 0 only */
    FILTER_EXPOSURE_TIME = 18,     /**< exposure value, 3 (longest)..1003 (shortest) */
    FILTER_GRAY_MODE = 19,         /**< gray mode, 0..2 */
    FILTER_GRAY_GAIN_R = 20,       /**< gray gain R in 1/128, 0..255 */
    FILTER_GRAY_GAIN_G1 = 21,      /**< gray gain G1 in 1/128, 0..255 */
    FILTER_GRAY_GAIN_G2 = 22,      /**< gray gain G2 in 1/128, 0..255 */
    FILTER_GRAY_GAIN_B = 23,       /**< gray gain B in 1/128, 0..255 */
    FILTER_GRAY_OFFSET_R = 24,     /**< gray offset R, -255..255 */
    FILTER_GRAY_OFFSET_G1 = 25,    /**< gray offset G1, -255..255 */
    FILTER_GRAY_OFFSET_G2 = 26,    /**< gray offset G2, -255..255 */
    FILTER_GRAY_OFFSET_B = 27,     /**< gray offset B, -255..255 */
    FILTER_GRAY_AUTO = 28          /**< automatic gray gains, 0..1: 1 measures them once */
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
 * freed), the new device is opened and acquisition starts again on it in the same state (a frame
 * stream as the same stream, its frames held and queued kept). When that
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
 * Stops acquisition, the frame stream included (also when no device object is left), and waits for
 * the worker and recording threads to end. The exports of one camera run one at a time: a call made while a call on the
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
 * #ERR_UNAVAILABLE (no device object, capture, trigger mode or the frame stream running, preparation failed), #ERR_DEVICE (device absent or streamed by another application), #ERR_THREAD, #ERR_MEMORY, #ERR_DEVICE_IO, #ERR_GEOMETRY, reported. Failures while streaming are reported from the worker thread.
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
 * Ends preview, capture, trigger mode, the frame stream (TravikEx_StopStream()) and a recording,
 * whose file is finished. It never waits out
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
 * @warning A torn frame is possible. The buffer is one for every frame: the worker writes each new
 * frame into it whether or not the application has handled the notice of the last one, and the
 * notice carries no frame number. A notice handled after the next frame began to arrive finds part
 * of one frame and part of the next in the buffer, and nothing tells the application so. Copy the
 * buffer at once in the notice's handler, or take frames from the frame stream
 * (TravikEx_StartStream()), whose frames the SDK never writes while the application holds them;
 * see @ref taking_frames.
 * @par State and threads
 * The worker writes buffer while preview runs; read it in the handler of the notice. Called while
 * the frame stream runs it is refused with #ERR_UNAVAILABLE and the stream goes on. Called while
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
 * #ERR_UNAVAILABLE (no device object, preview, trigger mode or the frame stream running), reported.
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
 * #ERR_UNAVAILABLE (preview, trigger mode or the frame stream running, preparation failed), #ERR_MEMORY (buffer too small), #ERR_TRANSFER (no frame), reported.
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
 * again. While the frame stream runs: the window it draws into, if any, is released, a new one is
 * made when the new settings ask for one, and the stream goes on as the same stream. Refused with #ERR_UNAVAILABLE, changing nothing, while a recording runs. A preview window
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
 * May be called while preview or the frame stream runs: the worker reads the image filters per
 * frame, and gain and exposure reach the sensor at once, no restart. A frame stream's records carry
 * the new gain or exposure from the first transfer that begins after the call; the sensor may apply
 * it one frame later.
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
 * Idle: stored for the next start. While preview, capture, trigger mode or the frame stream runs:
 * applied at once: acquisition is paused, prepared again and started again in the same state,
 * trigger mode included, and the next notices carry the new format (the mode already set does not
 * restart). A running frame stream goes on through the restart as the same stream, with its queue,
 * its counts and the frames held; frames converted after it carry the new format in their records.
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
 * @param mode 0 only
 * @return 1 for mode 0, else 0
 * @par Errors
 * None: other modes are refused without a report.
 * @par State and threads
 * While acquisition runs, a changed value is applied at once: acquisition is paused, prepared
 * again and started again in the same state, trigger mode and the frame stream included, and the
 * next notices and frames carry the new format. Refused with #ERR_UNAVAILABLE, changing nothing,
 * while a recording runs.
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
 * Applied between two frames in every state, the frame stream's included, with no restart.
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
 * Applied between two frames in every state, the frame stream's included, with no restart.
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
 * @param mode 0..2: 0 off, 1 exposure, 2 gain
 * @return 1, or 0
 * @par Errors
 * #ERR_PARAMETER (mode above 2), posted only.
 * @par State and threads
 * Applied at once in every state: the worker measures each frame of preview, trigger mode and the
 * frame stream, and the exposure or gain it writes shows in the stream's records as a setter's
 * would.
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
 * @par State and threads
 * Applied from the next pass of the preview loop. The frame stream takes each frame as it comes
 * and never sleeps the wait time.
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
 * carry the new format. A running frame stream goes on through the restart as the same stream, with
 * its queue, its counts and the frames held; frames converted after it carry the new format in
 * their records.
 * Refused with #ERR_UNAVAILABLE, changing nothing, while a recording runs.
 */
TRAVIK_API int Travik_SetCaptureWindow(int handle, int width, int height);
/**
 * @brief Sets the capture window.
 *
 * Every image of the window shows the sensor's columns EHS to EHS + EH - 1 of rows EVS to
 * EVS + EV - 1, in every colour mode and acquisition; the mirrors turn the window as they turn the
 * full picture. Colour is interpolated from the window's own samples, so only its two outermost
 * rows and columns can differ from the same region of a full-frame image. The camera sends whole
 * sensor rows from the first down to the window's last, so a window's frame rate follows
 * EVS + EV, not its width.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param TH total width of the sensor line, not checked
 * @param EHS first column of the window, 0..1280
 * @param EH width of the window, 0..1280; EHS + EH at most 1280
 * @param TV total rows of the sensor frame, not checked
 * @param EVS first row of the window, 0..960
 * @param EV height of the window, 0..960; EVS + EV at most 960
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), #ERR_GEOMETRY (invalid window), reported.
 * @par State and threads
 * Idle: stored as given; a window that does not fit fails the next start with #ERR_GEOMETRY. While
 * acquisition runs: a valid window is applied at once: acquisition is paused, prepared again and
 * started again in the same state, trigger mode included, and the next notices carry the new
 * format; an invalid one is refused with #ERR_GEOMETRY and the running window kept. A running frame
 * stream goes on through the restart as the same stream, with its queue, its counts and the frames
 * held; frames converted after it carry the new format in their records.
 * Refused with
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
 * @par State and threads
 * As Travik_SetFilterValue() with #FILTER_EXPOSURE_TIME: at once in every state, no restart.
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
 * Travik_Release(). While the frame stream runs, the stream's frames are recorded and the stream
 * goes on; no preview is started. While it runs, changes of the capture window, colour mode, sub-sample, device
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
 * again after it; trigger mode pauses and, after OK, starts again in the new format; the frame
 * stream pauses, keeping its queue, its counts and the frames held, and goes on after it, in the
 * new format after OK. Exports
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

/* ---- Extensions
 * ---------------------------------------------------------------------------------- */

/**
 * @defgroup extensions Extensions
 * @brief Exports beyond the 124 of the original interface, named `TravikEx_*`.
 *
 * Extensions follow the conventions of the other exports (handle first, 1 for success and 0 for
 * failure, the reason reported) and take structures that begin with their own size, which the
 * caller sets. A later version may grow a structure at its end, and a call accepts any size from
 * the one declared here up.
 * @{
 */

/**
 * @brief Why a settings profile was refused: TravikProfileResult::reason.
 *
 * See @ref profiles for the format these reasons refer to.
 */
enum TravikProfileReason {
    TRAVIK_PROFILE_OK = 0,   /**< saved or loaded */
    TRAVIK_PROFILE_FILE = 1, /**< the file could not be opened, read or written, or is too large */
    TRAVIK_PROFILE_MALFORMED =
        2, /**< a line is not "name = whole number", a comment or blank, or not UTF-8 */
    TRAVIK_PROFILE_UNKNOWN_NAME = 3, /**< a line names no setting of a profile */
    TRAVIK_PROFILE_OUT_OF_RANGE =
        4, /**< a value its setter would refuse, or a capture window outside the sensor */
    TRAVIK_PROFILE_DUPLICATE = 5, /**< a setting named on a second line */
    TRAVIK_PROFILE_REFUSED =
        6 /**< the camera refused the whole profile (no device, or a recording runs) */
};

/**
 * @brief What became of a profile's save or load: the line and the reason of a refusal.
 *
 * Optional: pass NULL when only the result and the error code matter. Otherwise set `size` to
 * `sizeof(TravikProfileResult)` first; a smaller size is refused with #ERR_PARAMETER and nothing
 * is written into the structure. The call fills the other fields in every case.
 */
typedef struct TravikProfileResult {
    DWORD size; /**< bytes of the structure, set by the caller */
    int line; /**< line of the refused file, from 1; 0 on success or when no one line is at fault */
    int reason;     /**< a #TravikProfileReason value; #TRAVIK_PROFILE_OK on success */
    char text[244]; /**< zero-terminated English (ASCII) text naming the setting and the rule; empty
                       on success */
} TravikProfileResult;

/** @cond TRAVIK_INTERNAL */
#ifdef __cplusplus
static_assert(sizeof(TravikProfileResult) == 256, "TravikProfileResult is 256 bytes");
#else
typedef char TravikProfileResultSize[sizeof(TravikProfileResult) == 256 ? 1 : -1];
#endif
/** @endcond */

/**
 * @brief Saves every setting of the camera to a settings profile, a UTF-8 text file.
 *
 * Writes the settings in their fixed order, one `name = value` line each, under a comment with
 * the SDK's version; see @ref profiles. An existing file is replaced whole: the text is written
 * beside it first ("<path>.partial") and then put in its place. The settings are read between two
 * frames, so a running white balance shows in the file as one measurement.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param path the file, in the ANSI code page
 * @param result receives the outcome; may be NULL
 * @return 1, or 0
 * @par Errors
 * #ERR_PARAMETER (NULL path, or a result whose size is too small), #ERR_UNAVAILABLE (no device
 * object), #ERR_FILE (the file could not be written; an existing file is left as it was),
 * reported.
 * @par State and threads
 * Any state; acquisition goes on.
 */
TRAVIK_API int TravikEx_SaveProfileA(int handle, const char* path, TravikProfileResult* result);
/**
 * @brief Saves every setting of the camera to a settings profile: TravikEx_SaveProfileA() with a
 * UTF-16 path, so names outside the ANSI code page work.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param path the file
 * @param result receives the outcome; may be NULL
 * @return 1, or 0
 * @par Errors
 * As TravikEx_SaveProfileA().
 */
TRAVIK_API int TravikEx_SaveProfileW(int handle, const wchar_t* path, TravikProfileResult* result);
/**
 * @brief Loads a settings profile into the camera, whole or not at all.
 *
 * The whole file is checked first: a malformed line, an unknown name, a value out of range or a
 * name given twice refuses the file, with its line and reason in @p result, and nothing is
 * applied. Settings the file does not name keep their values. Then the values go in as their
 * setters would take them, all between the same two frames: filters, gains, exposure and the
 * wait time live; the mirrors between two frames; a changed colour mode, sub-sample mode,
 * capture window or clock with acquisition paused and started again in the same state.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param path the file, in the ANSI code page
 * @param result receives the outcome; may be NULL
 * @return 1, or 0
 * @par Errors
 * #ERR_PARAMETER (NULL path, a result whose size is too small, or a refused line), #ERR_FILE (the
 * file could not be read), #ERR_UNAVAILABLE (no device object; a recording runs and the profile
 * changes what acquisition depends on: refused as a whole), reported.
 * @par State and threads
 * Any state. A load that changes the colour mode, sub-sample mode, capture window or clock
 * restarts a running acquisition in its state, as Travik_SetColorMode() does; one that changes
 * none of them leaves it running.
 */
TRAVIK_API int TravikEx_LoadProfileA(int handle, const char* path, TravikProfileResult* result);
/**
 * @brief Loads a settings profile: TravikEx_LoadProfileA() with a UTF-16 path, so names outside
 * the ANSI code page work.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param path the file
 * @param result receives the outcome; may be NULL
 * @return 1, or 0
 * @par Errors
 * As TravikEx_LoadProfileA().
 */
TRAVIK_API int TravikEx_LoadProfileW(int handle, const wchar_t* path, TravikProfileResult* result);

/**
 * @name Extensions: the frame stream
 *
 * The frame stream hands the application frames that it holds for as long as it likes: the SDK
 * converts each frame into a buffer of a pool of its own and queues it with the frame's facts
 * (TravikExFrame); TravikEx_GrabFrame() hands the oldest queued frame out, and
 * TravikEx_ReleaseFrame() gives the buffer back. A frame the application holds is never written
 * by the SDK, whatever happens meanwhile: a stop, a setting change, the loss of the camera, calls
 * on other threads, even Travik_Release(). See @ref taking_frames for how it compares with the
 * other ways of taking frames.
 * @{
 */

/** @brief TravikExStreamOptions::mode: a grab returns the newest frame; older ones are dropped. */
#define TRAVIKEX_STREAM_NEWEST 0
/** @brief TravikExStreamOptions::mode: frames queue in order, up to the pool's size. */
#define TRAVIKEX_STREAM_QUEUE 1
/** @brief TravikExStreamOptions::queueFull: a full queue drops its oldest frame for the newest. */
#define TRAVIKEX_QUEUE_DROP_OLDEST 0
/** @brief TravikExStreamOptions::queueFull: a full queue keeps its frames; the newest is dropped. */
#define TRAVIKEX_QUEUE_REFUSE_NEWEST 1
/** @brief The pool's size when TravikExStreamOptions::buffers is 0. */
#define TRAVIKEX_DEFAULT_BUFFERS 4
/** @brief The largest pool: TravikExStreamOptions::buffers is 1..64. */
#define TRAVIKEX_MAX_BUFFERS 64
/** @brief TravikExFrame::flags: every byte of the frame arrived. */
#define TRAVIKEX_FRAME_COMPLETE 0x1u
/** @brief TravikExFrame::flags: the transfer ended short. */
#define TRAVIKEX_FRAME_SHORT 0x2u
/** @brief TravikExFrame::flags: the transfer failed. */
#define TRAVIKEX_FRAME_FAILED 0x4u
/**
 * @brief TravikExFrame::flags: the first frame after the camera was lost and, with automatic
 * recovery on (TravikEx_SetRecovery()), came back; the frames the camera would have sent meanwhile
 * were never delivered, so frame ids go on without a gap.
 */
#define TRAVIKEX_FRAME_RESUMED 0x8u
/**
 * @brief The default message of TravikExStreamOptions::notifyWindow: posted with wParam 0 and
 * lParam 0 when a frame was queued, and when the stream ended; grab with time-out 0 on it.
 */
#define WM_TRAVIKEX_FRAME (WM_APP + 5)

/** @brief How TravikEx_StartStream() runs the stream. Zero-filled with the size set, it asks for
 *  the defaults: newest only, #TRAVIKEX_DEFAULT_BUFFERS buffers, no window message. */
typedef struct TravikExStreamOptions {
    DWORD size;         /**< bytes of this record: sizeof(TravikExStreamOptions) */
    int mode;           /**< #TRAVIKEX_STREAM_NEWEST or #TRAVIKEX_STREAM_QUEUE */
    int buffers;        /**< frames the application may have queued and held together, 1..64;
                             0 for #TRAVIKEX_DEFAULT_BUFFERS. The SDK keeps one buffer more to
                             convert into. */
    int queueFull;      /**< queue mode: #TRAVIKEX_QUEUE_DROP_OLDEST or #TRAVIKEX_QUEUE_REFUSE_NEWEST */
    HWND notifyWindow;  /**< optional: receives notifyMessage when a frame is queued and when the
                             stream ends */
    UINT notifyMessage; /**< the message posted to notifyWindow; 0 for #WM_TRAVIKEX_FRAME */
} TravikExStreamOptions;

/**
 * @brief A frame handed out by TravikEx_GrabFrame(): its pixels and the facts of its transfer.
 *
 * The caller sets `size`; the grab fills the rest. The pixels stay valid, and unchanged, until the
 * record is given to TravikEx_ReleaseFrame().
 */
typedef struct TravikExFrame {
    DWORD size;                  /**< bytes of this record: sizeof(TravikExFrame) */
    DWORD flags;                 /**< #TRAVIKEX_FRAME_COMPLETE; see TravikEx_GrabFrame() */
    ULONGLONG frameId;           /**< 1 for the first frame the camera delivered to the host
                                      after Travik_Initialize(), one more for every frame after it,
                                      through stops, starts, snapshots and every acquisition alike;
                                      never reset */
    ULONGLONG skippedBefore;     /**< frames the camera delivered between the frame handed out
                                      before this one (or the stream's start) and this one that
                                      the application was not given: dropped by the mode or the
                                      pool, passed over because the camera was faster than the
                                      conversion, or short */
    LONGLONG hostTicks;          /**< QueryPerformanceCounter() when the frame's transfer completed */
    FILETIME hostTimeUtc;        /**< the same instant as UTC */
    LONGLONG readyTicks;         /**< QueryPerformanceCounter() when the converted frame was queued */
    int exposureUs;              /**< the exposure time last written to the sensor before the
                                      frame's transfer began, in microseconds */
    int gain;                    /**< the gain last written to the sensor before then, 0..1023 */
    int width;                   /**< pixels per row */
    int height;                  /**< rows */
    int colorMode;               /**< as Travik_GetColorMode() returns it: 8, 10, 24, 32, 42 or 58 */
    int bitsPerPixel;            /**< of the pixels' storage: 8, 16, 24, 32, 48 or 64 */
    int stride;                  /**< bytes from one row to the next, a multiple of 4 */
    DWORD reserved;              /**< 0 */
    ULONGLONG bytes;             /**< height times stride */
    const unsigned char* pixels; /**< the first delivered row first, colour bytes blue, green, red */
    ULONGLONG ticket;            /**< the SDK's own; leave it as the grab wrote it */
} TravikExFrame;

/**
 * @brief Counts of the stream that runs or ran last, filled by TravikEx_GetStreamStats().
 *
 * Once the stream has ended, delivered = handedOut + droppedByMode + droppedByPool +
 * skippedByRing + discarded. While it runs, the one or two frames on their way from the camera
 * to the queue are in none of the others yet.
 */
typedef struct TravikExStreamStats {
    DWORD size;              /**< bytes of this record: sizeof(TravikExStreamStats) */
    DWORD queueDepth;        /**< frames queued for a grab now */
    DWORD held;              /**< frames the application holds now, of any stream */
    DWORD reserved;          /**< 0 */
    ULONGLONG delivered;     /**< frames the camera delivered while the stream ran */
    ULONGLONG handedOut;     /**< frames handed out by grabs */
    ULONGLONG droppedByMode; /**< newest only: frames replaced by a newer one before a grab */
    ULONGLONG droppedByPool; /**< frames that found the queue full (either policy) or every
                                  buffer held by the application */
    ULONGLONG skippedByRing; /**< frames never converted: the camera was faster than the
                                  conversion, or the frame came short */
    ULONGLONG discarded;     /**< frames queued or on their way when the stream ended */
    ULONGLONG lostTransfers; /**< transfers that ended short or failed */
} TravikExStreamStats;

/** @cond TRAVIK_INTERNAL */
#ifdef __cplusplus
static_assert(sizeof(TravikExStreamOptions) == 32, "TravikExStreamOptions is 32 bytes");
static_assert(sizeof(TravikExFrame) == 104, "TravikExFrame is 104 bytes");
static_assert(sizeof(TravikExStreamStats) == 72, "TravikExStreamStats is 72 bytes");
#else
typedef char TravikExStreamOptionsSize[sizeof(TravikExStreamOptions) == 32 ? 1 : -1];
typedef char TravikExFrameSize[sizeof(TravikExFrame) == 104 ? 1 : -1];
typedef char TravikExStreamStatsSize[sizeof(TravikExStreamStats) == 72 ? 1 : -1];
#endif
/** @endcond */

/**
 * @brief Starts the frame stream: frames converted into a pool of buffers that the application
 * grabs, holds and gives back.
 *
 * Every frame runs through the same conversion as in preview (colour mode, filters, mirrors,
 * automatic exposure or gain, the frame-processing threads) and is drawn into the preview window
 * when one is open (Travik_SetPreviewWindow(); the stream makes none). A recording may run on the
 * stream's frames (Travik_Record()). Frames are taken as they arrive: the wait time
 * (Travik_SetWaitTime()) does not apply.
 *
 * The pool holds options->buffers frames for the application (queued and held together) and one
 * more that the SDK converts into. In newest-only mode a grab returns the newest converted frame,
 * never one older than a frame already handed out; a frame replaced by a newer one before a grab is
 * counted in TravikExStreamStats::droppedByMode. In queue mode frames queue in order; when the
 * application's share is full, the oldest queued frame makes room for the newest
 * (#TRAVIKEX_QUEUE_DROP_OLDEST) or the newest is dropped (#TRAVIKEX_QUEUE_REFUSE_NEWEST), counted in
 * TravikExStreamStats::droppedByPool either way. While the application holds every one of its
 * buffers, new frames are dropped and counted likewise.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param options how to run it; NULL for the defaults
 * @return 1, or 0
 * @par Errors
 * #ERR_PARAMETER (options->size below sizeof(TravikExStreamOptions), or a value out of range),
 * #ERR_MEMORY (the pool could not be made), #ERR_UNAVAILABLE (preview, capture or trigger mode
 * runs, or a stream with other options), and those of Travik_StartPreview(); reported.
 * @par State and threads
 * Starts from idle; a stream already running with the same options returns 1 and changes nothing.
 * The stream is an acquisition state of its own: Travik_StopPreview(), Travik_Close() and
 * TravikEx_StopStream() end it, and each setter says what it does while acquisition runs. A
 * change that restarts acquisition keeps the stream, its queue, its counts and the frames held;
 * frames converted after it have the new format, and each frame's record says which it has.
 */
TRAVIK_API int TravikEx_StartStream(int handle, const TravikExStreamOptions* options);
/**
 * @brief Ends the frame stream.
 *
 * Frames still queued are discarded (TravikExStreamStats::discarded); frames the application holds
 * stay valid until released. Grabs waiting on other threads return.
 *
 * @param handle camera handle from Travik_Initialize()
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object, or preview, capture or trigger mode runs: they are ended by
 * Travik_StopPreview()), reported.
 * @par State and threads
 * Returns 1 at once when no stream runs.
 */
TRAVIK_API int TravikEx_StopStream(int handle);
/**
 * @brief Hands out the oldest queued frame, waiting up to timeoutMs for one.
 *
 * The record describes the frame (TravikExFrame); frames handed out always carry
 * #TRAVIKEX_FRAME_COMPLETE: a transfer that ended short or failed is never handed out, and is
 * counted in TravikExStreamStats::lostTransfers and in the next frame's skippedBefore. Give the
 * frame back with TravikEx_ReleaseFrame(); until then the SDK never writes its pixels.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param timeoutMs the longest wait in milliseconds; 0 to look only, INFINITE to wait until a
 *        frame comes or the stream ends
 * @param frame the record to fill; the caller sets frame->size
 * @return 1 with a frame; 0 when the time-out passed without one (nothing is reported); -1 when
 *         there is none to come, or for an unknown handle
 * @par Errors
 * #ERR_DEVICE_LOST once, at the first grab after the camera was lost while the stream ran and the
 * frames queued before were handed out (the stream has ended then, unless automatic recovery is
 * on: see TravikEx_SetRecovery()); #ERR_UNAVAILABLE (no stream runs, or
 * it ended while the grab waited); #ERR_PARAMETER (frame NULL or its size too small); reported.
 * @par State and threads
 * Any thread, any number at once; it does not wait for the camera's other exports, and they do not
 * wait for it. No message loop is needed. Travik_Release() on another thread ends the wait.
 */
TRAVIK_API int TravikEx_GrabFrame(int handle, DWORD timeoutMs, TravikExFrame* frame);
/**
 * @brief Gives a grabbed frame back to the pool.
 *
 * The record's pixels and ticket are cleared, so a second release of it is refused.
 *
 * @param handle the camera handle the frame was grabbed with
 * @param frame the record as TravikEx_GrabFrame() filled it
 * @return 1, or 0
 * @par Errors
 * #ERR_PARAMETER (frame NULL, too small, or not a frame this camera handed out and the application
 * still holds), reported.
 * @par State and threads
 * Any thread. A frame held when its camera was released stays valid; give it back with the
 * released handle, which this function alone still accepts for it: the memory is freed then (at
 * the latest when the library is unloaded).
 */
TRAVIK_API int TravikEx_ReleaseFrame(int handle, TravikExFrame* frame);
/**
 * @brief The event that tells a waiting thread to grab.
 *
 * A manual-reset event, signalled while a grab would return at once: a frame is queued, or no
 * stream runs (a grab then tells why). Wait for it with WaitForSingleObject() or, beside the
 * application's own objects, WaitForMultipleObjects(), then grab with time-out 0.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param event receives the handle; the SDK owns it: do not close it
 * @return 1, or 0
 * @par Errors
 * #ERR_PARAMETER (event NULL), reported.
 * @par State and threads
 * Any thread. The handle is the same for every stream of the camera and stays valid until
 * Travik_Release().
 */
TRAVIK_API int TravikEx_GetStreamEvent(int handle, HANDLE* event);
/**
 * @brief Reads the counts of the stream that runs or ran last.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param stats the record to fill; the caller sets stats->size
 * @return 1, or 0
 * @par Errors
 * #ERR_PARAMETER (stats NULL or its size too small), reported.
 * @par State and threads
 * Any thread; the counts start from zero at each TravikEx_StartStream() from idle.
 */
TRAVIK_API int TravikEx_GetStreamStats(int handle, TravikExStreamStats* stats);

/** @} */

/**
 * @brief Recovery notice, posted only while automatic recovery is on (TravikEx_SetRecovery()).
 *
 * wParam says what happened (#TravikRecoveryEvent), lParam counts it for the camera object:
 * for #TRAVIK_RECOVERY_RESUMED the number of returns so far, for #TRAVIK_RECOVERY_OTHER_CAMERA
 * the number of other cameras seen so far. Posted to the notification window of
 * Travik_CallBackPreview() or Travik_Trigger(), and to the window given to Travik_Initialize()
 * when that is another one. A message of its own, so that a window procedure written for
 * #WM_CAMERA_NOTIFY and #WM_CAMERA_ERROR never mistakes it for an error code: one that does not
 * know it passes it to DefWindowProc, which ignores it. An application that uses WM_APP + 4 for
 * a message of its own chooses another number in TravikRecoveryOptions::message.
 */
#define WM_CAMERA_RECOVERY (WM_APP + 4)

/** @brief What a recovery notice (#WM_CAMERA_RECOVERY) tells, in its wParam. */
enum TravikRecoveryEvent {
    /** The lost camera is back: started, every setting in effect before the loss written again,
     *  and the acquisition that ran (preview, callback preview or trigger mode) runs again. */
    TRAVIK_RECOVERY_RESUMED = 1,
    /** A camera with another serial appeared at the device number. It is not taken: nothing is
     *  written to it, and the SDK goes on waiting for the lost one. Told once per appearance. */
    TRAVIK_RECOVERY_OTHER_CAMERA = 2
};

/** @brief Automatic recovery of a camera object, for TravikEx_SetRecovery(). */
typedef struct TravikRecoveryOptions {
    /** bytes of the record: sizeof(TravikRecoveryOptions) */
    DWORD size;
    /** 1: recover after a loss; 0: stop at a loss, as without recovery (the default) */
    DWORD enabled;
    /** the message of recovery notices, WM_USER to 0xFFFF; 0 for #WM_CAMERA_RECOVERY */
    UINT message;
} TravikRecoveryOptions;

/** @brief Automatic recovery as it stands, filled by TravikEx_GetRecoveryStatus(). */
typedef struct TravikRecoveryStatus {
    /** bytes of the record, set by the caller: sizeof(TravikRecoveryStatus) */
    DWORD size;
    /** 1 while recovery is on */
    DWORD enabled;
    /** 1 while the SDK waits for the lost camera to come back */
    DWORD waiting;
    /** waits begun: losses of the camera while acquisition ran with recovery on */
    DWORD losses;
    /** waits ended by the camera's return (the #TRAVIK_RECOVERY_RESUMED notices) */
    DWORD recoveries;
    /** cameras with another serial seen and not taken */
    DWORD otherCameras;
    /** the serial the camera is known by, zero-terminated; empty when the SDK knows none and
     *  recognises the camera by its device number alone */
    char serial[32];
} TravikRecoveryStatus;

/**
 * @brief Turns automatic recovery after a loss of the camera on or off, for this camera object.
 *
 * Off (the default), a camera lost while acquisition runs is told with #ERR_DEVICE_LOST and
 * acquisition stops; the application stops and starts again itself. On, a loss is told the same
 * way, once, and then the SDK waits for the same camera to come back:
 * - It looks at the device path ten times a second on the worker thread of the acquisition that
 *   lost the camera, which costs next to nothing while the camera is away.
 * - The same camera is the one at the same device number with the same serial in its ROM (the
 *   text at bytes 16 to 31 of the identification area, see Travik_ReadSromID()); a camera whose ROM
 *   holds no serial there is recognised by its device number alone. The serial is read when
 *   recovery is turned on, or at the first start after that if the camera was away then (this
 *   takes about a fifth of a second once), and again after another device number is selected.
 * - When it is back, the SDK starts it, writes again every setting in effect before the loss
 *   (capture window, colour mode, sub-sample, clock, gain, exposure, mirrors, trigger mode, word
 *   mode, I/O port, filters, and any sensor register the application wrote), resumes what ran
 *   (preview, callback preview or trigger mode, with the same window and buffer, or the frame
 *   stream with its pool, queue and counts) and posts #WM_CAMERA_RECOVERY with
 *   #TRAVIK_RECOVERY_RESUMED.
 * - A frame stream is not ended by the loss: the first grab after the frames queued before it
 *   returns -1 with #ERR_DEVICE_LOST, once; later grabs wait through the absence (or time out),
 *   frames held stay valid, frame ids go on where they were, and the first frame after the return
 *   carries #TRAVIKEX_FRAME_RESUMED.
 * - A camera that comes back with another serial is not taken: nothing is written to it, the SDK
 *   posts #TRAVIK_RECOVERY_OTHER_CAMERA once and goes on waiting for the lost camera, which may be
 *   plugged in after the other one is taken away. To use the other camera instead, call
 *   Travik_StopPreview() and start again.
 * - A recording running at the loss ends with a finished file, as without recovery, and is not
 *   resumed; the preview under it is.
 * - While the SDK waits, Travik_StopPreview(), Travik_Close() and Travik_Release() end the wait
 *   and return at once, and a setter returns at once: the camera gets the new value when it is
 *   back. A start of what waits to resume returns 1 (a new window and buffer take effect at the
 *   return); another start is refused with #ERR_UNAVAILABLE. While the camera is being started
 *   again (about a quarter of a second), a call waits for that to finish.
 * - In capture state (Travik_Capture()) nothing runs to wait with: the first Travik_SnapShot()
 *   after the camera is back starts it again, with or without recovery.
 *
 * Turning recovery off while the SDK waits stops acquisition, as a loss without recovery does.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param options the choice; its size at least sizeof(TravikRecoveryOptions)
 * @return 1, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no device object), #ERR_PARAMETER (null record, size too small, enabled not 0
 * or 1, message below WM_USER or above 0xFFFF), reported.
 * @par State and threads
 * Any state. The exports of one camera run one at a time.
 */
TRAVIK_API int TravikEx_SetRecovery(int handle, const TravikRecoveryOptions* options);
/**
 * @brief Reads whether automatic recovery is on, whether the SDK waits for the camera, and its
 * counts.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param status filled after its size field; its size at least sizeof(TravikRecoveryStatus)
 * @return 1, or 0
 * @par Errors
 * #ERR_PARAMETER (null record or size too small), reported.
 * @par State and threads
 * Any state; answers at once while the SDK waits for the camera.
 */
TRAVIK_API int TravikEx_GetRecoveryStatus(int handle, TravikRecoveryStatus* status);

/** @brief Codecs of TravikExRecordOptions::codec. */
enum TravikExCodec {
    TRAVIKEX_CODEC_RAW = 0,  /**< uncompressed 24-bit frames, as Travik_Record() writes them */
    TRAVIKEX_CODEC_MJPEG = 1 /**< a baseline JPEG per frame (stream handler "MJPG") */
};

/** @brief How TravikEx_RecordA() and TravikEx_RecordW() record. Zeroed fields take defaults. */
typedef struct TravikExRecordOptions {
    DWORD size;        /**< sizeof(TravikExRecordOptions), set by the caller */
    int codec;         /**< #TRAVIKEX_CODEC_RAW or #TRAVIKEX_CODEC_MJPEG */
    int quality;       /**< MJPEG quality 1..100; 0 for 90 */
    int chroma;        /**< MJPEG colour: 420 (chroma halved both ways) or 444; 0 for 420 */
    int preEventMs;    /**< MJPEG: keep the last preEventMs of frames for marks; 0..600000 */
    int postEventMs;   /**< MJPEG: a mark's file runs postEventMs past it; 0..3600000 */
    int sidecar;       /**< non-zero: a sidecar file for a raw recording too (MJPEG always has one) */
    int ringMegabytes; /**< memory of the pre-event ring in MiB, 1..1024; 0 for 128 */
} TravikExRecordOptions;

/** @brief Filled by TravikEx_GetRecordingStatus(). */
typedef struct TravikExRecordingStatus {
    DWORD size;                         /**< sizeof(TravikExRecordingStatus), set by the caller */
    int running;                        /**< 1 while the recording runs (pre-event: waits for marks or writes) */
    int writing;                        /**< 1 while a file is open */
    unsigned int framesTaken;           /**< images the recording took */
    unsigned int framesRecorded;        /**< frames in its files */
    unsigned int framesDropped;         /**< images lost: the queue was full or the encoder failed */
    unsigned int filesBegun;            /**< files made: 1, or one per pre-event file */
    unsigned int ringMs;                /**< pre-event: milliseconds of frames the ring holds now */
    unsigned long long framesEncoded;   /**< frames compressed (raw: frames recorded) */
    unsigned long long encodedBytes;    /**< their bytes as compressed */
    unsigned long long uncompressedBytes; /**< the same frames as uncompressed AVI frames */
    unsigned long long encoderCpuUs;    /**< processor time of the encoder threads, microseconds */
    wchar_t file[MAX_PATH];             /**< the file being written, or the last one; empty before one */
} TravikExRecordingStatus;

/**
 * @brief Records an AVI file as Travik_Record() does, with the codec, pre-event buffer and sidecar
 * of @p options.
 *
 * With options NULL, or the raw codec and no sidecar, this is Travik_Record(). With
 * #TRAVIKEX_CODEC_MJPEG every frame is a baseline JPEG of the options' quality and chroma, encoded
 * on threads of the recorder's own (one per processor), never on the acquisition thread; the
 * colour mode must be 8-bit monochrome or 24-bit colour. Images that find the recorder's queue
 * full, or that the encoder failed, are dropped and counted (TravikEx_GetRecordingStatus()).
 *
 * Pre-event recording (MJPEG with preEventMs or postEventMs above 0): no file is made at the
 * start. The recorder keeps the last preEventMs of compressed frames in a ring of ringMegabytes;
 * each TravikEx_MarkRecording() writes those frames and the postEventMs after the mark into a new
 * file, "NAME-0001.avi", "NAME-0002.avi", … for a path "NAME.avi" (a number whose AVI or sidecar
 * exists already is passed over). A mark whose seconds before it reach into the file being written
 * extends that file instead. The recording waits for marks for @p time milliseconds from its
 * first frame (a file being written then runs to its end), or with a time of 0 or less until
 * Travik_StopPreview(), Travik_Close() or Travik_Release().
 *
 * The sidecar "NAME.csv" beside each file (always with MJPEG) has a line naming the columns
 * `index,frame_id,host_time_utc,exposure_us,gain,skipped_before`, then one line per frame of the
 * AVI; see @ref recording_extensions.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param path the AVI file (or the name the pre-event files are numbered from), in the ANSI code page
 * @param time as Travik_Record()'s time, or the time a pre-event recording waits for marks
 * @param showWindow non-zero: make a preview window as Travik_Preview() does
 * @param options the recording's codec and extras, or NULL
 * @return 1 when started, or 0
 * @par Errors
 * #ERR_PARAMETER (no path; options of an unknown size or with a value out of range, or pre-event
 * without MJPEG), #ERR_NOT_SUPPORTED (MJPEG in a colour mode other than 8-bit monochrome or
 * 24-bit colour; nothing is started or written), #ERR_THREAD (the encoders could not start), and
 * those of Travik_Record(), reported. A recording that ends early by itself reports as
 * Travik_Record() does.
 * @par State and threads
 * As Travik_Record().
 */
TRAVIK_API int TravikEx_RecordA(int handle, const char* path, int time, int showWindow,
                                const TravikExRecordOptions* options);
/**
 * @brief As TravikEx_RecordA() with a wide path.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param path the AVI file, or the name the pre-event files are numbered from
 * @param time as TravikEx_RecordA()
 * @param showWindow non-zero: make a preview window
 * @param options the recording's codec and extras, or NULL
 * @return 1 when started, or 0
 * @par Errors
 * As TravikEx_RecordA(); #ERR_FILE when path is NULL.
 * @par State and threads
 * As Travik_Record().
 */
TRAVIK_API int TravikEx_RecordW(int handle, const wchar_t* path, int time, int showWindow,
                                const TravikExRecordOptions* options);
/**
 * @brief Marks now in a running pre-event recording: the seconds before and after the mark go
 * into a file (see TravikEx_RecordA()).
 *
 * @param handle camera handle from Travik_Initialize()
 * @return 1 when the mark was taken, or 0
 * @par Errors
 * #ERR_UNAVAILABLE (no pre-event recording runs), reported.
 * @par State and threads
 * Any thread; returns at once, the file is written by the recording thread.
 */
TRAVIK_API int TravikEx_MarkRecording(int handle);
/**
 * @brief What the running or last recording has done: frames, drops, files, compression and the
 * encoders' processor time.
 *
 * @param handle camera handle from Travik_Initialize()
 * @param status filled; its size set by the caller
 * @return 1, or 0
 * @par Errors
 * #ERR_PARAMETER (status NULL or of an unknown size), reported.
 * @par State and threads
 * Any time; the counts belong to the last recording started and stay after it ended.
 */
TRAVIK_API int TravikEx_GetRecordingStatus(int handle, TravikExRecordingStatus* status);

/** @} */

#endif /* TRAVIK_SDK_H */
