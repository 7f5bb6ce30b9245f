// travikcam stream: what a run of the frame stream measured, its summary, and its HTML report.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace travikcam {

// One grabbed frame, in milliseconds from the stream's start.
struct GrabSample {
    std::uint64_t id = 0;
    std::uint64_t skippedBefore = 0;
    double completedMs = 0; // the frame's transfer completed
    double grabbedMs = 0;   // the grab returned it
};

// The stream's own counts at its end (TravikExStreamStats).
struct StreamCounts {
    std::uint64_t delivered = 0, handedOut = 0, droppedByMode = 0, droppedByPool = 0,
                  skippedByRing = 0, discarded = 0, lostTransfers = 0;
};

struct StreamRun {
    std::string mode; // "newest" or "queue"
    int buffers = 0, holdMs = 0, seconds = 0;
    std::vector<GrabSample> grabs;
    StreamCounts counts;
};

// The value below which `percent` of the values lie (nearest rank); 0 for none.
double Percentile(std::vector<double> values, double percent);

// The run's summary as (name, value) lines, in the order they are printed; the report shows the
// same lines.
std::vector<std::pair<std::string, std::string>> Summarize(const StreamRun& run);

// A page of its own, with inline SVG and nothing fetched: the summary, the intervals between
// grabbed frames over time, a histogram of the grab latency and the frames skipped over time.
std::string StreamReportHtml(const StreamRun& run);

} // namespace travikcam
