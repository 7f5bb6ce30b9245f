// travikcam check: frame accounting from arrival times, for cameras whose frames carry no number.
#pragma once

#include <vector>

namespace travikcam {

struct GapCount {
    int frames = 0;  // arrivals counted
    long long dropped = 0; // frames judged missing between them
    int gaps = 0;    // intervals longer than 1.5 frame periods
};

// Counts the frames missing from a stream of arrival times (milliseconds, in order). An interval
// longer than 1.5 frame periods is a gap: it lost the frames that would have fitted in it,
// interval / period rounded to the nearest whole number, less the one that did arrive. Shorter
// intervals are jitter and lose nothing. A period of 0 or less counts nothing as lost.
GapCount CountTimingGaps(const std::vector<double>& arrivalsMs, double periodMs);

// The frame period a stream ran at: the median interval between arrivals, which gaps and a late
// frame or two do not move; 0 with fewer than two arrivals.
double MedianInterval(const std::vector<double>& arrivalsMs);

} // namespace travikcam
