// Camera object: one per handle; owns the device object, the image buffers, the settings and the
// preview window, and carries out every exported operation.
#pragma once

#include <windows.h>

#include "TravikSdk.h"
#include "api/ErrorStack.h"
#include "camera/AcquisitionOwner.h"
#include "camera/ConfigRecords.h"
#include "camera/SharedMemoryBlock.h"
#include "files/AviRecorder.h"
#include "device/UniqueHandle.h"
#include "imaging/kernels/ToneTable.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class CTravik380TZ4RDXSdk;
class ImageBuffer;
class FrameStrips;
struct FramePlan;

// Converts a wide path into the calling thread's ANSI code page; false when it is null, cannot
// be converted, or does not fit in 1023 bytes and the terminator.
bool WidePathToAnsi(const wchar_t* path, char (&narrow)[1024]);

class CTravik {
  public:
    CTravik();
    virtual ~CTravik();
    CTravik(const CTravik&) = delete;
    CTravik& operator=(const CTravik&) = delete;

    // ---- References: the registration and one per running export (a lease) ----
    // The registry takes a reference under its lock for each export; EndUse drops one and tells
    // whether it was the last, in which case the caller destroys the camera.
    void BeginUse() { m_references.fetch_add(1); }
    bool EndUse() { return m_references.fetch_sub(1) == 1; }
    // Whether an export still runs: more than the registration's reference is held.
    bool InUse() const { return m_references.load() > 1; }

    // ---- Exports one at a time ----
    // Held by every export of this camera (but the dialog launchers, whose modal loop would
    // hold it for as long as the dialog is open) for the whole call: the exports of one camera
    // run one at a time. Recursive on one thread; the wait answers sent messages.
    class ExportScope {
      public:
        explicit ExportScope(CTravik& camera);
        ~ExportScope();
        ExportScope(const ExportScope&) = delete;
        ExportScope& operator=(const ExportScope&) = delete;

      private:
        CTravik& m_camera;
    };

    // ---- Initialisation and devices ----
    int Initialize(HWND window);
    int Close();
    int EnumDevice(char* buffer);
    int EnumDeviceW(wchar_t* buffer);
    int GetDeviceName(int index, char* buffer, int length);
    int GetDeviceNameW(int index, wchar_t* buffer, int length);
    int GetCameraInfo(CameraInfo* info);
    int SetDeviceNumber(int number);
    // Whether the device's owner record is the one this camera object claimed (and still names
    // this application's window and executable), and whether anyone else holds the device: another
    // application, or another camera object of this one. Only our own claim never blocks a start.
    bool IsOwnRecord(int deviceNumber) const;
    bool IsOwnedByOther(int deviceNumber) const;
    // Claims the record when nobody else holds the device, in one step with that check between
    // processes: 1, or 0 when another holds it (or there is no table).
    int ClaimOwner(int deviceNumber);
    int ReleaseOwner(int deviceNumber);

    // ---- Settings ----
    int SetFilterValue(int id, int value);
    int GetFilterValue(int id, int* ok);
    int SetColorMode(int bits);
    int GetColorMode() const;
    int SetSubSample(int mode);
    int GetSubSample() const { return m_subSample; }
    int SetMirrorH(int flag);
    int GetMirrorH();
    int SetMirrorV(int flag);
    int GetMirrorV();
    int SetAutoIris(int mode);
    int GetAutoIris(int* ok) const;
    int SetWaitTime(int ms);
    int GetWaitTime() const { return m_waitTime; }
    int Width() const { return m_EH; }
    int Height() const { return m_EV; }
    int GetCaptureWindowEx(int* TH, int* EHS, int* EH, int* TV, int* EVS, int* EV) const;
    int SetCaptureWindowEx(int TH, int EHS, int EH, int TV, int EVS, int EV);
    int GetRealExposureTime(int* ok);
    int SetRealExposureTime(int microseconds);
    int GetIOPort(unsigned char* value);
    int SetIOPort(int value);
    // Capture window: the check used at initialisation, by the setters and at acquisition start.
    bool IsCaptureWindowValid() const;

    // ---- Registers and serial ROM ----
    int ReadRegister(int address, int* ok);
    int WriteRegister(int address, int value);
    int ReadSromID(int index, int* ok);
    int WriteSromID(int index, int value);

    // ---- Settings persistence ----
    int LoadSizePreset();
    int LoadFormat();
    int LoadCameraSettings();
    int SaveCameraSettings();
    int LoadImageFilter();
    int SaveImageFilter();
    int LoadGrayFilter();
    int SaveGrayFilter();
    int SetCaptureWindowPreset(int width, int height);
    int LoadConfigFileA(const char* path);
    int LoadConfigFileW(const wchar_t* path);

