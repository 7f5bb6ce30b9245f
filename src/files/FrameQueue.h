// Image files and recording: the bounded queue of frames between the acquisition thread and the
// recorder thread.
#pragma once

#include "support/UniqueHandle.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

// A ring of frame slots allocated once per recording, with one producer (the thread that converts
// output images into slots) and one consumer (the thread that writes them out, oldest first).
// Each slot has room for an 8-byte chunk header before its pixels, so that the writer sends a
// frame to the file in one write.
//
// Shared state: m_pushed is written by the producer only and m_popped by the consumer only;
// each side reads the other's counter with acquire and publishes its own with release, so a slot
// is never written and read at once and the two threads need no lock. Allocate and Release are
// for when neither side runs.
class FrameQueue {
  public:
    static constexpr size_t kHeaderRoom = 8;

    struct Frame {
        uint8_t* chunk = nullptr; // kHeaderRoom free bytes, then the pixels
        uint32_t time = 0;        // when the frame was taken, in the recording's milliseconds
    };

    FrameQueue();
    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;

    // Empties the queue and makes `slots` slots for frames of `frameBytes`; false (and no slot)
    // when the memory is not there.
    bool Allocate(size_t frameBytes, size_t slots);
    void Release();
    size_t Capacity() const { return m_slots; }
    size_t Count() const { return m_pushed.load() - m_popped.load(); }

    // Producer: the pixels of the next free slot, or null when every slot holds a frame.
    uint8_t* FreeSlot() const;
    // Producer: the slot from FreeSlot now holds a frame taken at `time`; wakes the consumer.
    void Push(uint32_t time);

    // Consumer: the oldest frame, if any; it stays queued until Pop.
    bool Oldest(Frame& frame) const;
    void Pop();
    // Consumer: waits until a frame is pushed or `ms` have passed.
    void WaitForFrame(uint32_t ms) const;

  private:
    uint8_t* Slot(size_t index) const { return m_base + (index % m_slots) * m_slotBytes; }

    std::unique_ptr<uint8_t[]> m_memory;
    uint8_t* m_base = nullptr; // m_memory rounded up to a cache line
    std::unique_ptr<uint32_t[]> m_times;
    size_t m_slots = 0;
    size_t m_slotBytes = 0;
    std::atomic<size_t> m_pushed{0};
    std::atomic<size_t> m_popped{0};
    UniqueHandle m_pushedEvent; // auto-reset; without it the consumer just polls
};
