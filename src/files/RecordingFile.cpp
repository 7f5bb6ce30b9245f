// Image files and recording: beginning, adding to and finishing an AVI with its sidecar.
#include "files/RecordingFile.h"

bool RecordingFile::Begin(const FilePath& avi, const FilePath& sidecar) {
    Abandon();
    m_avi.m_frameRate = 30;
    m_avi.m_frameCount = 0;
    m_failed = false;
    m_started = false;
    if (!m_avi.Begin(avi)) return false;
    m_avi.LimitFileLength(m_nextAviLimit);
    m_nextAviLimit = UINT64_MAX;
    if (!sidecar.IsNull()) {
        if (!m_sidecar.Open(sidecar)) {
            m_avi.Reset();
            return false;
        }
        m_sidecar.LimitFileLength(m_nextSidecarLimit);
        m_nextSidecarLimit = UINT64_MAX;
    }
    return true;
}

bool RecordingFile::Add(const RecordedFrame& frame) {
    if (!IsOpen() || m_failed) return false;
    // The line first: a frame whose line failed never reaches the AVI, and a line whose frame
    // failed is cut again at the finish.
    const bool added = (!m_sidecar.IsOpen() || m_sidecar.AddLine(frame.facts)) &&
                       (frame.bytes ? m_avi.AddCompressedChunk(frame.chunk, frame.bytes)
                                    : m_avi.AddFrameChunk(frame.chunk)) != 0;
    if (!added) {
        m_failed = true;
        return false;
    }
    if (!m_started) {
        m_started = true;
        m_firstTime = frame.time;
    }
    m_lastTime = frame.time;
    ++m_avi.m_frameCount;
    return true;
}

bool RecordingFile::Finish() {
    if (!IsOpen()) {
        m_sidecar.Close();
        return true;
    }
    // Frames per second x 100 from the first frame to the last: n frames span n - 1 intervals.
    // One frame spans none, and is rated over the 1 ms floor; with no frame there is no rate,
    // and the writer keeps its floor of 1.
    const uint32_t frames = m_avi.m_frameCount;
    const uint32_t intervals = frames >= 2 ? frames - 1 : frames;
    m_avi.m_frameRate =
        m_started ? AviWriter::MeasuredRate(intervals, m_lastTime - m_firstTime) : 0;
    bool finished = m_avi.Finish() != 0;
    m_avi.m_frameRate = 0;
    m_avi.m_frameCount = 0;
    if (m_sidecar.IsOpen()) finished = m_sidecar.KeepLines(m_avi.FramesWritten()) && finished;
    m_sidecar.Close();
    return finished;
}

void RecordingFile::Abandon() {
    m_avi.Reset();
    m_sidecar.Close();
}
