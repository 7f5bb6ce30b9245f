// Camera object: one per handle; owns the device object, the image buffers, the settings and the
// preview window, and carries out every exported operation.
#pragma once

#include <windows.h>

#include "TravikSdk.h"
#include "api/ErrorStack.h"

#include <atomic>

class CTravik380TZ4RDXSdk;
class ImageBuffer;

class CTravik {
  public:
    CTravik();
    virtual ~CTravik();
    CTravik(const CTravik&) = delete;
    CTravik& operator=(const CTravik&) = delete;

    // ---- Use by exports (the registry holds a lease while an export runs) ----
    void BeginUse() { m_users.fetch_add(1); }
    void EndUse() { m_users.fetch_sub(1); }
    void WaitUnused() const;

    // ---- Initialisation and devices ----
    int Initialize(HWND window);

    // ---- Error reporting ----
    // Pushes the code and posts WM_CAMERA_ERROR to the application's window when there is one.
    void ReportError(int code);
    // Posts WM_CAMERA_ERROR without pushing and without testing for a window: with no window
    // the message lands in the calling thread's own queue.
    void PostError(int code);
    void PushError(int code) { m_errors.Push(code); }
    int GetLastError() { return m_errors.Pop(); }

    // ---- Members, in declared order ----
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

    int m_recording = 0;

    HWND m_parentWindow = nullptr;
    int m_previewRect[4] = {0, 0, 1280, 960};
    HWND m_appWindow = nullptr;
    HWND m_notifyWindow = nullptr;
    unsigned char* m_userBuffer = nullptr;
    int m_userLength = 0;
    int m_rowOrder = 0;
    FrameInfo m_frameInfo = {32, 0, 0, 0, 0, nullptr};

    int m_acqState = 0;
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

  private:
    std::atomic<int> m_users{0};
};
