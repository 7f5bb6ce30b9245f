// Image files and recording: the bounded queue of frames between the acquisition thread and the
// recorder thread, with the encoders between them when the frames are compressed.
#pragma once

#include "support/UniqueHandle.h"
#include "files/FrameFacts.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

// A ring of frame slots allocated once per recording, with one producer (the thread that converts
// output images into slots) and one consumer (the thread that writes them out, oldest first).
// Each slot has room for an 8-byte chunk header before its bytes and a pad byte after them, so
// that the writer sends a frame to the file in one write.
//
// With an encoding stage, each queued frame is also taken by one encoder, which replaces the
// slot's pixels by their compressed bytes; the consumer takes the oldest frame only once it is
// encoded, so frames leave in the order they came whichever encoder finished first.
//
// Shared state: m_pushed is written by the producer only and m_popped by the consumer only; each
// side reads the other's counter with acquire and publishes its own with release, so a slot is
// never written and read at once and the two threads need no lock. m_claimed is taken by the
// encoders (one fetch per count of the claim semaphore, which the producer raises once per push,
// so a claim never passes m_pushed); a slot's state goes from pending (set by the producer
// before the push) to its encoded size or failed (set by its encoder, released), and the
// consumer reads it with acquire. Allocate and Release are for when no side runs.
class FrameQueue {
  public:
    static constexpr size_t kHeaderRoom = 8;
    static constexpr int32_t kPending = -1;
    static constexpr int32_t kFailed = -2;

    struct Frame {
        uint8_t* chunk = nullptr; // kHeaderRoom free bytes, then the frame's bytes
        uint32_t time = 0;        // when the frame was taken, in the recording's milliseconds
        RecordedFrameFacts facts;
        int32_t encodedBytes = 0; // with an encoding stage: the compressed size, or kFailed
    };

    FrameQueue();
    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;

    // Empties the queue and makes `slots` slots for frames of up to `frameBytes`; false (and no
    // slot) when the memory or the claim semaphore is not there.
    bool Allocate(size_t frameBytes, size_t slots, bool encodingStage = false);
    void Release();
    size_t Capacity() const { return m_slots; }
    size_t Count() const { return m_pushed.load() - m_popped.load(); }
    bool HasEncodingStage() const { return m_claimSignal.valid(); }

    // Producer: the pixels of the next free slot, or null when every slot holds a frame.
    uint8_t* FreeSlot() const;
    // Producer: the slot from FreeSlot now holds a frame taken at `time`; wakes the consumer,
    // or an encoder.
    void Push(uint32_t time, const RecordedFrameFacts& facts);

    // Encoders: signalled once per frame to encode. After a wait on it succeeds, Claim gives
    // the frame's number, which is the caller's to encode and finish with Encoded.
    HANDLE ClaimSignal() const { return m_claimSignal.get(); }
    size_t Claim() { return m_claimed.fetch_add(1); }
    uint8_t* ClaimedBytes(size_t claim) const { return Slot(claim) + kHeaderRoom; }
    // `bytes` of compressed frame now lie at ClaimedBytes, or kFailed.
    void Encoded(size_t claim, int32_t bytes);

    // Consumer: the oldest frame, if any and (with an encoding stage) once it is encoded; it
    // stays queued until Pop.
    bool Oldest(Frame& frame) const;
    void Pop();
    // Consumer: waits until a frame is pushed or encoded, or `ms` have passed.
    void WaitForProgress(uint32_t ms) const;

  private:
    uint8_t* Slot(size_t index) const { return m_base + (index % m_slots) * m_slotBytes; }

    std::unique_ptr<uint8_t[]> m_memory;
    uint8_t* m_base = nullptr; // m_memory rounded up to a cache line
    std::unique_ptr<uint32_t[]> m_times;
    std::unique_ptr<RecordedFrameFacts[]> m_facts;
    std::unique_ptr<std::atomic<int32_t>[]> m_states;
    size_t m_slots = 0;
    size_t m_slotBytes = 0;
    std::atomic<size_t> m_pushed{0};
    std::atomic<size_t> m_popped{0};
    std::atomic<size_t> m_claimed{0};
    UniqueHandle m_progressEvent; // auto-reset; without it the consumer just polls
    UniqueHandle m_claimSignal;   // semaphore, only with an encoding stage
};
