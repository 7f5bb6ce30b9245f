// Image files and recording: placing frames in the pre-event ring and letting the oldest go.
#include "files/PreEventRing.h"

#include "files/FrameQueue.h"

#include <cstring>
#include <new>

namespace {

// A frame's whole chunk: header room, bytes and the pad byte of an odd size.
size_t ChunkBytes(uint32_t bytes) {
    return FrameQueue::kHeaderRoom + bytes + (bytes & 1);
}

bool IsEarlier(uint32_t time, uint32_t than) {
    return static_cast<int32_t>(time - than) < 0;
}

} // namespace

bool PreEventRing::Allocate(size_t bytes) {
    Release();
    m_memory.reset(new (std::nothrow) uint8_t[bytes]);
    m_entries.reset(new (std::nothrow) Entry[kMostFrames]);
    if (!m_memory || !m_entries) {
        Release();
        return false;
    }
    m_capacity = bytes;
    return true;
}

void PreEventRing::Release() {
    m_memory.reset();
    m_entries.reset();
    m_capacity = 0;
    m_first = 0;
    m_count = 0;
    m_writeAt = 0;
}

void PreEventRing::DropOldest() {
    m_first = (m_first + 1) % kMostFrames;
    if (--m_count == 0) m_writeAt = 0;
}

size_t PreEventRing::MakeRoom(size_t bytes) {
    // The frames kept run from the oldest one's chunk forward to m_writeAt, wrapping at the end
    // of the memory once; the room is what lies between m_writeAt and the oldest chunk.
    while (m_count > 0) {
        const size_t oldest = At(0).offset;
        if (oldest < m_writeAt) {
            if (m_writeAt + bytes <= m_capacity) return m_writeAt;
            if (bytes <= oldest) return 0; // wrap: the tail behind m_writeAt stays unused
        } else if (m_writeAt + bytes <= oldest) {
            return m_writeAt;
        }
        DropOldest();
    }
    return 0;
}

bool PreEventRing::Push(const uint8_t* chunk, uint32_t bytes, uint32_t time,
                        const RecordedFrameFacts& facts) {
    const size_t chunkBytes = ChunkBytes(bytes);
    if (!m_memory || chunkBytes > m_capacity) return false;
    if (m_count == kMostFrames) DropOldest();
    const size_t at = MakeRoom(chunkBytes);
    std::memcpy(m_memory.get() + at, chunk, chunkBytes);
    m_entries[(m_first + m_count) % kMostFrames] = Entry{at, bytes, time, facts};
    ++m_count;
    m_writeAt = at + chunkBytes;
    return true;
}

void PreEventRing::DropBefore(uint32_t time) {
    while (m_count > 0 && IsEarlier(At(0).time, time))
        DropOldest();
}