    // ---- Acquisition and preview window ----
    int StartPreview();
    int StopPreview();
    int Preview();
    int CallBackPreview(HWND window, unsigned char* buffer, int length, int rowOrder);
    int Capture();
    int SnapShot(unsigned char* buffer, int length, int rowOrder);
    int Trigger(HWND window, unsigned char* buffer, int length, int rowOrder);
    int GetImage(unsigned char* buffer, int length, int rowOrder);
    int SetPreviewWindow(HWND parent, int x, int y, int width, int height);
    // Checks the device and capture window, sizes the buffers of the colour mode and programs the
    // sensor; 1, or 0 after reporting 2, 5 or 7.
    int PrepareCapture();
    // Copies `image` into the caller's buffer, first sensor row first when rowOrder != 0; 0 after
    // posting and reporting 5 when the buffer is too small.
    int CopyImageOut(const ImageBuffer* image, int rowOrder, unsigned char* buffer, int length);
    // The frame pipeline on the raw buffer of the colour mode; run under m_imageLock. The
    // measurements run on the calling thread; the strips of the frame on up to `threads`
    // threads (the preview and trigger workers pass PipelineThreads(), single frames on the
    // caller's thread run on that thread alone).
    void ProcessFrame(int threads = 1);
    // Joins the pipeline's strip threads; done when acquisition stops, after the worker ended.
    void StopPipelineThreads();
    // Automatic exposure (auto iris 1) or gain (2) from the five window means of the raw image.
    void AutoControl();
    // The correction factor of five window means (0..255), A first.
    static double AutoControlFactor(const int means[5]);
    // Raw and output image of the colour mode; null for an unknown mode.
    ImageBuffer* RawImage() const;
    ImageBuffer* OutputImage() const;
    // Hooks for the settings dialogs, called on the thread that processed the frame, under the
    // image lock; they post to the open dialog and never wait for its thread, and do nothing
    // while the dialog pointers are null.
    void RefreshImageDialog();
    void ShowInGainDialog(int item, int value);
    // Preview window for the starts (preview, trigger, recording): wanted when a parent is set or
    // any number of the rectangle is non-zero; OpenPreviewWindow makes the window and its DC, or
    // tears down as Close does and reports 4.
    bool WantsPreviewWindow() const;
    int OpenPreviewWindow();
    // ---- Files (src/files/CameraFiles.cpp) ----
    // The output image of the colour mode to a file of type 0..6; 1, or 0 (1 reported when there
    // is no device, no image yet for the narrow entry, or a wide path that has no exact ANSI form).
    int SaveImage(const char* path, int fileType);
    int SaveImageW(const wchar_t* path, int fileType);
    // Starts the preview if needed and a recording of `timeMs` from its first frame; 1, or 0
    // after reporting 9, 4, 12, 3, or 1 while another recording runs.
    int Record(const char* path, int timeMs, int showWindow);
    int RecordW(const wchar_t* path, int timeMs, int showWindow);
    // What a recording's end tells the application: 0, or ERR_FILE when the file could not take
    // a frame or be finished, ERR_GEOMETRY when the output image changed its size or depth, and
    // ERR_DEVICE_LOST when the acquisition ended under it without a stop.
    int RecordingEndCode(AviRecorder::End end) const;

    // ---- Settings dialogs ----
    int SetCameraDlg(HWND parentWindow);
    int SetImageDlg(HWND parentWindow);
    int SetAnalogDlg(HWND parentWindow);
    // Around the format dialog: stops preview or capture and pauses trigger mode, returning what
    // ran; the second call loads the format when the dialog accepted one and starts again what
    // ran, in the new format.
    AcquisitionState SuspendAcquisitionForDialog();
    void ResumeAcquisitionAfterDialog(AcquisitionState suspended, bool formatAccepted);
    // Cancel of the image filter and analog gain dialogs: the blocks as they were when the
    // dialog opened, and the sensor with them.
    void RestoreImageFilter(const int (&saved)[30]);
    void RestoreCameraSettings(const int (&saved)[9], int savedBayerMode);

    // ---- Error reporting ----
    // Pushes the code and posts WM_CAMERA_ERROR to the application's window when there is one.
    void ReportError(int code);
    // Posts WM_CAMERA_ERROR without pushing and without testing for a window: with no window
    // the message lands in the calling thread's own queue.
    void PostError(int code);
    void PushError(int code) { m_errors.Push(code); }
    int GetLastError() { return m_errors.Pop(); }

    // ---- Members, in declared order ----
    SharedMemoryBlock m_sharedMemory;
    CTravik380TZ4RDXSdk* m_device = nullptr;
    ImageBuffer* m_images[9] = {};
    HWND m_previewWindow = nullptr;
    HDC m_previewDC = nullptr;
    char m_windowClass[256] = {};

    // Capture window: total, effective size and start.
    int m_TH = 1280, m_TV = 960, m_EH = 1280, m_EV = 960, m_EHS = 0, m_EVS = 0;
    int m_buf = 4;

    // Image filter block, 30 entries; the order binds the dialogs and the registry code.
    int m_imageFilter[30] = {};
    void* m_imageDialog = nullptr;
    // Camera settings block: global gain, colour gains G1, R, B, G2, exposure, vertical mirror,
    // horizontal mirror, auto iris.
    int m_cameraSettings[9] = {};
    void* m_gainDialog = nullptr;

    int m_clocksPerLine = 0, m_overheadClocks = 0, m_exposureLines = 1;
    double m_msPerClock = 1.0;
    int m_realExposure = 0;

