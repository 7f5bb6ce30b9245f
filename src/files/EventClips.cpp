// Image files and recording: serving the marks of a pre-event recording from the ring and the
// frames that follow.
#include "files/EventClips.h"

#include "files/RecordingPaths.h"

#include <algorithm>

namespace {

bool IsEarlier(uint32_t time, uint32_t than) {
    return static_cast<int32_t>(time - than) < 0;
}

} // namespace

EventClips::EventClips() = default;

bool EventClips::Prepare(const std::wstring& basePath, uint32_t preMs, uint32_t postMs,
                         bool sidecar, size_t ringBytes) {
    Release();
    m_basePath = basePath;
    m_preMs = preMs;
    m_postMs = postMs;
    m_sidecar = sidecar;
    return m_ring.Allocate(ringBytes);
}

void EventClips::Release() {
    m_ring.Release();
    m_nextNumber = 1;
    m_filesBegun = 0;
    m_framesInFiles = 0;
    m_framesBeforeClip = 0;
    m_marks.count = 0;
    AcquireSRWLockExclusive(&m_marksLock);
    m_newMarks.count = 0;
    m_currentFile.clear();
    ReleaseSRWLockExclusive(&m_marksLock);
}

void EventClips::Mark(uint32_t time) {
    AcquireSRWLockExclusive(&m_marksLock);
    // A list full of marks the recorder has not taken yet: the newest one stands for itself and
    // the last one kept, whose seconds it extends anyway.
    if (m_newMarks.count == kMostPendingMarks) --m_newMarks.count;
    m_newMarks.times[m_newMarks.count++] = time;
    ReleaseSRWLockExclusive(&m_marksLock);
}

void EventClips::CollectMarks() {
    AcquireSRWLockExclusive(&m_marksLock);
    for (size_t i = 0; i < m_newMarks.count; ++i) {
        if (m_marks.count == kMostPendingMarks) --m_marks.count;
        m_marks.times[m_marks.count++] = m_newMarks.times[i];
    }
    m_newMarks.count = 0;
    ReleaseSRWLockExclusive(&m_marksLock);
}

std::wstring EventClips::CurrentFile() const {
    AcquireSRWLockShared(&m_marksLock);
    std::wstring name = m_currentFile;
    ReleaseSRWLockShared(&m_marksLock);
    return name;
}

bool EventClips::InClip(uint32_t time) const {
    return !IsEarlier(time, m_clipStart) && !IsEarlier(m_clipEnd, time);
}

void EventClips::ExtendClip() {
    size_t served = 0;
    while (served < m_marks.count && !IsEarlier(m_clipEnd, m_marks.times[served] - m_preMs)) {
        const uint32_t end = m_marks.times[served] + m_postMs;
        if (IsEarlier(m_clipEnd, end)) m_clipEnd = end;
        ++served;
    }
    std::copy(m_marks.times + served, m_marks.times + m_marks.count, m_marks.times);
    m_marks.count -= served;
}

std::wstring EventClips::NextFreePath() {
    for (;; ++m_nextNumber) {
        std::wstring path = recording_paths::Numbered(m_basePath, m_nextNumber);
        if (!recording_paths::Exists(path) &&
            !recording_paths::Exists(recording_paths::SidecarOf(path))) {
            ++m_nextNumber;
            return path;
        }
    }
}

bool EventClips::OpenClip(RecordingFile& file) {
    const uint32_t mark = m_marks.times[0];
    std::copy(m_marks.times + 1, m_marks.times + m_marks.count, m_marks.times);
    --m_marks.count;
    m_clipStart = mark - m_preMs;
    m_clipEnd = mark + m_postMs;
    ExtendClip();

    const std::wstring path = NextFreePath();
    const std::wstring sidecar = recording_paths::SidecarOf(path);
    if (!file.Begin(path.c_str(), m_sidecar ? FilePath(sidecar.c_str()) : FilePath(nullptr)))
        return false;
    ++m_filesBegun;
    AcquireSRWLockExclusive(&m_marksLock);
    m_currentFile = path;
    ReleaseSRWLockExclusive(&m_marksLock);
    for (size_t k = 0; k < m_ring.Count(); ++k) {
        const PreEventRing::Entry& entry = m_ring.At(k);
        if (InClip(entry.time) &&
            !WriteToClip({m_ring.ChunkAt(k), entry.bytes, entry.time, entry.facts}, file))
            return false;
    }
    return true;
}

bool EventClips::WriteToClip(const RecordedFrame& frame, RecordingFile& file) {
    if (!file.Add(frame)) return false;
    m_framesInFiles = m_framesBeforeClip + file.Frames();
    return true;
}

bool EventClips::CloseClip(RecordingFile& file) {
    const bool finished = file.Finish();
    m_framesBeforeClip += file.Frames();
    m_framesInFiles = m_framesBeforeClip;
    return finished;
}

bool EventClips::Take(const RecordedFrame& frame, RecordingFile& file) {
    const bool inRing = m_ring.Push(frame.chunk, frame.bytes, frame.time, frame.facts);
    CollectMarks();
    // The ring keeps what the earliest mark waiting for its file needs, and the last seconds.
    const uint32_t oldestNeeded = m_marks.count > 0 && IsEarlier(m_marks.times[0], frame.time)
                                      ? m_marks.times[0]
                                      : frame.time;
    m_ring.DropBefore(oldestNeeded - m_preMs);
    bool written = false;
    for (;;) {
        if (file.IsOpen()) {
            ExtendClip();
            if (IsEarlier(m_clipEnd, frame.time)) {
                // The frames of the open file are all written: it is finished, and the next mark
                // waiting, if any, has its own.
                if (!CloseClip(file)) return false;
                written = false;
                continue;
            }
            return written || !InClip(frame.time) || WriteToClip(frame, file);
        }
        if (m_marks.count == 0) return true;
        if (!OpenClip(file)) return false;
        // The new file took the frame from the ring when it is in its seconds.
        written = inRing;
    }
}

bool EventClips::Finish(RecordingFile& file, bool serveMarks) {
    CollectMarks();
    bool finished = true;
    if (file.IsOpen()) {
        ExtendClip();
        finished = CloseClip(file);
    }
    // Marks with no frame after them yet: their files hold what the ring has of their seconds.
    while (finished && serveMarks && m_marks.count > 0) {
        finished = OpenClip(file);
        // A file that failed part-way is still finished with the frames it took.
        if (file.IsOpen()) finished = CloseClip(file) && finished;
    }
    return finished;
}
