// Image files and recording: the lines of the sidecar file and its cut back to the AVI's frames.
#include "files/SidecarFile.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <new>

namespace {

constexpr char kColumns[] = "index,frame_id,host_time_utc,exposure_us,gain,skipped_before\r\n";

} // namespace

int SidecarFile::FormatLine(char* line, size_t size, uint32_t index,
                            const RecordedFrameFacts& facts, const uint64_t* previousId) {
    FILETIME utc;
    utc.dwLowDateTime = static_cast<DWORD>(facts.utcFileTime);
    utc.dwHighDateTime = static_cast<DWORD>(facts.utcFileTime >> 32);
    SYSTEMTIME time = {};
    FileTimeToSystemTime(&utc, &time);
    const unsigned microseconds = static_cast<unsigned>(facts.utcFileTime % 10000000 / 10);
    // Between two lines, every frame the camera delivered that is not in the file: the ids
    // count them all.
    const uint64_t skipped = previousId && facts.frameId > *previousId
                                 ? facts.frameId - *previousId - 1
                                 : (previousId ? 0 : facts.skippedBefore);
    return std::snprintf(line, size, "%u,%llu,%04u-%02u-%02uT%02u:%02u:%02u.%06uZ,%u,%u,%llu\r\n",
                         index, static_cast<unsigned long long>(facts.frameId), time.wYear,
                         time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond,
                         microseconds, facts.exposureUs, facts.gain,
                         static_cast<unsigned long long>(skipped));
}

bool SidecarFile::Open(const FilePath& path) {
    m_lineEnds.clear();
    if (!m_file.Open(path)) return false;
    if (!m_file.Write(kColumns, sizeof kColumns - 1)) {
        m_file.Close();
        return false;
    }
    m_headerEnd = m_file.Position();
    return true;
}

bool SidecarFile::AddLine(const RecordedFrameFacts& facts) {
    char line[160];
    const uint32_t index = Lines();
    const int length = FormatLine(line, sizeof line, index, facts, index ? &m_lastId : nullptr);
    try {
        // Grows in steps, as the AVI's index does.
        if (m_lineEnds.size() == m_lineEnds.capacity())
            m_lineEnds.reserve(std::max<size_t>(256, 2 * m_lineEnds.size()));
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (length <= 0 || !m_file.Write(line, static_cast<size_t>(length))) return false;
    m_lineEnds.push_back(m_file.Position());
    m_lastId = facts.frameId;
    return true;
}

bool SidecarFile::KeepLines(uint32_t lines) {
    if (!IsOpen()) return false;
    if (lines < Lines()) m_lineEnds.resize(lines);
    return m_file.TruncateAt(m_lineEnds.empty() ? m_headerEnd : m_lineEnds.back());
}

void SidecarFile::Close() {
    m_file.Close();
    m_lineEnds.clear();
}
