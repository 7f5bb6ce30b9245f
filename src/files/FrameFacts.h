// Image files and recording: what the recorder is told about each frame it takes, besides its
// pixels.
#pragma once

#include <cstdint>

// The facts of one frame as the acquisition hands it to the recorder; the recorder writes them
// into the sidecar file and times the recording by them.
struct RecordedFrameFacts {
    // Counts the frames of the camera object; increases from frame to frame.
    uint64_t frameId = 0;
    // When the frame arrived: performance-counter ticks (QueryPerformanceCounter) and UTC as a
    // FILETIME (100 ns since 1601), taken at the same moment. Ticks 0: the recorder stamps the
    // frame itself when it takes it.
    int64_t hostTicks = 0;
    uint64_t utcFileTime = 0;
    uint32_t exposureUs = 0;
    uint32_t gain = 0;
    // Frames the camera delivered just before this one that the acquisition did not process.
    uint32_t skippedBefore = 0;
};
