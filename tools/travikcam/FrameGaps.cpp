// travikcam check: frame accounting from stamps and from arrival times.
#include "FrameGaps.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

namespace travikcam {

void StampAccount::Add(long long stamp) {
    if (!m_failure.empty()) return;
    if (stamp < 0) {
        m_failure = "frame " + std::to_string(m_frames + 1) + " has no readable stamp";
    } else if (m_last < 0) {
        m_first = m_last = stamp;
        ++m_frames;
    } else if (stamp > m_last) {
        m_skipped += stamp - m_last - 1;
        m_last = stamp;
        ++m_frames;
    } else if (stamp == m_last && m_skipped > 0) {
        --m_skipped; // the frame read early belonged to this notice
        ++m_frames;
    } else {
        m_failure = "frame " + std::to_string(stamp) +
                    (stamp == m_last ? " was delivered twice"
                                     : " came after frame " + std::to_string(m_last));
    }
}

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
