// Image files and recording: the output file that raw images and AVI recordings are written to.
#pragma once

#include "support/UniqueHandle.h"
#include "files/FilePath.h"

#include <windows.h>

#include <cstdint>

// One output file, closed when this ends. It keeps its own position, so that a writer knows
// where every byte went without asking the system.
class OutputFile {
  public:
    // Opens `path` for writing: an existing file is truncated in place (so it keeps its
    // attributes and whoever else has it named keeps the same file), a missing one created.
    // Returns false when neither works.
    bool Open(const FilePath& path);
    bool IsOpen() const { return m_handle.valid(); }
    void Close() { m_handle.reset(); }

    // Writes `size` bytes at the position. Returns false on a short or failed write; the
    // position then counts what did reach the file.
    bool Write(const void* data, size_t size);
    // Writes a 32-bit little-endian value at `offset` and comes back to the position before.
    bool PatchU32(uint64_t offset, uint32_t value);
    bool SeekTo(uint64_t offset);
    // Cuts the file to `length` bytes and puts the position there.
    bool TruncateAt(uint64_t length);
    uint64_t Position() const { return m_position; }

    // For tests: the file behaves as if on a disk that holds `bytes`: a write that would take it
    // past that length writes what fits and fails, as on a full disk. It lasts until Open.
    void LimitLength(uint64_t bytes) { m_lengthLimit = bytes; }

  private:
    bool WriteOnce(const uint8_t* data, DWORD size);

    UniqueHandle m_handle;
    uint64_t m_position = 0;
    uint64_t m_lengthLimit = UINT64_MAX;
};
