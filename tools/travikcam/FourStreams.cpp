// travikcam check: the rules of four cameras streaming at once on one machine.
#include "FourStreams.h"

#include <algorithm>

namespace travikcam {

FourStreams::FourStreams(int frames, unsigned long stallMs, unsigned long now)
    : m_frames(frames), m_stallMs(stallMs), m_start(now) {
    for (unsigned long& t : m_lastFrame)
        t = now;
}

void FourStreams::Seen(int camera, unsigned long now) {
    ++m_seen[camera];
    m_lastFrame[camera] = now;
    const int fewest = *std::min_element(m_seen, m_seen + kCameras);
    m_allStreamedTogether = m_allStreamedTogether || fewest >= std::min(m_frames, kBesideTheOthers);
}

bool FourStreams::MayStop(int camera) const {
    return !m_stopped[camera] && m_allStreamedTogether && m_seen[camera] >= m_frames;
}

bool FourStreams::AllCounted() const {
    for (const int seen : m_seen)
        if (seen < m_frames) return false;
    return m_allStreamedTogether;
}

unsigned long FourStreams::LimitMs() const {
    return m_stallMs + static_cast<unsigned long>(m_frames) * 1000ul;
}

std::string FourStreams::Failure(unsigned long now) const {
    if (AllCounted()) return "";
    for (int d = 0; d < kCameras; ++d)
        if (m_seen[d] < m_frames && ((now - m_lastFrame[d]) & 0xFFFFFFFFul) > m_stallMs)
            return "camera " + std::to_string(d) + " gave no frame for " +
                   std::to_string(m_stallMs / 1000) + " s, " + std::to_string(m_seen[d]) + " of " +
                   std::to_string(m_frames);
    if (((now - m_start) & 0xFFFFFFFFul) > LimitMs())
        return "the four cameras did not give " + std::to_string(m_frames) + " frames each in " +
               std::to_string(LimitMs() / 1000) + " s";
    return "";
}

} // namespace travikcam
