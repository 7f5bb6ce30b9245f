// Acquisition engine: preparing a capture, the state machine of preview, capture and trigger
// mode, single frames on the caller's thread, and copying images out.
#include "camera/SettingsBlocks.h"
#include "camera/Travik.h"
#include "imaging/ImageBuffer.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <mmsystem.h>

#include <cstring>

using namespace settings;
using enum AcquisitionState;

namespace {

// The raw buffer, the output buffer and its bits per pixel of each colour mode.
using ImageSlot = ImageBuffer* CameraImages::*;
struct ModeBuffers {
    ImageSlot raw;
    ImageSlot output;
    int bits;
};
using I = CameraImages;
constexpr ModeBuffers kModeBuffers[6] = {
    {&I::samples8, &I::samples8, 8},  {&I::samples16, &I::samples16, 16},
    {&I::samples8, &I::color24, 24},  {&I::samples8, &I::color32, 32},
    {&I::samples16, &I::color48, 48}, {&I::samples16, &I::color64, 64}};

bool SizeBuffer(ImageBuffer* buffer, int width, int height, int bits) {
    if (!buffer) return false;
    if (buffer->Pixels() && buffer->Width() == width && buffer->Height() == height &&
        buffer->Bits() == bits)
        return true;
    return buffer->Create(width, height, bits) == 1;
}

} // namespace

ImageBuffer* CTravik::RawImage() const {
    if (m_colorMode < 0 || m_colorMode > 5) return nullptr;
    return m_images.*kModeBuffers[m_colorMode].raw;
}

ImageBuffer* CTravik::OutputImage() const {
    if (m_colorMode < 0 || m_colorMode > 5) return nullptr;
    return m_images.*kModeBuffers[m_colorMode].output;
}

int CTravik::PrepareCapture() {
    const int device = m_device->GetDeviceNumber();
    // The presence table is as old as the last enumeration: the camera is asked again.
    if (!m_device->IsDeviceReachable()) {
        if (!m_device->IsDevicePresent(device)) return ReportError(ERR_DEVICE), 0;
        return ReportDeviceLost(), 0;
    }
    if (!m_device->IsDevicePresent(device) || IsOwnedByOther(device))
        return ReportError(ERR_DEVICE), 0;
    m_device->AllowGrabs();
    // A camera plugged in again has powered up with its sensor stopped.
    if (m_deviceLost.exchange(0)) {
        // Started by the application rather than by a wait for it, it may be another camera.
        if (!m_acquisition.IsWaitingForCamera()) ForgetCameraSerial();
        RestoreAfterPowerUp();
    }
    if (!IsCaptureWindowValid()) return ReportError(ERR_GEOMETRY), 0;
    if (m_colorMode < 0 || m_colorMode > 5) return ReportError(ERR_MEMORY), 0;

    {
        // Image read-out may run on another of the caller's threads meanwhile.
        LockGuard lock(m_imageLock);
        const int w = m_EH, h = m_EV;
        const int mode = m_colorMode;
        // The mode's raw frame and output, and what the preview shows them through.
        bool sized = true;
        if (mode <= 3) sized = sized && SizeBuffer(m_images.samples8, w, h, 8);
        if (mode == 1 || mode >= 4) sized = sized && SizeBuffer(m_images.samples16, w, h, 16);
        if (mode != 1) sized = sized && SizeBuffer(m_images.color24, w, h, 24);
        if (mode >= 3) sized = sized && SizeBuffer(OutputImage(), w, h, kModeBuffers[mode].bits);
        if (!sized) return ReportError(ERR_MEMORY), 0;
    }

    const bool wordMode = m_colorMode == 1 || m_colorMode >= 4;
    m_device->SetWordMode(wordMode ? 1 : 0);
    int clock = 0;
    m_device->GetClock(&clock);
    if (clock != m_clock) {
        m_device->SetClock(m_clock);
        Sleep(100);
        m_device->StartSensor();
    }
    m_device->SetWindow(m_EHS, m_EVS, m_EH, m_EV, m_subSample);
    m_device->SetHorizontalMirror(m_cameraSettings[kMirrorH]);
    m_device->SetVerticalMirror(m_cameraSettings[kMirrorV]);
    m_device->SetTriggerMode(0);
    m_device->SetGain(m_cameraSettings[kGlobalGain]);
    m_device->SetExposure(m_cameraSettings[kExposure]);
    GetRealExposureTime(nullptr);
    RECT client;
    if (PreviewClientArea(client)) SizeDisplayBuffer(client);
    if (m_acquisition.RecoveryOn()) LearnCameraSerial();
    return 1;
}

