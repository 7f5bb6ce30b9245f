// Camera object: the frame stream's buffers, their modes, the grab, the release and the counts.
#include "camera/FramePool.h"

#include <algorithm>
#include <new>

namespace {

// Frames that the application still held when their camera was released: kept, readable, until
// they are given back. Freed with the library at the latest.
struct OrphanedFrames {
    std::mutex lock;
    std::vector<std::unique_ptr<StreamFrame>> frames;
};

OrphanedFrames& Orphans() {
    static OrphanedFrames orphans;
    return orphans;
}

bool Reserve(StreamFrame& frame, std::size_t bytes) {
    if (frame.capacity >= bytes && frame.pixels) return true;
    frame.pixels.reset();
    frame.capacity = 0;
    frame.pixels.reset(new (std::nothrow) unsigned char[bytes]);
    if (!frame.pixels) return false;
    frame.capacity = bytes;
    return true;
}

// Finds the entry owning `frame` by address only: an address the application passes in is
// compared, never followed.
template <class Container> auto FindFrame(Container& frames, const void* frame) {
    return std::find_if(frames.begin(), frames.end(),
                        [frame](const auto& held) { return held.get() == frame; });
}

} // namespace

bool ReleaseOrphanedFrame(const void* frame) {
    std::unique_ptr<StreamFrame> released; // freed outside the lock
    OrphanedFrames& orphans = Orphans();
    std::lock_guard<std::mutex> lock(orphans.lock);
    const auto found = FindFrame(orphans.frames, frame);
    if (found == orphans.frames.end()) return false;
    released = std::move(*found);
    orphans.frames.erase(found);
    return true;
}

FramePool::FramePool() {
    m_ready.reset(CreateEventA(nullptr, TRUE, TRUE, nullptr));
}

FramePool::~FramePool() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_held.empty()) return;
    OrphanedFrames& orphans = Orphans();
    std::lock_guard<std::mutex> orphansLock(orphans.lock);
    for (auto& frame : m_held)
        orphans.frames.push_back(std::move(frame));
}

bool FramePool::Open(const StreamConfig& config, std::size_t frameBytes,
                     const DeviceTally& device) {
    // Made outside the lock: grabs and releases go on meanwhile.
    std::vector<std::unique_ptr<StreamFrame>> buffers;
    for (int i = 0; i <= config.buffers; ++i) {
        auto frame = std::unique_ptr<StreamFrame>(new (std::nothrow) StreamFrame());
        if (!frame || !Reserve(*frame, frameBytes)) return false;
        buffers.push_back(std::move(frame));
    }
    std::lock_guard<std::mutex> lock(m_lock);
    m_config = config;
    m_open = true;
    m_lostPending = false;
    ++m_generation;
    for (auto& frame : buffers)
        frame->generation = m_generation;
    m_free = std::move(buffers);
    m_queue.clear();
    m_lastHandedOutId = m_lastOfferedId = device.delivered;
    m_atOpen = m_atClose = device;
    m_counts = PoolCounts();
    UpdateReadyEvent();
    return true;
}

void FramePool::NoteLoss() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_open) return;
    m_lostPending = true;
    UpdateReadyEvent();
}

void FramePool::Close(bool deviceLost, const DeviceTally& device) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_open) return;
    m_open = false;
    m_lostPending = deviceLost;
    m_atClose = device;
    m_counts.discarded += m_queue.size();
    if (device.delivered > m_lastOfferedId) m_counts.discarded += device.delivered - m_lastOfferedId;
    m_lastOfferedId = device.delivered;
    for (auto& frame : m_queue)
        m_free.push_back(std::move(frame));
    m_queue.clear();
    UpdateReadyEvent();
}

bool FramePool::IsOpen() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_open;
}

std::unique_ptr<StreamFrame> FramePool::TakeSpare() {
    if (m_free.empty()) return nullptr;
    std::unique_ptr<StreamFrame> frame = std::move(m_free.back());
    m_free.pop_back();
    return frame;
}

