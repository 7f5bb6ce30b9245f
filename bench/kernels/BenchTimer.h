// Median time of a piece of work, with nothing but the standard library, so that the same
// benchmark builds natively and as a Windows program run under Wine.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace bench {

// Runs `work` in batches long enough for the clock (at least `batchMs`), `samples` times, and
// returns the median milliseconds of one run: the median shrugs off the spikes that other
// processes on a shared machine cause.
template <class Work> double MedianMs(Work&& work, int samples = 9, double batchMs = 25.0) {
    using Clock = std::chrono::steady_clock;
    auto elapsedMs = [](Clock::time_point since) {
        return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
    };
    work(); // warm caches and tables
    int runs = 1;
    for (;;) {
        const auto start = Clock::now();
        for (int r = 0; r < runs; ++r)
            work();
        if (elapsedMs(start) >= batchMs || runs >= (1 << 16)) break;
        runs *= 2;
    }
    std::vector<double> perRun;
    for (int s = 0; s < samples; ++s) {
        const auto start = Clock::now();
        for (int r = 0; r < runs; ++r)
            work();
        perRun.push_back(elapsedMs(start) / runs);
    }
    std::nth_element(perRun.begin(), perRun.begin() + samples / 2, perRun.end());
    return perRun[samples / 2];
}

// One row per kernel: its time on each vector path (a negative time prints as "-", a path
// that this CPU does not run), then the nearest OpenCV work and the ratio of the fastest path's
// time to it: below 1 is faster than OpenCV.
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
