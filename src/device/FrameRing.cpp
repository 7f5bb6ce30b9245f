// Device access layer: allocating and freeing frame slots.
#include "device/FrameRing.h"

#include <new>

bool FrameSlot::Allocate(std::size_t bytes) {
    Free();
    if (bytes == 0) return false;
    m_memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (m_memory == nullptr) return false;
    m_data = static_cast<unsigned char*>(GlobalLock(m_memory));
    if (m_data == nullptr) {
        GlobalFree(m_memory);
        m_memory = nullptr;
        return false;
    }
    m_size = bytes;
    return true;
}

void FrameSlot::Free() {
    if (m_memory == nullptr) return;
    if (m_data) GlobalUnlock(m_memory);
    GlobalFree(m_memory);
    m_memory = nullptr;
    m_data = nullptr;
    m_size = 0;
}

bool FrameRing::Allocate(int count, std::size_t slotBytes) {
    Free();
    if (count <= 0) return false;
    std::unique_ptr<FrameSlot[]> slots(new (std::nothrow) FrameSlot[count]);
    if (!slots) return false;
    for (int i = 0; i < count; ++i)
        if (!slots[i].Allocate(slotBytes)) return false; // the array frees what was made
    m_slots = std::move(slots);
    m_count = count;
    m_slotBytes = slotBytes;
    return true;
}

void FrameRing::Free() {
    m_slots.reset();
    m_count = 0;
    m_slotBytes = 0;
}
