// Image files and recording: the encoder threads, from the claim of a queued frame to its JPEG.
#include "files/EncoderPool.h"

#include "files/FrameQueue.h"

#include <algorithm>
#include <cstring>
#include <new>

struct EncoderPool::Worker {
    EncoderPool* pool = nullptr;
    JpegFrameEncoder encoder;
    std::unique_ptr<uint8_t[]> out;
    size_t capacity = 0;
    UniqueHandle thread;
    std::atomic<uint64_t>* cpuTime = nullptr; // the pool's counter for this thread
};

namespace {

// Each thread asks for its own: Wine answers 0 for a thread other than the caller's.
uint64_t OwnCpuTime() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
    auto ticks = [](const FILETIME& t) {
        return static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
    };
    return ticks(kernel) + ticks(user);
}

} // namespace

EncoderPool::EncoderPool() : m_stop(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

EncoderPool::~EncoderPool() {
    Stop();
}

int EncoderPool::ThreadsForThisMachine() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return std::clamp(static_cast<int>(info.dwNumberOfProcessors), 1, 8);
}

bool EncoderPool::Start(FrameQueue& queue, const JpegFrameEncoder::Settings& settings,
                        int threads) {
    Stop();
    if (!m_stop || !queue.HasEncodingStage()) return false;
    ResetEvent(m_stop.get());
    m_queue = &queue;
    m_settings = settings;
    m_framesEncoded.store(0);
    m_encodedBytes.store(0);
    m_framesFailed.store(0);
    for (auto& time : m_cpuTimes)
        time.store(0);
    threads = std::clamp(threads, 1, kMostThreads);
    const size_t capacity = JpegFrameEncoder::LargestFrameBytes(settings);
    m_workers.reserve(static_cast<size_t>(threads)); // no allocation once a thread runs
    for (int i = 0; i < threads; ++i) {
        auto worker = std::make_unique<Worker>();
        worker->pool = this;
        worker->capacity = capacity;
        worker->cpuTime = &m_cpuTimes[i];
        worker->out.reset(new (std::nothrow) uint8_t[capacity]);
        if (!worker->out || !worker->encoder.Start(settings)) break;
        worker->thread.reset(CreateThread(nullptr, 0, WorkerMain, worker.get(), 0, nullptr));
        if (!worker->thread) break;
        m_workers.push_back(std::move(worker));
    }
    if (static_cast<int>(m_workers.size()) == threads) return true;
    Stop();
    return false;
}

void EncoderPool::Stop() {
    if (m_workers.empty()) return;
    SetEvent(m_stop.get());
    for (const auto& worker : m_workers)
        WaitForSingleObject(worker->thread.get(), INFINITE);
    m_workers.clear();
    m_queue = nullptr;
}

uint64_t EncoderPool::CpuTime() const {
    uint64_t total = 0;
    for (const auto& time : m_cpuTimes)
        total += time.load();
    return total;
}

DWORD WINAPI EncoderPool::WorkerMain(void* argument) {
    auto* worker = static_cast<Worker*>(argument);
    worker->pool->EncodeFrames(*worker);
    return 0;
}

void EncoderPool::EncodeFrames(Worker& worker) {
    const HANDLE waits[2] = {m_stop.get(), m_queue->ClaimSignal()};
    // The frame as the producer copied it: the output image's rows at its own stride.
    const int stride = (m_settings.width * (m_settings.bits / 8) + 3) & ~3;
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        const size_t claim = m_queue->Claim();
        uint8_t* frame = m_queue->ClaimedBytes(claim);
        const size_t bytes =
            worker.encoder.Encode(frame, stride, worker.out.get(), worker.capacity);
        if (bytes > 0) {
            // The pixels are no longer needed: the JPEG takes their place in the slot.
            std::memcpy(frame, worker.out.get(), bytes);
            m_framesEncoded.fetch_add(1);
            m_encodedBytes.fetch_add(bytes);
        } else {
            m_framesFailed.fetch_add(1);
        }
        worker.cpuTime->store(OwnCpuTime());
        m_queue->Encoded(claim, bytes > 0 ? static_cast<int32_t>(bytes) : FrameQueue::kFailed);
    }
}
