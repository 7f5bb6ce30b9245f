// Strip threads of the frame pipeline and the number of threads it may use.
#include "imaging/pipeline/StripPool.h"

#include <algorithm>
#include <cstdlib>

namespace {

int ThreadsFromMachine() {
    const int hardware = static_cast<int>(std::thread::hardware_concurrency());
    int threads = std::clamp(hardware, 1, kMaxPipelineThreads);
    // getenv is read once, before the first pool starts a thread.
    if (const char* value = std::getenv("TRAVIK_THREADS")) {
        const int asked = std::atoi(value);
        if (asked >= 1) threads = std::min(threads, asked);
    }
    return threads;
}

// Written by tests between frames, read at the start of each frame.
std::atomic<int>& ForcedThreads() {
    static std::atomic<int> forced{0};
    return forced;
}

} // namespace

int PipelineThreads() {
    static const int machine = ThreadsFromMachine();
    const int forced = ForcedThreads().load(std::memory_order_relaxed);
    return forced > 0 ? std::min(forced, kMaxPipelineThreads) : machine;
}

void ForcePipelineThreads(int threads) {
    ForcedThreads().store(std::max(threads, 0), std::memory_order_relaxed);
}

StripPool::StripPool(int threads) {
    const int workers = std::clamp(threads, 1, kMaxPipelineThreads) - 1;
    m_workers.reserve(static_cast<size_t>(workers));
    try {
        for (int lane = 1; lane <= workers; ++lane)
            m_workers.emplace_back(&StripPool::WorkerMain, this, lane);
    } catch (...) {
        StopWorkers(); // the ones already made; a joinable thread must not be destroyed
        throw;
    }
}

StripPool::~StripPool() {
    StopWorkers();
}

void StripPool::StopWorkers() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_jobPosted.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

void StripPool::RunTasks(int count, TaskCall call, void* context) {
    if (count <= 0) return;
    if (m_workers.empty() || count == 1) {
        for (int index = 0; index < count; ++index)
            call(context, index, 0);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_call = call;
        m_context = context;
        m_taskCount = count;
        m_nextTask.store(0, std::memory_order_relaxed);
        m_workersDone = 0;
        ++m_generation;
    }
    m_jobPosted.notify_all();
    TakeTasks(0);
    // Every worker reports once per generation, so none can still hold the job when Run returns.
    std::unique_lock<std::mutex> lock(m_mutex);
    m_jobDone.wait(lock, [&] { return m_workersDone == static_cast<int>(m_workers.size()); });
}

void StripPool::TakeTasks(int lane) {
    for (;;) {
        const int index = m_nextTask.fetch_add(1, std::memory_order_relaxed);
        if (index >= m_taskCount) return;
        m_call(m_context, index, lane);
    }
}

void StripPool::WorkerMain(int lane) {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_jobPosted.wait(lock, [&] { return m_stopping || m_generation != seen; });
        if (m_stopping) return;
        seen = m_generation;
        lock.unlock();
        TakeTasks(lane);
        lock.lock();
        if (++m_workersDone == static_cast<int>(m_workers.size())) m_jobDone.notify_one();
    }
}
