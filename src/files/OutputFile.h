// Image files and recording: the output file that raw images and AVI recordings are written to.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

// Owns the Win32 handle of one output file and closes it once.
class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile() { Close(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    OutputFile(OutputFile&& other) noexcept
        : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE)) {}
    OutputFile& operator=(OutputFile&& other) noexcept {
        if (this != &other) {
            Close();
            m_handle = std::exchange(other.m_handle, INVALID_HANDLE_VALUE);
        }
        return *this;
    }

    // Opens `path` for writing: an existing file is truncated in place (so it keeps its
    // attributes and whoever else has it named keeps the same file), a missing one created.
    // Returns false when neither works.
    bool Open(const char* path);
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    void Close();

    // Appends `size` bytes at the file pointer. Returns false on a short or failed write.
    bool Write(const void* data, uint32_t size);
    // Writes a 32-bit little-endian value at `offset`, then leaves the pointer at the end.
    bool PatchU32(uint32_t offset, uint32_t value);
    bool SeekToEnd();

  private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};