int CTravik::FailStart(int code) {
    if (!m_deviceLost) ReportError(code);
    return 0;
}

void CTravik::ReportDeviceLost() {
    if (m_deviceLost.exchange(1)) return;
    PostNotice(0, ERR_DEVICE_LOST);
    ReportError(ERR_DEVICE_LOST);
}

void CTravik::RestartFrameRate() {
    m_frameCounter = 0;
    m_frameRate = 0;
    m_rateStart = static_cast<int>(timeGetTime());
}

int CTravik::StartPreview() {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    if (m_acquisition.Is(Previewing)) return 1;
    if (!m_acquisition.Require(Idle)) return 0;
    if (!PrepareCapture()) return FailStart(ERR_UNAVAILABLE);
    return StartFreeRunning(Previewing);
}

int CTravik::StartFreeRunning(AcquisitionState state) {
    // The device is claimed before it streams: another application that started on it since the
    // preparation looked has it now.
    const int device = m_device->GetDeviceNumber();
    if (!ClaimOwner(device)) {
        ReportError(ERR_DEVICE);
        return FailStart(ERR_UNAVAILABLE);
    }
    // The transfer runs before the worker polls it: a worker that finds no transfer running
    // takes it for one that ended because the camera went away.
    if (StartPreparedTransfer() != TVK_OK) {
        ReleaseOwner(device);
        StopPreview();
        return ReportError(ERR_DEVICE_IO), 0;
    }
    m_acquisition.Enter(state);
    const bool streaming = state == Streaming;
    if (m_acquisition.StartWorker([this, streaming] { PreviewLoop(streaming); })) return 1;
    StopPreview();
    return ReportError(ERR_THREAD), 0;
}

int CTravik::StartPreparedTransfer() {
    RestartFrameRate();
    m_device->SetTriggerMode(0);
    return m_device->StartTransfer();
}

int CTravik::StartTransferring() {
    if (!PrepareCapture()) return ERR_UNAVAILABLE;
    return StartPreparedTransfer() == TVK_OK ? 0 : ERR_DEVICE_IO;
}

int CTravik::StopPreview() {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    m_acquisition.Stop();
    return 1;
}

void CTravik::StopDeviceAcquisition() {
    if (!m_device) return;
    m_device->SetTriggerMode(0);
    // A trigger-mode worker may wait seconds for its grab; the grab ends now.
    m_device->CancelPendingGrab();
    m_device->StopTransfer();
    ReleaseOwner(m_device->GetDeviceNumber());
}

void CTravik::StoreCallerTarget(HWND notifyWindow, unsigned char* buffer, int length,
                                int rowOrder) {
    m_notifyWindow = notifyWindow;
    m_userBuffer = buffer;
    m_userLength = length;
    m_rowOrder = rowOrder;
}

int CTravik::Preview() {
    return CallBackPreview(nullptr, nullptr, 0, 0);
}

int CTravik::CallBackPreview(HWND window, unsigned char* buffer, int length, int rowOrder) {
    const auto storeTarget = [&] { return StoreCallerTarget(window, buffer, length, rowOrder), 1; };
    // The worker writes and posts under the image lock: once the change is made, the old buffer
    // is never written again.
    if (m_acquisition.Is(Previewing))
        return m_acquisition.Change(ChangePolicy::BetweenFrames, storeTarget);
    // A running stream is refused without being torn down: its frames are the application's.
    if (m_acquisition.Is(Streaming)) return ReportError(ERR_UNAVAILABLE), 0;
    if (m_acquisition.Is(Idle)) storeTarget();
    if (WantsPreviewWindow() && !PreviewWindowUsable() && !OpenPreviewWindow()) return 0;
    if (StartPreview()) return 1;
    Close();
    return FailStart(ERR_TRANSFER);
}

int CTravik::Capture() {
    if (m_acquisition.Is(Capturing)) return 1;
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    if (!m_acquisition.Require(Idle)) return 0;
    if (!PrepareCapture()) return FailStart(ERR_UNAVAILABLE);
    m_acquisition.Enter(Capturing);
    return 1;
}

