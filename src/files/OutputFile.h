// Image files and recording: the output file that raw images and AVI recordings are written to.
#pragma once

#include "device/UniqueHandle.h"

#include <windows.h>

#include <cstdint>

// One output file, closed when this ends.
class OutputFile {
  public:
    // Opens `path` for writing: an existing file is truncated in place (so it keeps its
    // attributes and whoever else has it named keeps the same file), a missing one created.
    // Returns false when neither works.
    bool Open(const char* path);
    bool IsOpen() const { return m_handle.valid(); }
    void Close() { m_handle.reset(); }

    // Appends `size` bytes at the file pointer. Returns false on a short or failed write.
    bool Write(const void* data, uint32_t size);
    // Writes a 32-bit little-endian value at `offset`, then leaves the pointer at the end.
    bool PatchU32(uint32_t offset, uint32_t value);
    bool SeekToEnd();

  private:
    UniqueHandle m_handle;
};
