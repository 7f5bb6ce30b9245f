// Device access layer: starting, polling and stopping the transfer thread, and single grabs.
#include "device/TVKSdkLib.h"

namespace {
// The thread's frames go straight to the driver; it needs little stack.
constexpr SIZE_T kTransferStackBytes = 256 * 1024;
} // namespace

DWORD CTVKSdkLib::TransferSize() const {
    return static_cast<DWORD>(m_transferLength) * (m_wordMode ? 2u : 1u);
}

void CTVKSdkLib::ReapTransferThread() {
    if (!m_transferThread) return;
    // The thread has set (or is about to set) its finished event and touches nothing after it.
    WaitForSingleObject(m_transferThread.get(), INFINITE);
    m_transferThread.reset();
}

int CTVKSdkLib::StartTransfer() {
    if (m_transfer.stopFlag.load() == 0) return TVK_ALREADY_RUNNING;
    ReapTransferThread(); // one that ended by itself after a failure
    if (m_ring.empty()) return TVK_NO_MEMORY;

    m_transfer.transferSize = TransferSize(); // never more than a slot: slots hold word mode
    PrepareTransfer();

    if (!m_transfer.finished)
        m_transfer.finished.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!m_transfer.frameReady)
        m_transfer.frameReady.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!m_transfer.finished || !m_transfer.frameReady) return TVK_NO_MEMORY;
    ResetEvent(m_transfer.finished.get());
    ResetEvent(m_transfer.frameReady.get());

    m_transfer.errorFlag.store(0);
    m_transfer.result.store(TVK_OK);
    m_transfer.framesTransferred.store(0);
    m_transfer.writeIndex.store(0);
    m_transfer.readIndex.store(0);
    m_transfer.newestFrame.store(0);
    m_transfer.claimedFrames = 0;
    m_transfer.takenFrames = 0;
    m_transfer.ringCount = m_ring.count();
    m_transfer.slots = m_ring.slots();
    m_transfer.devicePath = m_devicePath;
    m_transfer.stopFlag.store(0);

    // Created suspended so that it starts at its priority.
    HANDLE thread = CreateThread(nullptr, kTransferStackBytes, TransferThreadProc, &m_transfer,
                                 CREATE_SUSPENDED | STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr) {
        m_transfer.stopFlag.store(1);
        return TVK_NO_MEMORY;
    }
    m_transferThread.reset(thread);
    SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST);
    ResumeThread(thread);
    return TVK_OK;
}

int CTVKSdkLib::StopTransfer() {
    if (m_transfer.stopFlag.load() == 1 && m_transfer.errorFlag.load() == 0) {
        ReapTransferThread(); // one that could not open the device ended by itself
        return TVK_OK;
    }
    if (m_transfer.stopFlag.exchange(1) == 0)
        WaitForSingleObject(m_transfer.finished.get(), INFINITE);
    ReapTransferThread();
    // A consumer still waiting for a frame wakes now and sees the stop on its next poll.
    SetEvent(m_transfer.frameReady.get());
    m_transfer.stopFlag.store(1);
    m_transfer.errorFlag.store(0);
    return m_transfer.result.load();
}

int CTVKSdkLib::PollFrame() {
    if (m_transfer.errorFlag.load() == 1) return POLL_FAILED;
    if (m_transfer.stopFlag.load() == 1) return POLL_STOPPED;
    if (!HasNewFrame(m_transfer)) {
        const DWORD wait = WaitForSingleObject(m_transfer.frameReady.get(), kPollTimeoutMs);
        return wait == WAIT_OBJECT_0 ? POLL_NOTHING : POLL_FAILED;
    }
    // A failed read is flagged before it is counted: a new count seen with the flag is no frame.
    if (m_transfer.errorFlag.load() == 1 || m_transfer.newestFrame.load() == 0) return POLL_FAILED;
    ClaimNewestSlot(m_transfer);
    return POLL_FRAME;
}

int CTVKSdkLib::ReadFrame(void* destination, std::size_t capacity, std::size_t rowStride) {
    if (destination == nullptr) return TVK_NO_DESTINATION;
    if (m_ring.empty()) return TVK_NO_MEMORY;
    const int count = m_ring.count();
    int read = m_transfer.readIndex.load();
    if (read < 0 || read >= count) read = 0;
    const FrameSlot& slot = m_ring.slots()[read];
    const int copied = CopyWindow(destination, capacity, slot.data(), slot.size(), rowStride);
    if (copied != TVK_OK) return copied;
    m_transfer.takenFrames = m_transfer.claimedFrames;
    m_transfer.readIndex.store(read + 1 >= count ? 0 : read + 1);
    return TVK_OK;
}

int CTVKSdkLib::GrabFrame() {
    const DWORD size = TransferSize();
    if (!m_rawFrame || size > m_slotSize) {
        m_lastResult = TVK_TRANSFER_FAILED;
        return TVK_NO_MEMORY;
    }
    if (!m_grabHandle) {
        m_grabHandle = driver::OpenDevice(m_devicePath);
        if (!m_grabHandle) {
            m_lastResult = TVK_TRANSFER_FAILED;
            return TVK_NO_DEVICE;
        }
    }
    PrepareTransfer();
    SendOn(m_grabHandle.get(), MakePacket(CMD_START_FRAME));
    {
        // A cancel that came before the read was issued ends this grab too.
        std::lock_guard<std::mutex> lock(m_pendingGrabLock);
        if (m_grabsCancelled) return TVK_TRANSFER_FAILED;
        m_pendingGrab = m_grabHandle.get();
    }
    const driver::Outcome outcome =
        driver::TransferOnPipe(m_grabHandle.get(), driver::IOCTL_CAM_PIPE_IN_DIRECT,
                               driver::PIPE_IMAGE, m_rawFrame.get(), size);
    {
        std::lock_guard<std::mutex> lock(m_pendingGrabLock);
        m_pendingGrab = nullptr;
    }
    if (outcome == driver::Outcome::Complete) return TVK_OK;
    m_lastResult = TVK_TRANSFER_FAILED;
    m_grabHandle.reset();
    return TVK_TRANSFER_FAILED;
}

void CTVKSdkLib::CancelPendingGrab() {
    std::lock_guard<std::mutex> lock(m_pendingGrabLock);
    m_grabsCancelled = true;
    if (m_pendingGrab) CancelIoEx(m_pendingGrab, nullptr);
}

void CTVKSdkLib::AllowGrabs() {
    std::lock_guard<std::mutex> lock(m_pendingGrabLock);
    m_grabsCancelled = false;
}

int CTVKSdkLib::ReadGrabbedFrame(void* destination, std::size_t capacity, std::size_t rowStride) {
    if (destination == nullptr) return TVK_NO_DESTINATION;
    return CopyWindow(destination, capacity, m_rawFrame.get(), m_rawFrame ? m_slotSize : 0,
                      rowStride);
}

int CTVKSdkLib::SetTransferTimeout(int ms) {
    m_timeoutMs = ms;
    UniqueHandle device = driver::OpenDevice(m_devicePath);
    if (!device) return TVK_NO_DEVICE;
    return driver::SetDriverTimeout(device.get(), static_cast<DWORD>(ms)) ? TVK_OK
                                                                          : TVK_SEND_FAILED;
}
