// Image files and recording: opening, writing and patching an output file through Win32.
#include "files/OutputFile.h"

bool OutputFile::Open(const char* path) {
    Close();
    if (path == nullptr) return false;
    m_handle.reset(CreateFileA(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_handle)
        m_handle.reset(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    return IsOpen();
}

bool OutputFile::Write(const void* data, uint32_t size) {
    DWORD written = 0;
    return IsOpen() && WriteFile(m_handle.get(), data, size, &written, nullptr) && written == size;
}

bool OutputFile::PatchU32(uint32_t offset, uint32_t value) {
    if (!IsOpen()) return false;
    if (SetFilePointer(m_handle.get(), static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
        INVALID_SET_FILE_POINTER)
        return false;
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    const bool written = Write(bytes, sizeof bytes);
    return SeekToEnd() && written;
}

bool OutputFile::SeekToEnd() {
    LARGE_INTEGER zero = {};
    return IsOpen() && SetFilePointerEx(m_handle.get(), zero, nullptr, FILE_END);
}
