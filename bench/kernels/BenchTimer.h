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

inline void PrintHeader(bool withReference) {
    if (withReference)
        std::printf("%-28s %10s  %-34s %10s %7s\n", "kernel", "ms/frame", "nearest OpenCV",
                    "ms/frame", "ratio");
    else
        std::printf("%-28s %10s\n", "kernel", "ms/frame");
}

inline void PrintRow(const char* name, double ms) {
    std::printf("%-28s %10.3f\n", name, ms);
    std::fflush(stdout);
}

// Ratio = this system's time over the reference's: below 1 is faster than OpenCV.
inline void PrintPair(const char* name, double ms, const char* reference, double referenceMs) {
    std::printf("%-28s %10.3f  %-34s %10.3f %7.2f\n", name, ms, reference, referenceMs,
                ms / referenceMs);
    std::fflush(stdout);
}

} // namespace bench