int CTravik::SnapShot(unsigned char* buffer, int length, int rowOrder) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    if (!m_acquisition.Require(Idle, Capturing)) return 0;
    // Capture keeps the grab handle open between snapshots; otherwise each opens and closes it.
    const bool keepHandle = m_acquisition.Is(Capturing);
    // A camera lost in capture state powered up with its sensor stopped when it came back: the
    // first snapshot after that prepares it again, or it would take black frames.
    const bool prepare = !keepHandle || m_deviceLost.load() != 0;
    if (prepare && !PrepareCapture()) return FailStart(ERR_UNAVAILABLE);

    LockGuard lock(m_imageLock);
    const int grabbed = m_device->GrabFrame();
    const int read = grabbed == TVK_OK ? ReadRawFrame(true) : grabbed;
    if (read != TVK_OK) {
        if (!keepHandle) m_device->CloseGrabHandle();
        if (grabbed != TVK_OK && !m_device->IsDeviceReachable()) return ReportDeviceLost(), 0;
        if (grabbed == TVK_OK) PostNotice(0, ERR_TRANSFER);
        return ReportError(ERR_TRANSFER), 0;
    }
    ProcessFrame();
    m_imageReady = 1;
    if (buffer && length) {
        // CopyImageOut has reported the short buffer already.
        if (!CopyImageOut(OutputImage(), rowOrder, buffer, length)) {
            if (!keepHandle) m_device->CloseGrabHandle();
            return 0;
        }
    }
    if (!keepHandle) m_device->CloseGrabHandle();
    return 1;
}

int CTravik::Trigger(HWND window, unsigned char* buffer, int length, int rowOrder) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    if (!m_acquisition.Require(Idle, Triggered)) return 0;
    const auto storeTarget = [&] { return StoreCallerTarget(window, buffer, length, rowOrder), 1; };
    if (m_acquisition.Is(Triggered))
        return m_acquisition.Change(ChangePolicy::BetweenFrames, storeTarget);
    storeTarget();
    if (WantsPreviewWindow() && !PreviewWindowUsable() && !OpenPreviewWindow()) return 0;
    if (!ArmTrigger()) {
        Close();
        return FailStart(ERR_UNAVAILABLE);
    }
    m_acquisition.Enter(Triggered);
    if (m_acquisition.StartWorker([this] { TriggerLoop(); })) return 1;
    Close();
    return ReportError(ERR_THREAD), 0;
}

int CTravik::ArmTrigger() {
    if (!PrepareCapture()) return 0;
    m_triggerTimeout = 3000;
    m_device->SetTransferTimeout(m_triggerTimeout);
    m_device->SetTriggerMode(1);
    m_triggerFlag = 0;
    return 1;
}

int CTravik::GetImage(unsigned char* buffer, int length, int rowOrder) {
    if (!m_device || !OutputImage()) return ReportError(ERR_UNAVAILABLE), 0;
    LockGuard lock(m_imageLock);
    const ImageBuffer* image = OutputImage();
    if (!buffer || !image->Pixels()) return ReportError(ERR_MEMORY), 0;
    // A failed copy has posted and reported its code.
    return CopyImageOut(image, rowOrder, buffer, length);
}

int CTravik::CopyImageOut(const ImageBuffer* image, int rowOrder, unsigned char* buffer,
                          int length) {
    const long long needed = static_cast<long long>(image->Height()) * image->Stride();
    if (!buffer || !image->Pixels() || length < needed) {
        PostNotice(0, ERR_MEMORY);
        return ReportError(ERR_MEMORY), 0;
    }
    const int stride = image->Stride();
    const int height = image->Height();
    if (rowOrder != 0) {
        std::memcpy(buffer, image->Pixels(), static_cast<size_t>(needed));
    } else {
        for (int row = 0; row < height; ++row)
            std::memcpy(buffer + static_cast<size_t>(height - 1 - row) * stride,
                        image->Pixels() + static_cast<size_t>(row) * stride, stride);
    }
    return 1;
}

void CTravik::PostNotice(WPARAM info, LPARAM code) {
    if (m_notifyWindow) PostMessageA(m_notifyWindow, WM_CAMERA_NOTIFY, info, code);
}
