// travikcam check: frame accounting from the numbers the virtual camera stamps into its frames,
// and from arrival times for cameras whose frames carry no number.
#pragma once

#include <string>
#include <vector>

namespace travikcam {

// The stamps read from the application's one buffer, a notice at a time. A notice handled late
// can find the next frame already in the buffer: the stamps then skip that frame and show it
// again at the next notice. So a repeated stamp is a late read while earlier skips are left to
// explain it, and a frame delivered twice when none is; the skips left at the end were frames
// the camera made that were never delivered.
class StampAccount {
  public:
    // The stamp read at the next notice, -1 when none could be read. After a failure the account
    // takes no more stamps.
    void Add(long long stamp);

    long long Frames() const { return m_frames; }   // notices whose stamp was taken
    long long Skipped() const { return m_skipped; } // frames never delivered
    long long First() const { return m_first; }     // -1 before the first stamp
    long long Last() const { return m_last; }
    const std::string& Failure() const { return m_failure; }

  private:
    long long m_frames = 0, m_skipped = 0, m_first = -1, m_last = -1;
    std::string m_failure;
};

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
