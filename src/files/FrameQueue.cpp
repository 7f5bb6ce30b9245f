// Image files and recording: the slots of the frame queue and the hand-over between its threads.
#include "files/FrameQueue.h"

#include <new>

FrameQueue::FrameQueue() : m_pushedEvent(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

bool FrameQueue::Allocate(size_t frameBytes, size_t slots) {
    Release();
    // Slots start on cache lines, so that no two frames share one.
    const size_t slotBytes = (kHeaderRoom + frameBytes + 63) & ~size_t{63};
    if (slots == 0 || slotBytes > SIZE_MAX / slots) return false;
    m_memory.reset(new (std::nothrow) uint8_t[slotBytes * slots + 64]);
    m_times.reset(new (std::nothrow) uint32_t[slots]);
    if (!m_memory || !m_times) {
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
    m_base = nullptr;
    m_slots = 0;
    m_slotBytes = 0;
    m_pushed.store(0);
    m_popped.store(0);
}

uint8_t* FrameQueue::FreeSlot() const {
    const size_t pushed = m_pushed.load(std::memory_order_relaxed);
    if (m_slots == 0 || pushed - m_popped.load(std::memory_order_acquire) >= m_slots)
        return nullptr;
    return Slot(pushed) + kHeaderRoom;
}

void FrameQueue::Push(uint32_t time) {
    const size_t pushed = m_pushed.load(std::memory_order_relaxed);
    m_times[pushed % m_slots] = time;
    m_pushed.store(pushed + 1, std::memory_order_release);
    if (m_pushedEvent) SetEvent(m_pushedEvent.get());
}

bool FrameQueue::Oldest(Frame& frame) const {
    const size_t popped = m_popped.load(std::memory_order_relaxed);
    if (m_slots == 0 || m_pushed.load(std::memory_order_acquire) == popped) return false;
    frame.chunk = Slot(popped);
    frame.time = m_times[popped % m_slots];
    return true;
}

void FrameQueue::Pop() {
    m_popped.store(m_popped.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

void FrameQueue::WaitForFrame(uint32_t ms) const {
    if (m_pushedEvent)
        WaitForSingleObject(m_pushedEvent.get(), ms);
    else
        Sleep(ms);
}
