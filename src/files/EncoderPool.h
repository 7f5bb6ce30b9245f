// Image files and recording: the threads that compress a recording's queued frames.
#pragma once

#include "support/UniqueHandle.h"
#include "files/JpegFrameEncoder.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class FrameQueue;

// A pool of encoder threads, one per processor of the machine, each with its own compressor
// and output buffer made when the pool starts. Each thread takes the next frame waiting in the
// queue, encodes it into its own buffer and copies the JPEG over the frame's pixels in its slot;
// the frames may finish out of order, the queue hands them on in order.
//
// Shared state: the queue's claim protocol (see FrameQueue) gives each frame to one thread. The
// counters are written by the encoder threads and read by anyone. Start and Stop belong to the
// thread that owns the recording.
class EncoderPool {
  public:
    EncoderPool();
    ~EncoderPool(); // stops the threads
    EncoderPool(const EncoderPool&) = delete;
    EncoderPool& operator=(const EncoderPool&) = delete;

    // Starts `threads` encoders of `settings` on `queue`, which must have an encoding stage and
    // slots of at least LargestFrameBytes(settings); false (nothing left running) when a thread,
    // its compressor or its buffer could not be made.
    bool Start(FrameQueue& queue, const JpegFrameEncoder::Settings& settings, int threads);
    // Asks every thread to end after the frame it encodes and waits for them. Frames not yet
    // taken stay pending in the queue.
    void Stop();
    bool Running() const { return !m_workers.empty(); }

    // Frames encoded and the bytes they came to; frames the library failed.
    uint64_t FramesEncoded() const { return m_framesEncoded.load(); }
    uint64_t EncodedBytes() const { return m_encodedBytes.load(); }
    uint64_t FramesFailed() const { return m_framesFailed.load(); }
    // Processor time the encoder threads of the last Start have used, in 100 ns units, as of
    // their last frame.
    uint64_t CpuTime() const;

    // One encoder per processor, at least one and no more than kMostThreads.
    static constexpr int kMostThreads = 8;
    static int ThreadsForThisMachine();

  private:
    struct Worker;
    static DWORD WINAPI WorkerMain(void* worker);
    void EncodeFrames(Worker& worker);

    FrameQueue* m_queue = nullptr;
    JpegFrameEncoder::Settings m_settings;
    UniqueHandle m_stop; // manual-reset, made with the pool
    std::vector<std::unique_ptr<Worker>> m_workers;
    std::atomic<uint64_t> m_framesEncoded{0};
    std::atomic<uint64_t> m_encodedBytes{0};
    std::atomic<uint64_t> m_framesFailed{0};
    // Each thread's processor time, by its place in the pool: kept after the threads end, and
    // read without touching the list of workers, which only the owner changes.
    std::atomic<uint64_t> m_cpuTimes[kMostThreads] = {};
};
