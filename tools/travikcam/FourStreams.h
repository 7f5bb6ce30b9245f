// travikcam check: the rules of four cameras streaming at once on one machine.
#pragma once

#include <string>

namespace travikcam {

// Four cameras streaming at once, each to give `frames` frames. Each must first give a few while
// all four stream; after that a camera that has all its frames may stop. Every camera still
// counting must keep giving frames: one silent for `stallMs` fails, and so does a run past a
// limit of `stallMs` and a second per frame. On a loaded machine the cameras do not share it
// evenly, so the slowest camera may finish its frames after the others stopped rather than
// beside them. Times are milliseconds of one clock (GetTickCount), compared modulo 2^32.
class FourStreams {
  public:
    static constexpr int kCameras = 4;
    static constexpr int kBesideTheOthers = 5; // frames each camera gives while all four stream

    FourStreams(int frames, unsigned long stallMs, unsigned long now);

    void Seen(int camera, unsigned long now);
    // The camera has its frames, and every camera was seen streaming beside the others.
    bool MayStop(int camera) const;
    void Stopped(int camera) { m_stopped[camera] = true; }
    bool AllCounted() const;
    // Why the run failed by `now`; empty while it may go on (or once all were counted).
    std::string Failure(unsigned long now) const;
    bool Done(unsigned long now) const { return AllCounted() || !Failure(now).empty(); }
    int SeenBy(int camera) const { return m_seen[camera]; }
    unsigned long LimitMs() const;

  private:
    int m_frames;
    unsigned long m_stallMs;
    unsigned long m_start;
    int m_seen[kCameras] = {};
    unsigned long m_lastFrame[kCameras];
    bool m_stopped[kCameras] = {};
    bool m_allStreamedTogether = false;
};

} // namespace travikcam
