// Image files and recording: the slots of the frame queue and the hand-over between its threads.
#include "files/FrameQueue.h"

#include <climits>
#include <new>

FrameQueue::FrameQueue() : m_progressEvent(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

bool FrameQueue::Allocate(size_t frameBytes, size_t slots, bool encodingStage) {
    Release();
    // Slots start on cache lines, so that no two frames share one; the byte after a frame is its
    // pad byte when the frame's size is odd.
    const size_t slotBytes = (kHeaderRoom + frameBytes + 1 + 63) & ~size_t{63};
    if (slots == 0 || slotBytes > SIZE_MAX / slots || slots > LONG_MAX) return false;
    m_memory.reset(new (std::nothrow) uint8_t[slotBytes * slots + 64]);
    m_times.reset(new (std::nothrow) uint32_t[slots]);
    m_facts.reset(new (std::nothrow) RecordedFrameFacts[slots]);
    m_states.reset(new (std::nothrow) std::atomic<int32_t>[slots]);
    if (encodingStage)
        m_claimSignal.reset(CreateSemaphoreA(nullptr, 0, static_cast<LONG>(slots), nullptr));
    if (!m_memory || !m_times || !m_facts || !m_states || (encodingStage && !m_claimSignal)) {
        Release();
        return false;
    }
    m_base = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(m_memory.get()) + 63) &
                                        ~uintptr_t{63});
    m_slots = slots;
    m_slotBytes = slotBytes;
    return true;
}

void FrameQueue::Release() {
    m_memory.reset();
    m_times.reset();
    m_facts.reset();
    m_states.reset();
    m_claimSignal.reset();
    m_base = nullptr;
    m_slots = 0;
    m_slotBytes = 0;
    m_pushed.store(0);
    m_popped.store(0);
    m_claimed.store(0);
}

uint8_t* FrameQueue::FreeSlot() const {
    const size_t pushed = m_pushed.load(std::memory_order_relaxed);
    if (m_slots == 0 || pushed - m_popped.load(std::memory_order_acquire) >= m_slots)
        return nullptr;
    return Slot(pushed) + kHeaderRoom;
}

void FrameQueue::Push(uint32_t time, const RecordedFrameFacts& facts) {
    const size_t pushed = m_pushed.load(std::memory_order_relaxed);
    const size_t index = pushed % m_slots;
    m_times[index] = time;
    m_facts[index] = facts;
    m_states[index].store(kPending, std::memory_order_relaxed);
    m_pushed.store(pushed + 1, std::memory_order_release);
    if (m_claimSignal) ReleaseSemaphore(m_claimSignal.get(), 1, nullptr);
    if (m_progressEvent) SetEvent(m_progressEvent.get());
}

void FrameQueue::Encoded(size_t claim, int32_t bytes) {
    m_states[claim % m_slots].store(bytes, std::memory_order_release);
    if (m_progressEvent) SetEvent(m_progressEvent.get());
}

bool FrameQueue::Oldest(Frame& frame) const {
    const size_t popped = m_popped.load(std::memory_order_relaxed);
    if (m_slots == 0 || m_pushed.load(std::memory_order_acquire) == popped) return false;
    const size_t index = popped % m_slots;
    frame.encodedBytes = 0;
    if (m_claimSignal) {
        frame.encodedBytes = m_states[index].load(std::memory_order_acquire);
        if (frame.encodedBytes == kPending) return false;
    }
    frame.chunk = Slot(popped);
    frame.time = m_times[index];
    frame.facts = m_facts[index];
    return true;
}

void FrameQueue::Pop() {
    m_popped.store(m_popped.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

void FrameQueue::WaitForProgress(uint32_t ms) const {
    if (m_progressEvent)
        WaitForSingleObject(m_progressEvent.get(), ms);
    else
        Sleep(ms);
}
