// Camera object: one per handle; owns the device object, the image buffers, the settings and the
// preview window, and carries out every exported operation.
#pragma once

#include <windows.h>

#include "TravikSdk.h"
#include "camera/ErrorStack.h"
#include "camera/AcquisitionOwner.h"
#include "camera/ConfigRecords.h"
#include "camera/FramePool.h"
#include "camera/SharedMemoryBlock.h"
#include "files/AviRecorder.h"
#include "support/CriticalSection.h"
#include "support/UniqueHandle.h"
#include "imaging/kernels/ToneTable.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CTravik380TZ4RDXSdk;
class ImageBuffer;
namespace settings {
struct Setting;
struct ProfileValues;
struct ProfileProblem;
enum class Sensor : unsigned char;
} // namespace settings
class FrameStrips;
struct FramePlan;

// Converts a wide path into the calling thread's ANSI code page; false when it is null, cannot
// be converted, or does not fit in 1023 bytes and the terminator.
bool WidePathToAnsi(const wchar_t* path, char (&narrow)[1024]);

// The image buffers, named by what they hold. The raw frame of a colour mode is samples8 or
// samples16; its output is one of them (gray modes) or a colour buffer. The 32-, 48- and
// 64-bit outputs are shown through color24, a 10-bit gray frame through samples8.
struct CameraImages {
    ImageBuffer* samples8 = nullptr;
    ImageBuffer* samples16 = nullptr;
    ImageBuffer* color24 = nullptr;
    ImageBuffer* color32 = nullptr;
    ImageBuffer* color48 = nullptr;
    ImageBuffer* color64 = nullptr;
    ImageBuffer* display = nullptr; // the preview window's picture at the window's size
    std::array<ImageBuffer**, 7> All() {
        return {&samples8, &samples16, &color24, &color32, &color48, &color64, &display};
    }
};

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

    // ---- A setting of the table (SettingsAccess.cpp) ----
    // Where it is stored, and the value stored there.
    int& SettingSlot(const settings::Setting& setting);
    int StoredSetting(const settings::Setting& setting) const;
    // What its getter returns: the stored value unless the table gives the setting a hook.
    int ReadSetting(const settings::Setting& setting) const;
    // Stores a value its range accepts (WriteSetting), then makes the sensor write that follows.
    void StoreSetting(const settings::Setting& setting, int value);
    void WriteSetting(const settings::Setting& setting, int value);
    void ApplyToSensor(settings::Sensor sensor);
    // StoreSetting as the setting's policy says: at once, between two frames, or with a running
    // acquisition paused and started again (refused under a recording); 1, or 0 when refused.
    int ChangeSetting(const settings::Setting& setting, int value);
    // What a missing registry value gives it.
    int DefaultSetting(const settings::Setting& setting) const;

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
    // Settings profiles (CameraProfiles.cpp): every setting as text, saved, or loaded whole or
    // not at all; the outcome in `result` when it is given.
    int SaveProfile(const wchar_t* path, TravikProfileResult* result);
    int SaveProfileA(const char* path, TravikProfileResult* result);
    int LoadProfile(const wchar_t* path, TravikProfileResult* result);
    int LoadProfileA(const char* path, TravikProfileResult* result);

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
    // ---- Frame stream (FrameStream.cpp) ----
    // What TravikEx_StartStream asked for: the pool's configuration and the frame message.
    struct StreamRequest {
        StreamConfig config;
        HWND notifyWindow = nullptr;
        UINT notifyMessage = WM_TRAVIKEX_FRAME;
        bool operator==(const StreamRequest&) const = default;
    };
    int StartStream(const TravikExStreamOptions* options);
    int StopStream();
    // Any thread, outside the export lock: they wait on the pool, never on the camera's exports.
    int GrabFrame(DWORD timeoutMs, TravikExFrame* frame);
    int ReleaseFrame(TravikExFrame* frame);
    int GetStreamEvent(HANDLE* event);
    int GetStreamStats(TravikExStreamStats* stats);
    // A frame whose camera was released while the application held it; 1, or 0 when the record
    // names no such frame.
    static int ReleaseFrameOfReleasedCamera(TravikExFrame* frame);
    // The camera is being released: grabs waiting on other threads return now.
    void EndStreamWaits();

    // ---- Files (src/files/CameraFiles.cpp) ----
    // The output image of the colour mode to a file of type 0..6; 1, or 0 (1 reported when there
    // is no device, no image yet for the narrow entry, or a wide path that has no exact ANSI form).
    int SaveImage(const char* path, int fileType);
    int SaveImageW(const wchar_t* path, int fileType);
    // Starts the preview if needed and a recording of `timeMs` from its first frame; 1, or 0
    // after reporting 9, 4, 12, 3, or 1 while another recording runs.
    int Record(const char* path, int timeMs, int showWindow);
    int RecordW(const wchar_t* path, int timeMs, int showWindow);
    // Record with the codec, pre-event buffer and sidecar of `options` (null: as Record); 1, or
    // 0 after reporting 9 for options out of range, 11 for MJPEG of a depth other than 8 or 24
    // bits, or what Record reports.
    int RecordExA(const char* path, int timeMs, int showWindow,
                  const TravikExRecordOptions* options);
    int RecordExW(const wchar_t* path, int timeMs, int showWindow,
                  const TravikExRecordOptions* options);
    // A mark in the running pre-event recording; 1, or 0 after reporting 1 when none runs.
    int MarkRecording();
    // The running or last recording's counts; 1, or 0 after reporting 9.
    int GetRecordingStatus(TravikExRecordingStatus* status);
    // The facts of the frame just read, kept for the recorder: called after every frame read,
    // under m_imageLock.
    void NoteFrameArrival(const FrameTruth& truth);
    RecordedFrameFacts FrameFactsForRecorder() const;
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

    // ---- Automatic recovery after a loss of the camera (CameraRecovery.cpp) ----
    // On or off (with the message of its notices); 0 after reporting 9 for a bad record.
    int SetRecovery(const TravikRecoveryOptions* options);
    // 0 after reporting 9 for a bad record.
    int GetRecoveryStatus(TravikRecoveryStatus* status);
    // A camera that came back at the device number, against the one that was lost: by the
    // serial in its ROM when the lost one had one, else by the number alone.
    enum class CameraMatch { Same, Other, Unreadable };

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
    CameraImages m_images;
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

    // Guards every image buffer against the worker thread. The dialogs' thread, which may own the
    // preview window the worker draws into, takes it answering sent messages.
    CriticalSection m_imageLock{CriticalSection::Waits::AnsweringSentMessages};
    CriticalSection m_configLock; // held while the configuration records are rewritten

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
    // The loop of preview and of the stream, which hands its frames to the pool instead.
    void PreviewLoop(bool streaming);
    void TriggerLoop();
    bool GrabFailedForGood(int grabbed) const;
    // The camera's side of a stop, while acquisition runs: trigger mode off, a waiting grab
    // ended, the transfer stopped and the owner mark released; nothing without a device object.
    void StopDeviceAcquisition();
    void RestartFrameRate();
    // The preview window exists, was not closed by the user and still has the settings it was
    // made with.
    bool PreviewWindowUsable() const;
    // Sets the new-frame and image-ready flags after a frame's output image; under m_imageLock.
    void AnnounceImage();
    int StartRecording(const FilePath& path, int timeMs, int showWindow,
                       const RecordingOptions& options);
    // The facts of the frame read last; the worker's, under m_imageLock.
    RecordedFrameFacts m_arrival;
    // Reads the claimed (preview) or grabbed (trigger, snapshot) frame into the raw buffer and
    // spreads its rows to the stride; a device result code. Under m_imageLock.
    int ReadRawFrame(bool grabbed, FrameTruth* truth = nullptr);
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

    // ---- Recovery's parts of the camera object ----
    // The start-up of a camera that powered up again, with every setting written to it before,
    // the clock first since a change of clock starts the sensor again.
    void RestoreAfterPowerUp();
    // Prepares the capture and starts the transfer: 0, or the code a start reports: 1 when the
    // preparation failed (which reported why), 6 when the transfer did not start.
    int StartTransferring();
    // Prepares the capture and switches the camera to trigger mode; 1, or 0 after reporting.
    int ArmTrigger();
    // The side of a lost camera that a wait for it keeps no more: the ended transfer and the grab
    // handle. The owner record stays claimed, for the camera that will come back.
    void StopTransferAfterLoss();
    // The record of the device number in use is ours, and no other number's.
    void ClaimOwnerAgain();
    CameraMatch MatchReturnedCamera();
    // Reads and keeps the camera's serial once per device number while recovery is on.
    void LearnCameraSerial();
    void ForgetCameraSerial() { m_serialKnown = false; }
    // The serial in the ROM's identification area: its printable text from byte 16, empty when
    // there is none; nothing when the ROM could not be read.
    std::optional<std::string> ReadCameraSerial();
    void PostRecoveryNotice(RecoveryEvent event, unsigned count);
    // The serial the camera had when it was lost; read under the export lock only.
    std::string m_cameraSerial;
    bool m_serialKnown = false;
    UINT m_recoveryMessage = WM_CAMERA_RECOVERY;
    // The I/O port value last written by the application, or -1: a camera that powered up again
    // gets it back.
    int m_ioPort = -1;

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
    settings::ProfileValues CurrentProfileValues() const;
    int ApplyProfile(ChangePolicy policy, const settings::ProfileValues& wanted,
                     TravikProfileResult* result);
    int RefuseProfile(TravikProfileResult* result, int code,
                      const settings::ProfileProblem& problem);
    bool BeginProfileCall(const wchar_t* path, TravikProfileResult* result);
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

    // The frame stream: what was asked for (the caller's thread of the starts) and the pool,
    // which any thread may use under its own lock.
    StreamRequest m_streamRequest;
    FramePool m_framePool;
    std::atomic<bool> m_streamResumed{false};
    // Starts the transfer and the worker in `state` once the capture is prepared; 1, or 0 after
    // stopping and reporting.
    int StartFreeRunning(AcquisitionState state);
    // Resets the frame rate, leaves trigger mode and starts the transfer: the device's code.
    int StartPreparedTransfer();
    int RunStream();
    // The owner's resume of a stream paused for a change or a dialog.
    int ResumeStream();
    // The stream ends by a stop (the owner's), or on the worker with the camera lost; the frame
    // message tells the application either way.
    void EndStream();
    void LoseStream();
    // With recovery on: the stream waits for its lost camera, and its next grab tells of the loss.
    void TellStreamOfLoss();
    // Called when a lost camera came back and the stream goes on: its next frame says so.
    void MarkStreamResumed() { m_streamResumed = true; }
    void DeliverToStream(const FrameTruth& truth);
    DeviceTally DeviceTallyNow() const;

    // The registration's reference, plus one per lease; see BeginUse.
    std::atomic<int> m_references{1};
    UniqueHandle m_controlLock; // the mutex of ExportScope
};
