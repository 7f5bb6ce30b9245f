// Acquisition engine: preparing a capture, the state machine of preview, capture and trigger
// mode, single frames on the caller's thread, and copying images out.
#include "camera/SettingsBlocks.h"
#include "camera/ImageLock.h"
#include "camera/Travik.h"
#include "imaging/ImageBuffer.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <mmsystem.h>

#include <cstring>

using namespace settings;
using enum AcquisitionState;

namespace {

// Raw buffer index, output buffer index and bits per pixel of each colour mode.
struct ModeBuffers {
    int raw;
    int output;
    int bits;
};
constexpr ModeBuffers kModeBuffers[6] = {{0, 0, 8},  {1, 1, 16}, {0, 2, 24},
                                         {0, 3, 32}, {1, 4, 48}, {1, 5, 64}};

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
    return m_images[kModeBuffers[m_colorMode].raw];
}

ImageBuffer* CTravik::OutputImage() const {
    if (m_colorMode < 0 || m_colorMode > 5) return nullptr;
    return m_images[kModeBuffers[m_colorMode].output];
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
        m_device->StartSensor();
        ApplySensorSettings();
    }
    if (!IsCaptureWindowValid()) return ReportError(ERR_GEOMETRY), 0;
    if (m_colorMode < 0 || m_colorMode > 5) return ReportError(ERR_MEMORY), 0;

    {
        // Image read-out may run on another of the caller's threads meanwhile.
        ImageLock lock(m_imageLock);
        const int w = m_EH, h = m_EV;
        const int mode = m_colorMode;
        bool sized = true;
        if (mode <= 3) sized = sized && SizeBuffer(m_images[0], w, h, 8);
        if (mode == 1 || mode >= 4) sized = sized && SizeBuffer(m_images[1], w, h, 16);
        if (mode != 1) sized = sized && SizeBuffer(m_images[2], w, h, 24);
        if (mode >= 3) sized = sized && SizeBuffer(m_images[mode], w, h, kModeBuffers[mode].bits);
        ImageBuffer* output = OutputImage();
        sized = sized && output;
        // Sharpening works from copies of a few rows per strip: no whole copy of the output.
        if (m_images[6]) m_images[6]->Release();
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
    // The device is claimed before it streams: another application that started on it since the
    // preparation looked has it now.
    const int device = m_device->GetDeviceNumber();
    if (!ClaimOwner(device)) {
        ReportError(ERR_DEVICE);
        return FailStart(ERR_UNAVAILABLE);
    }

    RestartFrameRate();
    m_device->SetTriggerMode(0);
    // The transfer runs before the worker polls it: a worker that finds no transfer running
    // takes it for one that ended because the camera went away.
    if (m_device->StartTransfer() != TVK_OK) {
        ReleaseOwner(device);
        StopPreview();
        return ReportError(ERR_DEVICE_IO), 0;
    }
    m_acquisition.Enter(Previewing);
    if (m_acquisition.StartWorker([this] { PreviewLoop(); })) return 1;
    StopPreview();
    return ReportError(ERR_THREAD), 0;
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
    if (!keepHandle && !PrepareCapture()) return FailStart(ERR_UNAVAILABLE);

    ImageLock lock(m_imageLock);
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
    if (!PrepareCapture()) {
        Close();
        return FailStart(ERR_UNAVAILABLE);
    }
    m_acquisition.Enter(Triggered);
    m_triggerTimeout = 3000;
    m_device->SetTransferTimeout(m_triggerTimeout);
    m_device->SetTriggerMode(1);
    m_triggerFlag = 0;
    if (m_acquisition.StartWorker([this] { TriggerLoop(); })) return 1;
    Close();
    return ReportError(ERR_THREAD), 0;
}

int CTravik::GetImage(unsigned char* buffer, int length, int rowOrder) {
    if (!m_device || !OutputImage()) return ReportError(ERR_UNAVAILABLE), 0;
    ImageLock lock(m_imageLock);
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
