// Acquisition engine: the worker thread, its preview and trigger loops, and the frame record
// posted with every frame notice.
#include "camera/ImageLock.h"
#include "camera/Travik.h"
#include "imaging/ImageBuffer.h"
#include "imaging/pipeline/StripPool.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <mmsystem.h>

namespace {

constexpr int kBitsOfMode[6] = {8, 16, 24, 32, 48, 64};

} // namespace

int CTravik::ReadRawFrame(bool grabbed) {
    ImageBuffer* raw = RawImage();
    if (!raw || !raw->Pixels()) return TVK_NO_DESTINATION;
    // The window is cut out of the camera's whole rows straight to the buffer's stride: the one
    // pass over the frame that a read needs.
    const std::size_t stride = static_cast<std::size_t>(raw->Stride());
    return grabbed ? m_device->ReadGrabbedFrame(raw->Pixels(), raw->ImageBytes(), stride)
                   : m_device->ReadFrame(raw->Pixels(), raw->ImageBytes(), stride);
}

void CTravik::FillFrameInfo(bool measureRate) {
    const ImageBuffer* raw = RawImage();
    m_frameInfo.size = sizeof(FrameInfo);
    m_frameInfo.width = raw->Width();
    m_frameInfo.height = raw->Height();
    m_frameInfo.bitsPerPixel = kBitsOfMode[m_colorMode];
    m_frameInfo.buffer = m_userBuffer;
    if (!measureRate) {
        m_frameInfo.frameRate = 0;
        return;
    }
    ++m_frameCounter;
    const int now = static_cast<int>(timeGetTime());
    const int elapsed = now - m_rateStart;
    if (elapsed > 1000) {
        m_frameRate = static_cast<int>(static_cast<long long>(m_frameCounter) * 10000 / elapsed);
        m_frameCounter = 0;
        m_rateStart = now;
    }
    m_frameInfo.frameRate = m_frameRate;
}

// The output image is complete: it can be read out, and a running recording takes it now.
void CTravik::AnnounceImage() {
    m_avi.TakeFrame(OutputImage());
    m_imageReady = 1;
}

void CTravik::PreviewLoop() {
    while (m_acquisition.Flag() != RunFlag::Stop) {
        // A stop ends the wait: it never waits out the wait time.
        m_acquisition.WaitBetweenFrames(static_cast<DWORD>(m_waitTime));
        if (m_acquisition.Flag() != RunFlag::Run) continue;
        const int polled = m_device->PollFrame();
        // A stop in progress also ends the transfer; only an end seen while running counts.
        const RunFlag flag = m_acquisition.Flag();
        if (flag == RunFlag::Stop) break;
        // The transfer thread ends by itself only when the camera failed or could not be opened.
        if (polled == POLL_FAILED || (polled == POLL_STOPPED && flag == RunFlag::Run)) {
            m_acquisition.SetFlag(RunFlag::Stop);
            ReportDeviceLost();
            break;
        }
        if (polled != POLL_FRAME) continue;

        ImageLock lock(m_imageLock);
        if (ReadRawFrame(false) != TVK_OK) {
            PostNotice(0, ERR_TRANSFER);
            ReportError(ERR_TRANSFER);
            continue;
        }
        FillFrameInfo(true);
        ProcessFrame(PipelineThreads());
        AnnounceImage();
        DrawPreview();
        if (m_userBuffer && m_userLength != 0 &&
            !CopyImageOut(OutputImage(), m_rowOrder, m_userBuffer, m_userLength))
            continue;
        // The target may be swapped once the lock is left: this frame's notice goes where its
        // pixels went.
        const HWND notifyWindow = m_notifyWindow;
        lock.Unlock();
        if (notifyWindow)
            PostMessageA(notifyWindow, WM_CAMERA_NOTIFY, reinterpret_cast<WPARAM>(&m_frameInfo), 0);
    }
}

// A failed grab is a lost camera when the camera can no longer be opened; otherwise it was a
// time-out without a trigger, and the loop grabs again.
bool CTravik::GrabFailedForGood(int grabbed) {
    if (grabbed == TVK_OK || m_device->IsDeviceReachable()) return false;
    m_acquisition.SetFlag(RunFlag::Stop);
    ReportDeviceLost();
    return true;
}

void CTravik::TriggerLoop() {
    while (m_acquisition.Flag() != RunFlag::Stop) {
        if (m_acquisition.Flag() != RunFlag::Run) {
            m_acquisition.WaitBetweenFrames(10);
            continue;
        }
        const int grabbed = m_device->GrabFrame();
        if (m_acquisition.Flag() == RunFlag::Stop) break;
        if (GrabFailedForGood(grabbed)) break;
        if (grabbed != TVK_OK) continue;
        if (m_triggerFlag) {
            m_triggerFlag = 0;
            continue;
        }

        ImageLock lock(m_imageLock);
        if (ReadRawFrame(true) != TVK_OK) continue;
        FillFrameInfo(false);
        ProcessFrame(PipelineThreads());
        AnnounceImage();
        if (m_userBuffer && m_userLength != 0 &&
            !CopyImageOut(OutputImage(), m_rowOrder, m_userBuffer, m_userLength))
            continue;
        PostNotice(reinterpret_cast<WPARAM>(&m_frameInfo), 0);
        DrawPreview();
    }
    // The grab handle belongs to this thread while the loop runs.
    m_device->CloseGrabHandle();
}