    CRITICAL_SECTION m_imageLock;  // guards every image buffer against the worker thread
    CRITICAL_SECTION m_configLock; // held while the configuration records are rewritten

    std::vector<ConfigRecord> m_configRecords; // guarded by m_configLock
    int m_recording = 0;
    AviRecorder m_avi; // its Run belongs to the recording thread while that runs

    HWND m_parentWindow = nullptr;
    int m_previewRect[4] = {0, 0, 1280, 960};
    HWND m_appWindow = nullptr;
    HWND m_notifyWindow = nullptr;
    unsigned char* m_userBuffer = nullptr;
    int m_userLength = 0;
    int m_rowOrder = 0;
    FrameInfo m_frameInfo = {32, 0, 0, 0, 0, nullptr};

    int m_colorMode = 0;
    int m_subSample = 0;
    int m_waitTime = 10;
    int m_clock = 0;
    int m_imageReady = 0;
    int m_frameRate = 0, m_frameCounter = 0, m_rateStart = 0;
    ErrorStack m_errors;
    int m_triggerTimeout = 3000;
    int m_triggerFlag = 0;
    int m_cameraNumber = 0;
    // The device number whose owner record this camera object claimed, or -1. Written by
    // ClaimOwner and ReleaseOwner on the caller's thread only.
    int m_claimedDevice = -1;

    // ---- Thread block ----
    // The acquisition state, the worker's and the recorder's threads and run flags: whether a
    // call may run in the state acquisition is in, and how a change reaches a running
    // acquisition, is decided there, never by an export on its own.
    AcquisitionOwner m_acquisition{*this};

  private:
    friend class AcquisitionOwner;
    // The recording thread's body: runs m_avi over the recording's run flag.
    void RunRecorder();
    // The worker's two loops.
    void PreviewLoop();
    void TriggerLoop();
    bool GrabFailedForGood(int grabbed);
    // The camera's side of a stop, while acquisition runs: trigger mode off, a waiting grab
    // ended, the transfer stopped and the owner mark released; nothing without a device object.
    void StopDeviceAcquisition();
    void RestartFrameRate();
    // The preview window exists, was not closed by the user and still has the settings it was
    // made with.
    bool PreviewWindowUsable() const;
    // Sets the new-frame and image-ready flags after a frame's output image; under m_imageLock.
    void AnnounceImage();
    int StartRecording(const FilePath& path, int timeMs, int showWindow);
    // Reads the claimed (preview) or grabbed (trigger, snapshot) frame into the raw buffer and
    // spreads its rows to the stride; a device result code. Under m_imageLock.
    int ReadRawFrame(bool grabbed);
    void FillFrameInfo(bool measureRate);
    void PostNotice(WPARAM info, LPARAM code);
    void StoreCallerTarget(HWND notifyWindow, unsigned char* buffer, int length, int rowOrder);
    // Frame pipeline steps.
    int BayerPhase() const;
    // Measure what the settings ask for on the whole frame and add their steps to the plan.
    void AddGrayGains(FramePlan& plan);
    void PlanDemosaic(ImageBuffer* raw, FramePlan& plan);
    void PlanAdjustments(FramePlan& plan);
    // Preview window.
    HWND CreatePreviewWindow();
    // The client area of a visible preview window with a DC; false when there is none to draw in.
    bool PreviewClientArea(RECT& client) const;
    void SizeDisplayBuffer(const RECT& client);
    void DrawPreview();
    static LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM w, LPARAM l);

    // Reports a start that failed for `code`, unless the loss of the camera was reported.
    int FailStart(int code);
    // The camera went away: told once per loss with code 13, to the notice window and the
    // application. Worker or caller thread; the flag is cleared by the next successful start.
    void ReportDeviceLost();
    std::atomic<int> m_deviceLost{0};
    // Preview window settings changed since the window was made: the next start makes it again.
    bool m_previewWindowStale = false;
    void DestroyPreviewWindow();
    // Gamma, contrast (and brightness without sharpness) of the output image in one table,
    // rebuilt when those settings or the colour mode change; guarded by m_imageLock.
    ToneTable m_toneTable;
    // Brightness alone, after sharpness, in a table of its own; rebuilt like m_toneTable.
    ToneTable m_brightnessTable;
    // The strips of each frame, their threads and scratch, made at the first frame; used under
    // m_imageLock by the thread that processes the frame. Declared after the tone tables, which
    // their threads read.
    std::unique_ptr<FrameStrips> m_frameStrips;

    int SettingsDeviceNumber() const;
    std::array<int*, 7> PresetFields();
    void ResetCaptureWindow();
    int ApplyCaptureWindowPreset(int width, int height);
    void ApplyCaptureWindow();
    void ApplySensorSettings();
    void SetExposureTimingTerms();
    int CheckDeviceName(int index, const void* buffer, int length);
    int SwitchDevice(int number);
    void RunReleaseSteps();
    void FreeOwnedObjects();

    // The registration's reference, plus one per lease; see BeginUse.
    std::atomic<int> m_references{1};
    UniqueHandle m_controlLock; // the mutex of ExportScope
};
