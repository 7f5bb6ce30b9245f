// Device access layer: the facts of one frame as the host received it, kept beside its pixels.
#pragma once

#include <atomic>
#include <cstdint>

// How the transfer of a frame ended.
enum FrameTruthFlags : std::uint32_t {
    kFrameComplete = 1u << 0, // every byte of the frame arrived
    kFrameShort = 1u << 1,    // fewer bytes arrived than the frame holds
    kFrameFailed = 1u << 2,   // the read failed; no pixels arrived
    kFrameResumed = 1u << 3,  // the first frame after a lost camera came back
};

// One frame's facts. Filled by whoever reads the frame from the driver (the transfer thread or
// a single grab) and carried with the pixels wherever they go.
struct FrameTruth {
    // 1 for the first frame the camera delivered to this device object, one more for every frame
    // after it, through stops, starts and single grabs alike; a short frame takes a number too
    // (the camera sent it), a failed read does not (nothing came). 0: no frame.
    std::uint64_t frameId = 0;
    // QueryPerformanceCounter when the read completed.
    std::int64_t qpcTicks = 0;
    // The same instant as UTC FILETIME: 100-ns intervals since 1601-01-01.
    std::uint64_t utcFileTime = 0;
    // Exposure and gain last written to the sensor before the frame's transfer began.
    std::int32_t exposureUs = 0;
    std::int32_t gain = 0;
    std::uint32_t flags = 0; // FrameTruthFlags
};

// The running facts that every frame is stamped from. One per device object, for its whole life.
// The sensor model writes the settings once they are on the sensor; the frame count is taken by
// the transfer thread and by single grabs, which never run at the same time but may run on
// different threads.
class FrameTruthSource {
  public:
    // Called by the sensor model after a write reached the sensor.
    void NoteExposure(std::int32_t microseconds) { m_exposureUs.store(microseconds); }
    void NoteGain(std::int32_t gain) { m_gain.store(gain); }

    // The settings as they stand before a transfer begins; the rest is filled by Complete.
    FrameTruth Begin() const;
    // Stamps the end of the read: a number (unless it failed), the host's clocks and the flags.
    void Complete(FrameTruth& truth, std::uint32_t flags);

    // Frames that took a number so far: the frame id of the newest one.
    std::uint64_t FramesDelivered() const { return m_framesDelivered.load(); }
    // Reads that ended short or failed so far.
    std::uint64_t LostTransfers() const { return m_lostTransfers.load(); }

  private:
    std::atomic<std::uint64_t> m_framesDelivered{0};
    std::atomic<std::uint64_t> m_lostTransfers{0};
    std::atomic<std::int32_t> m_exposureUs{0};
    std::atomic<std::int32_t> m_gain{0};
};

// The host's clocks read back to back: QueryPerformanceCounter and UTC as FILETIME, the latter
// with the finest clock the system has.
void ReadHostClocks(std::int64_t& qpcTicks, std::uint64_t& utcFileTime);
