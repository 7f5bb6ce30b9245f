// Image files and recording: opening, writing and patching an output file through Win32.
#include "files/OutputFile.h"

bool OutputFile::Open(const char* path) {
    Close();
    if (path == nullptr) return false;
    m_handle = CreateFileA(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE)
        m_handle = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
    return IsOpen();
}

void OutputFile::Close() {
    if (m_handle != INVALID_HANDLE_VALUE)
        CloseHandle(std::exchange(m_handle, INVALID_HANDLE_VALUE));
}

bool OutputFile::Write(const void* data, uint32_t size) {
    DWORD written = 0;
    return IsOpen() && WriteFile(m_handle, data, size, &written, nullptr) && written == size;
}

bool OutputFile::PatchU32(uint32_t offset, uint32_t value) {
    if (!IsOpen()) return false;
    if (SetFilePointer(m_handle, static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
        INVALID_SET_FILE_POINTER)
        return false;
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    const bool written = Write(bytes, sizeof bytes);
    return SeekToEnd() && written;
}

bool OutputFile::SeekToEnd() {
    LARGE_INTEGER zero = {};
    return IsOpen() && SetFilePointerEx(m_handle, zero, nullptr, FILE_END);
}
