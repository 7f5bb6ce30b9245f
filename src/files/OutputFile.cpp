// Image files and recording: opening, writing and patching an output file through Win32.
#include "files/OutputFile.h"

#include <algorithm>

bool OutputFile::Open(const FilePath& path) {
    Close();
    m_position = 0;
    m_lengthLimit = UINT64_MAX;
    m_handle.reset(path.CreateForWriting(TRUNCATE_EXISTING));
    if (!m_handle) m_handle.reset(path.CreateForWriting(CREATE_NEW));
    return IsOpen();
}

bool OutputFile::WriteOnce(const uint8_t* data, DWORD size) {
    DWORD allowed = size;
    if (m_position + size > m_lengthLimit)
        allowed = static_cast<DWORD>(m_position < m_lengthLimit ? m_lengthLimit - m_position : 0);
    DWORD written = 0;
    const BOOL ok = allowed == 0 || WriteFile(m_handle.get(), data, allowed, &written, nullptr);
    m_position += written;
    return ok && written == size;
}

bool OutputFile::Write(const void* data, size_t size) {
    if (!IsOpen()) return false;
    // WriteFile takes 32-bit sizes; one call per gigabyte keeps every size in range.
    constexpr size_t kLargestWrite = size_t{1} << 30;
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const DWORD part = static_cast<DWORD>(std::min(size, kLargestWrite));
        if (!WriteOnce(bytes, part)) return false;
        bytes += part;
        size -= part;
    }
    return true;
}

bool OutputFile::SeekTo(uint64_t offset) {
    LARGE_INTEGER target;
    target.QuadPart = static_cast<LONGLONG>(offset);
    if (!IsOpen() || !SetFilePointerEx(m_handle.get(), target, nullptr, FILE_BEGIN)) return false;
    m_position = offset;
    return true;
}

bool OutputFile::PatchU32(uint64_t offset, uint32_t value) {
    const uint64_t back = m_position;
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    const bool written = SeekTo(offset) && Write(bytes, sizeof bytes);
    return SeekTo(back) && written;
}

bool OutputFile::TruncateAt(uint64_t length) {
    return SeekTo(length) && SetEndOfFile(m_handle.get());
}
