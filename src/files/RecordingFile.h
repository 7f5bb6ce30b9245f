// Image files and recording: one file of a recording, the AVI and its sidecar written in step.
#pragma once

#include "files/AviWriter.h"
#include "files/FilePath.h"
#include "files/FrameFacts.h"
#include "files/SidecarFile.h"

#include <cstdint>

// What is written for one frame: its chunk (8 bytes of room, then its bytes, then room for a
// pad byte) as the queue or the pre-event ring holds it.
struct RecordedFrame {
    uint8_t* chunk = nullptr;
    uint32_t bytes = 0; // compressed bytes; 0 for an uncompressed frame of the writer's size
    uint32_t time = 0;  // the recording's milliseconds
    RecordedFrameFacts facts;
};

// The AVI of a recording and, when it has one, its sidecar: each frame's line goes to the
// sidecar before its chunk goes to the AVI, and the finish cuts the sidecar back to the frames
// the AVI kept, so that the two always tell of the same frames, even on a full disk. Not
// thread-safe: the recorder thread uses it while the recording runs.
class RecordingFile {
  public:
    // The writer, whose codec, size and depth the recorder sets before the first Begin.
    AviWriter& Avi() { return m_avi; }
    const AviWriter& Avi() const { return m_avi; }

    // Creates the AVI (its header written) and, unless `sidecar` is null, the sidecar; false
    // when either failed, with nothing left open.
    bool Begin(const FilePath& avi, const FilePath& sidecar);
    // Adds one frame to both files; false when either took no more (a full disk): the files then
    // take no more frames until Finish.
    bool Add(const RecordedFrame& frame);
    // Writes the AVI's indexes and the measured rate, cuts the sidecar to the AVI's frames and
    // closes both; true when both are complete. Nothing to finish is complete too.
    bool Finish();
    // Closes whatever is open without finishing it.
    void Abandon();

    bool IsOpen() const { return m_avi.IsOpen(); }
    uint32_t Frames() const { return m_avi.FramesWritten(); }
    // The times of the first and last frames added since Begin; Started is false before one.
    bool Started() const { return m_started; }
    uint32_t FirstTime() const { return m_firstTime; }

    // For tests: the next files begun behave as if their disk held only `bytes` each.
    void LimitNextFileLength(uint64_t bytes) { m_nextAviLimit = bytes; }
    void LimitNextSidecarLength(uint64_t bytes) { m_nextSidecarLimit = bytes; }

  private:
    AviWriter m_avi;
    SidecarFile m_sidecar;
    bool m_failed = false;
    bool m_started = false;
    uint32_t m_firstTime = 0;
    uint32_t m_lastTime = 0;
    uint64_t m_nextAviLimit = UINT64_MAX;
    uint64_t m_nextSidecarLimit = UINT64_MAX;
};
