// The image buffer as a BMP file: file header, bitmap header, colour table and rows as in memory.
#include "imaging/ImageBuffer.h"

#include "files/FileSizes.h"

#include <cstring>

namespace {

class UniqueFile {
  public:
    explicit UniqueFile(HANDLE handle) : m_handle(handle) {}
    ~UniqueFile() {
        if (*this) CloseHandle(m_handle);
    }
    UniqueFile(const UniqueFile&) = delete;
    UniqueFile& operator=(const UniqueFile&) = delete;

    explicit operator bool() const { return m_handle != INVALID_HANDLE_VALUE && m_handle; }
    HANDLE get() const { return m_handle; }

  private:
    HANDLE m_handle;
};

// An existing file is truncated and rewritten in place (so it ends at the new length); a missing
// one is created.
HANDLE OpenForWriting(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    return CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE OpenForWriting(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    return CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteAll(HANDLE file, const void* data, size_t size) {
    DWORD written = 0;
    return WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

void PutLittleEndian32(uint8_t* out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace

int ImageBuffer::SaveBmp(const char* path) const {
    return path ? WriteBmp(OpenForWriting(path)) : 0;
}

int ImageBuffer::SaveBmp(const wchar_t* path) const {
    return path ? WriteBmp(OpenForWriting(path)) : 0;
}

int ImageBuffer::WriteBmp(HANDLE handle) const {
    UniqueFile file(handle);
    if (!file) return 0;

    const bool indexed = m_bits <= 8;
    const uint32_t offset = indexed ? 1078 : 54;
    RGBQUAD colors[256];
    std::memcpy(colors, m_info.colors, sizeof colors);
    if (indexed && m_memoryDC) GetDIBColorTable(m_memoryDC.get(), 0, 256, colors);

    uint8_t fileHeader[14] = {'B', 'M'};
    PutLittleEndian32(fileHeader + 2, file_sizes::BmpFileBytes(offset, ImageBytes()));
    PutLittleEndian32(fileHeader + 10, offset);

    // A short write (a full disk) is a failure, not a file to report as saved.
    bool ok = WriteAll(file.get(), fileHeader, sizeof fileHeader) &&
              WriteAll(file.get(), &m_info.header, sizeof m_info.header);
    if (ok && indexed) ok = WriteAll(file.get(), colors, sizeof colors);
    if (ok && ImageBytes() > 0) ok = WriteAll(file.get(), m_pixels, ImageBytes());
    return ok ? 1 : 0;
}
