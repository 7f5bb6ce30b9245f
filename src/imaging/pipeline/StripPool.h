// Strip threads of the frame pipeline: a few workers that run the strips of one frame beside the
// thread that delivers it, and the process-wide choice of how many threads the pipeline may use.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// Threads the frame pipeline may use, the delivering thread included: the hardware's threads,
// capped at kMaxPipelineThreads. The environment variable TRAVIK_THREADS=1 keeps the pipeline on
// the delivering thread (read once per process, before any pool exists); a value of 2 or more
// lowers the cap to that number. Tests set the count with ForcePipelineThreads.
constexpr int kMaxPipelineThreads = 4;
int PipelineThreads();
// 0 goes back to the machine's and the environment's choice.
void ForcePipelineThreads(int threads);

// Runs task(index, lane) for index 0..count-1 across its workers and the calling thread, and
// returns when every task has returned. Lanes number the threads (0 is the caller), so that each
// task can use scratch of its own thread. One Run at a time (the camera object's image lock
// serialises frames). The destructor stops and joins every worker.
class StripPool {
  public:
    // `threads` counts the caller: threads - 1 workers are started (none for 1).
    explicit StripPool(int threads);
    ~StripPool();
    StripPool(const StripPool&) = delete;
    StripPool& operator=(const StripPool&) = delete;

    int Threads() const { return static_cast<int>(m_workers.size()) + 1; }

    template <class Task> void Run(int count, Task& task) {
        RunTasks(
            count,
            [](void* context, int index, int lane) { (*static_cast<Task*>(context))(index, lane); },
            &task);
    }

  private:
    using TaskCall = void (*)(void* context, int index, int lane);
    void RunTasks(int count, TaskCall call, void* context);
    void WorkerMain(int lane);
    void StopWorkers();
    // Takes task indexes until none is left; the caller and every worker do this for a frame.
    void TakeTasks(int lane);

    // Shared between the caller and the workers. m_mutex guards the job fields, the generation,
    // the stop flag and the count of workers done; m_nextTask is taken without the lock.
    std::mutex m_mutex;
    std::condition_variable m_jobPosted; // workers wait here for a new generation or the stop
    std::condition_variable m_jobDone;   // the caller waits here for every worker's end of job
    uint64_t m_generation = 0;
    bool m_stopping = false;
    int m_workersDone = 0;
    TaskCall m_call = nullptr;
    void* m_context = nullptr;
    int m_taskCount = 0;
    std::atomic<int> m_nextTask{0};
    std::vector<std::thread> m_workers;
};
