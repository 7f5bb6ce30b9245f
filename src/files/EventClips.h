// Image files and recording: pre-event recording: the ring of the last seconds, the marks, and
// the file each mark makes.
#pragma once

#include "files/PreEventRing.h"
#include "files/RecordingFile.h"

#include <windows.h>

#include <cstdint>
#include <string>

// While a pre-event recording runs, every encoded frame goes into the ring, which keeps the last
// `preMs` of them. A mark at time m opens a file of its own holding the frames from m - preMs to
// m + postMs: those the ring holds, then those that follow. A mark whose seconds before it reach
// into the file being written extends that file to its own m + postMs instead.
//
// Files are named after the recording's path, numbered from 1 in the order the marks made them:
// "line.avi" gives "line-0001.avi", "line-0002.avi", ..., each with its sidecar "line-0001.csv".
// A number whose AVI or sidecar exists already is passed over, so no earlier file is ever
// overwritten.
//
// Shared state: Mark is called on any thread and leaves the mark's time in a short list under
// m_marksLock; everything else belongs to the recorder thread.
class EventClips {
  public:
    static constexpr size_t kMostPendingMarks = 64;

    EventClips();

    // Before the recording runs: the ring's memory and the rules; false without the memory.
    bool Prepare(const std::wstring& basePath, uint32_t preMs, uint32_t postMs, bool sidecar,
                 size_t ringBytes);
    void Release();
    // Gives the ring's memory back once the recording has ended; the counts stay.
    void ReleaseRing() { m_ring.Release(); }

    // Any thread: a mark at `time`, the recording's milliseconds.
    void Mark(uint32_t time);

    // Recorder thread, per frame in order: into the ring, and into the open file when the marks
    // want it there. False when a file could not be made or took no more; the recording ends.
    bool Take(const RecordedFrame& frame, RecordingFile& file);
    // Recorder thread, at the recording's end: the open file is finished and, with
    // `serveMarks`, the marks not yet served get their files from the ring. False when a file
    // failed.
    bool Finish(RecordingFile& file, bool serveMarks);

    bool Writing(const RecordingFile& file) const { return file.IsOpen(); }
    uint32_t FilesBegun() const { return m_filesBegun; }
    uint32_t FramesInFiles() const { return m_framesInFiles; }
    // The milliseconds of frames the ring holds now (its bytes may hold fewer than asked for).
    uint32_t RingSpanMs() const { return m_ring.SpanMs(); }
    // The name of the file being written, or of the last one; empty before the first.
    std::wstring CurrentFile() const;

  private:
    struct PendingMarks {
        uint32_t times[kMostPendingMarks];
        size_t count = 0;
    };
    // Takes the marks left since the last call into `m_marks`.
    void CollectMarks();
    // Opens the file of the first pending mark and writes the ring's frames of its seconds.
    bool OpenClip(RecordingFile& file);
    // Extends the open file by every pending mark whose seconds before reach into it.
    void ExtendClip();
    bool CloseClip(RecordingFile& file);
    bool WriteToClip(const RecordedFrame& frame, RecordingFile& file);
    bool InClip(uint32_t time) const;
    // The next numbered name whose AVI and sidecar are both free.
    std::wstring NextFreePath();

    std::wstring m_basePath;
    uint32_t m_preMs = 0;
    uint32_t m_postMs = 0;
    bool m_sidecar = false;
    PreEventRing m_ring;
    uint32_t m_nextNumber = 1;
    uint32_t m_filesBegun = 0;
    uint32_t m_framesInFiles = 0; // of the files finished, and of the open one so far
    uint32_t m_framesBeforeClip = 0;
    // The open file's span of frame times.
    uint32_t m_clipStart = 0;
    uint32_t m_clipEnd = 0;
    // Marks the recorder thread has taken but not served, oldest first.
    PendingMarks m_marks;

    mutable SRWLOCK m_marksLock = SRWLOCK_INIT;
    PendingMarks m_newMarks;    // under m_marksLock
    std::wstring m_currentFile; // under m_marksLock
};
