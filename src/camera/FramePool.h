// Camera object: the frame stream's pool of buffers, which the worker fills and the application
// holds and gives back, with each frame's facts beside its pixels.
#pragma once

#include <windows.h>

#include "device/FrameTruth.h"
#include "support/UniqueHandle.h"
#include "support/NonCopyable.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

// One converted frame and its facts, as a grab hands it out.
struct StreamFrame {
    FrameTruth truth;
    int width = 0, height = 0;
    int colorMode = 0;    // as Travik_GetColorMode reports it
    int bitsPerPixel = 0; // of the storage
    int stride = 0;       // bytes per row, first delivered row first
    std::size_t bytes = 0;
    std::int64_t readyTicks = 0;      // QueryPerformanceCounter when it was queued
    std::uint64_t skippedBefore = 0;  // set when it is handed out
    std::unique_ptr<unsigned char[]> pixels;
    std::size_t capacity = 0;
    unsigned generation = 0; // the pool's opening it belongs to
};

enum class StreamMode { Newest, Queue };
enum class QueueFullPolicy { DropOldest, RefuseNewest };

struct StreamConfig {
    StreamMode mode = StreamMode::Newest;
    QueueFullPolicy queueFull = QueueFullPolicy::DropOldest;
    int buffers = 4; // frames the application may have queued and held together
    bool operator==(const StreamConfig&) const = default;
};

// The device's running totals, read by the camera: frames delivered (the newest frame id) and
// transfers lost.
struct DeviceTally {
    std::uint64_t delivered = 0;
    std::uint64_t lost = 0;
};

// The stream's counts. Once the stream has ended, delivered = handedOut + droppedByMode +
// droppedByPool + skippedByRing + discarded; while it runs, the frames on their way (in the
// device's ring or being converted) are not in any of the others yet.
struct PoolCounts {
    std::uint64_t delivered = 0;     // frames the camera delivered while the stream ran
    std::uint64_t handedOut = 0;
    std::uint64_t droppedByMode = 0; // newest only: replaced by a newer frame before a grab
    std::uint64_t droppedByPool = 0; // queue full, or every buffer held by the application
    std::uint64_t skippedByRing = 0; // never converted: the camera was faster, or short
    std::uint64_t discarded = 0;     // queued or on their way when the stream ended
    std::uint64_t lostTransfers = 0; // short or failed reads
    std::uint32_t queueDepth = 0;
    std::uint32_t held = 0;
};

enum class GrabOutcome { Frame, TimedOut, NotRunning, DeviceLost };

// Shared by the worker (the producer) and any number of the application's threads (grabs and
// releases), all under m_lock; pixels are copied outside it, into a buffer that only the worker
// holds at that moment. A frame the application holds is never handed to the worker again until
// it is released, whatever happens to the stream; frames still held when the pool dies are kept
// by the process until they are released (ReleaseOrphanedFrame).
//
// The pool has `buffers` + 1 buffers: the application may have up to `buffers` frames queued and
// held together, and the worker always has one to convert into.
class FramePool : NonCopyable {
  public:
    FramePool();
    ~FramePool();

    // ---- The stream's life ----

    // A new stream: the configuration, counts from zero and from the device's tally now, and
    // every buffer made for `frameBytes`. Frames still held stay valid. False (nothing changed)
    // when memory ran out.
    bool Open(const StreamConfig& config, std::size_t frameBytes, const DeviceTally& device);
    // The stream ended: frames still queued, and those delivered but never offered, are
    // discarded, and waiting grabs return. With `deviceLost` the next grab tells of the loss,
    // once.
    void Close(bool deviceLost, const DeviceTally& device);
    // The camera was lost and the stream waits for it to come back: the next grab tells of the
    // loss, once, and the stream goes on.
    void NoteLoss();
    bool IsOpen() const;
    const StreamConfig& Config() const { return m_config; } // the caller's thread of the starts

    // ---- The worker ----

    // A buffer to convert frame `frameId` of `bytes` into, or null when the frame has no room
    // (counted). Frame ids between the last one offered and this one were skipped in the ring.
    StreamFrame* BeginFill(std::uint64_t frameId, std::size_t bytes);
    // Queues the frame filled since BeginFill and signals; the frames it replaces, or the frame
    // itself when the application took the room meanwhile, are counted. False when it was not
    // queued.
    bool EndFill(StreamFrame* frame);

    // ---- The application ----

    // Waits up to `timeoutMs` for a frame and hands the oldest queued one out.
    GrabOutcome Grab(DWORD timeoutMs, StreamFrame*& frame);
    // Gives a held frame back; false when `frame` is not one this pool handed out and holds.
    bool Release(const void* frame);
    // The counts, with the device's tally now while the stream runs.
    PoolCounts Counts(const DeviceTally& device) const;
    // Manual-reset: signalled while a grab would return at once (a frame is queued, or no stream
    // runs); lives as long as the pool.
    HANDLE ReadyEvent() const { return m_ready.get(); }

  private:
    std::unique_ptr<StreamFrame> TakeSpare();
    void UpdateReadyEvent();
    bool RoomForOneMore() const { return m_queue.size() + m_held.size() < Capacity(); }
    std::size_t Capacity() const { return static_cast<std::size_t>(m_config.buffers); }

    mutable std::mutex m_lock;
    StreamConfig m_config;
    bool m_open = false;
    bool m_lostPending = false;
    unsigned m_generation = 0;
    std::uint64_t m_lastHandedOutId = 0; // the previous frame's id, for skipped-before
    std::uint64_t m_lastOfferedId = 0;   // for the frames skipped in the ring
    DeviceTally m_atOpen, m_atClose;
    std::vector<std::unique_ptr<StreamFrame>> m_free;
    std::unique_ptr<StreamFrame> m_filling; // the worker's, between BeginFill and EndFill
    std::deque<std::unique_ptr<StreamFrame>> m_queue;
    std::vector<std::unique_ptr<StreamFrame>> m_held;
    PoolCounts m_counts;
    UniqueHandle m_ready;
};

// Gives back a frame whose camera was released while the application held it; false when no
// such frame is kept.
bool ReleaseOrphanedFrame(const void* frame);
