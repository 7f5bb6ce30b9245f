// Image files and recording: the memory ring of the last seconds of compressed frames.
#pragma once

#include "files/FrameFacts.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// The frames of the last few seconds, already compressed, each kept whole and in order in one
// block of memory allocated when the recording starts: a new frame makes room for itself by
// letting the oldest ones go, so the ring never holds more than its bytes (or kMostFrames
// frames), however long the seconds asked for. A frame is kept as its queue slot held it: room
// for the chunk header, its bytes and the pad byte, so that it goes to a file in one write.
//
// Used by the recorder thread alone.
class PreEventRing {
  public:
    static constexpr size_t kMostFrames = 32768;

    struct Entry {
        size_t offset = 0;  // of the chunk in the ring's memory
        uint32_t bytes = 0; // of the frame, without header room and pad
        uint32_t time = 0;  // the recording's milliseconds
        RecordedFrameFacts facts;
    };

    // Empties the ring and makes `bytes` of room; false when the memory is not there.
    bool Allocate(size_t bytes);
    void Release();
    size_t Capacity() const { return m_capacity; }

    // Keeps a copy of a frame of `bytes` whose chunk starts at `chunk` (header room first);
    // false when the frame is larger than the whole ring.
    bool Push(const uint8_t* chunk, uint32_t bytes, uint32_t time, const RecordedFrameFacts& facts);
    // Lets go of the frames taken before `time`.
    void DropBefore(uint32_t time);

    size_t Count() const { return m_count; }
    // Frame `k`, oldest first, and its chunk (header room first).
    const Entry& At(size_t k) const { return m_entries[(m_first + k) % kMostFrames]; }
    uint8_t* ChunkAt(size_t k) const { return m_memory.get() + At(k).offset; }
    // Milliseconds from the oldest frame kept to the newest.
    uint32_t SpanMs() const { return m_count ? At(m_count - 1).time - At(0).time : 0; }

  private:
    void DropOldest();
    // Where a chunk of `bytes` goes, after dropping the oldest frames in its way.
    size_t MakeRoom(size_t bytes);

    std::unique_ptr<uint8_t[]> m_memory;
    std::unique_ptr<Entry[]> m_entries;
    size_t m_capacity = 0;
    size_t m_first = 0;
    size_t m_count = 0;
    size_t m_writeAt = 0; // where the newest chunk ends
};