StreamFrame* FramePool::BeginFill(std::uint64_t frameId, std::size_t bytes) {
    std::unique_ptr<StreamFrame> spare;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_open || frameId <= m_lastOfferedId) return nullptr;
        m_counts.skippedByRing += frameId - m_lastOfferedId - 1;
        m_lastOfferedId = frameId;
        const bool refuseWhenFull = m_config.mode == StreamMode::Queue &&
                                    m_config.queueFull == QueueFullPolicy::RefuseNewest;
        // Refusing keeps the queue as it is; with every buffer in the application's hands no
        // frame has room, whatever the mode.
        if ((refuseWhenFull && !RoomForOneMore()) || m_held.size() >= Capacity() ||
            !(spare = TakeSpare())) {
            ++m_counts.droppedByPool;
            return nullptr;
        }
    }
    // A setting change that made frames larger is met here, once per buffer, outside the lock.
    const bool reserved = Reserve(*spare, bytes);
    std::lock_guard<std::mutex> lock(m_lock);
    if (!reserved) {
        ++m_counts.droppedByPool;
        m_free.push_back(std::move(spare));
        return nullptr;
    }
    m_filling = std::move(spare);
    return m_filling.get();
}

bool FramePool::EndFill(StreamFrame* frame) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_filling || m_filling.get() != frame) return false;
    std::unique_ptr<StreamFrame> filled = std::move(m_filling);
    filled->readyTicks = now.QuadPart;
    if (m_config.mode == StreamMode::Newest) {
        m_counts.droppedByMode += m_queue.size();
        for (auto& older : m_queue)
            m_free.push_back(std::move(older));
        m_queue.clear();
    } else if (!RoomForOneMore() && !m_queue.empty() &&
               m_config.queueFull == QueueFullPolicy::DropOldest) {
        ++m_counts.droppedByPool;
        m_free.push_back(std::move(m_queue.front()));
        m_queue.pop_front();
    }
    // Grabs may have filled the room meanwhile: the application never has more than its share.
    const bool queued = RoomForOneMore() && m_open;
    if (queued) {
        m_queue.push_back(std::move(filled));
    } else {
        ++(m_open ? m_counts.droppedByPool : m_counts.discarded);
        m_free.push_back(std::move(filled));
    }
    UpdateReadyEvent();
    return queued;
}

GrabOutcome FramePool::Grab(DWORD timeoutMs, StreamFrame*& frame) {
    frame = nullptr;
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (!m_queue.empty()) {
                std::unique_ptr<StreamFrame> taken = std::move(m_queue.front());
                m_queue.pop_front();
                const std::uint64_t id = taken->truth.frameId;
                taken->skippedBefore = id > m_lastHandedOutId ? id - m_lastHandedOutId - 1 : 0;
                m_lastHandedOutId = id;
                ++m_counts.handedOut;
                frame = taken.get();
                m_held.push_back(std::move(taken));
                UpdateReadyEvent();
                return GrabOutcome::Frame;
            }
            if (m_lostPending) {
                m_lostPending = false;
                return GrabOutcome::DeviceLost;
            }
            if (!m_open) return GrabOutcome::NotRunning;
        }
        const ULONGLONG elapsed = GetTickCount64() - start;
        if (timeoutMs != INFINITE && elapsed >= timeoutMs) return GrabOutcome::TimedOut;
        const DWORD wait =
            timeoutMs == INFINITE ? INFINITE : static_cast<DWORD>(timeoutMs - elapsed);
        WaitForSingleObject(m_ready.get(), wait);
    }
}

bool FramePool::Release(const void* frame) {
    std::unique_ptr<StreamFrame> released; // a frame of an earlier stream is freed outside
    std::lock_guard<std::mutex> lock(m_lock);
    const auto found = FindFrame(m_held, frame);
    if (found == m_held.end()) return false;
    released = std::move(*found);
    m_held.erase(found);
    if (released->generation == m_generation) m_free.push_back(std::move(released));
    return true;
}

PoolCounts FramePool::Counts(const DeviceTally& device) const {
    std::lock_guard<std::mutex> lock(m_lock);
    PoolCounts counts = m_counts;
    const DeviceTally& until = m_open ? device : m_atClose;
    counts.delivered = until.delivered - m_atOpen.delivered;
    counts.lostTransfers = until.lost - m_atOpen.lost;
    counts.queueDepth = static_cast<std::uint32_t>(m_queue.size());
    counts.held = static_cast<std::uint32_t>(m_held.size());
    return counts;
}

void FramePool::UpdateReadyEvent() {
    if (!m_queue.empty() || !m_open || m_lostPending)
        SetEvent(m_ready.get());
    else
        ResetEvent(m_ready.get());
}
