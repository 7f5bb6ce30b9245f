// Device access layer: the frame slots that the transfer thread fills, and their ring.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>

#include "device/FrameTruth.h"
#include "support/NonCopyable.h"

// One frame's worth of movable global memory, locked for the slot's whole life so that the
// transfer thread can hand the pointer straight to the driver.
class FrameSlot : NonCopyable {
  public:
    FrameSlot() = default;
    ~FrameSlot() { Free(); }

    // Allocates `bytes` zeroed bytes and locks them; false (and nothing held) on failure.
    bool Allocate(std::size_t bytes);
    void Free();

    unsigned char* data() const { return m_data; }
    std::size_t size() const { return m_size; }

    // The facts of the frame in the slot; written with the pixels, by the same writer.
    FrameTruth truth;

  private:
    HGLOBAL m_memory = nullptr;
    unsigned char* m_data = nullptr;
    std::size_t m_size = 0;
};

// A fixed array of equally sized slots, allocated once per frame geometry.
class FrameRing {
  public:
    // Allocates `count` slots of `slotBytes`; on any failure frees what it made and returns
    // false, leaving the ring empty.
    bool Allocate(int count, std::size_t slotBytes);
    void Free();

    int count() const { return m_count; }
    std::size_t slotBytes() const { return m_slotBytes; }
    FrameSlot* slots() const { return m_slots.get(); }
    bool empty() const { return m_count == 0; }

  private:
    std::unique_ptr<FrameSlot[]> m_slots;
    int m_count = 0;
    std::size_t m_slotBytes = 0;
};
