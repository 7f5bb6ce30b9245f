// travikcam check: frame accounting from arrival times.
#include "FrameGaps.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace travikcam {

GapCount CountTimingGaps(const std::vector<double>& arrivalsMs, double periodMs) {
    GapCount count;
    count.frames = static_cast<int>(arrivalsMs.size());
    if (periodMs <= 0) return count;
    for (size_t i = 1; i < arrivalsMs.size(); ++i) {
        const double interval = arrivalsMs[i] - arrivalsMs[i - 1];
        if (interval <= 1.5 * periodMs) continue;
        ++count.gaps;
        count.dropped += std::llround(interval / periodMs) - 1;
    }
    return count;
}

double MedianInterval(const std::vector<double>& arrivalsMs) {
    if (arrivalsMs.size() < 2) return 0;
    std::vector<double> intervals;
    for (size_t i = 1; i < arrivalsMs.size(); ++i)
        intervals.push_back(arrivalsMs[i] - arrivalsMs[i - 1]);
    const auto middle = intervals.begin() + static_cast<std::ptrdiff_t>(intervals.size() / 2);
    std::nth_element(intervals.begin(), middle, intervals.end());
    return *middle;
}

} // namespace travikcam
