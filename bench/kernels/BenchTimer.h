// Median CPU time of a piece of work, so that the same benchmark builds natively and as a Windows
// program run under Wine.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <time.h>
#endif

namespace bench {

// CPU time of the calling thread in milliseconds. On a shared machine the wall clock also counts
// the time other processes hold the core; the thread's own CPU time does not, so the numbers
// stay comparable from run to run (cache contention still shows).
inline double ThreadCpuMs() {
#if defined(_WIN32)
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto ms = [](FILETIME t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e4;
    };
    return ms(kernel) + ms(user);
#else
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
#endif
}

// Runs `work` in batches long enough for the clock (at least `batchMs`), `samples` times, and
// returns the median milliseconds of one run: the median shrugs off the remaining spikes.
// Wine counts thread time in clock ticks of 10 ms, so batches there are longer.
#if defined(_WIN32)
constexpr int kSamples = 5;
constexpr double kBatchMs = 120.0;
#else
constexpr int kSamples = 9;
constexpr double kBatchMs = 40.0;
#endif

template <class Work>
double MedianMs(Work&& work, int samples = kSamples, double batchMs = kBatchMs) {
    work(); // warm caches and tables
    int runs = 1;
    for (;;) {
        const double start = ThreadCpuMs();
        for (int r = 0; r < runs; ++r)
            work();
        if (ThreadCpuMs() - start >= batchMs || runs >= (1 << 16)) break;
        runs *= 2;
    }
    std::vector<double> perRun;
    for (int s = 0; s < samples; ++s) {
        const double start = ThreadCpuMs();
        for (int r = 0; r < runs; ++r)
            work();
        perRun.push_back((ThreadCpuMs() - start) / runs);
    }
    std::nth_element(perRun.begin(), perRun.begin() + samples / 2, perRun.end());
    return perRun[samples / 2];
}

inline void PrintHeader() {
    std::printf("%-24s %9s %9s %9s  %-30s %9s %6s\n", "kernel", "scalar", "sse2", "avx2",
                "nearest OpenCV", "ms", "ratio");
}

inline void PrintTimes(const char* name, const double (&ms)[3], const char* reference = nullptr,
                       double referenceMs = -1.0) {
    std::printf("%-24s", name);
    double best = -1.0;
    for (double t : ms) {
        if (t < 0) {
            std::printf(" %9s", "-");
            continue;
        }
        std::printf(" %9.3f", t);
        best = best < 0 ? t : std::min(best, t);
    }
    if (reference && referenceMs > 0)
        std::printf("  %-30s %9.3f %6.2f", reference, referenceMs, best / referenceMs);
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace bench
