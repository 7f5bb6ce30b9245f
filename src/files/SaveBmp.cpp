// Image files and recording: an image buffer as a BMP file: file header, bitmap header, colour
// table and rows as in memory.
#include "files/FileSizes.h"
#include "files/ImageFile.h"
#include "imaging/ImageBuffer.h"
#include "support/UniqueHandle.h"

#include <cstring>

namespace {

// An existing file is truncated and rewritten in place (so it ends at the new length); a missing
// one is created.
HANDLE OpenForWriting(const FilePath& path) {
    HANDLE file = path.CreateForWriting(TRUNCATE_EXISTING);
    if (file != INVALID_HANDLE_VALUE) return file;
    return path.CreateForWriting(CREATE_NEW);
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

int WriteBmpFile(const FilePath& path, const ImageBuffer& image) {
    const UniqueHandle file(OpenForWriting(path));
    if (!file) return 0;

    const bool indexed = image.Bits() <= 8;
    const uint32_t offset = indexed ? 1078 : 54;
    const BITMAPINFO* info = image.Info();
    RGBQUAD colors[256];
    std::memcpy(colors, info->bmiColors, sizeof colors);
    if (indexed && image.MemoryDC()) GetDIBColorTable(image.MemoryDC(), 0, 256, colors);

    uint8_t fileHeader[14] = {'B', 'M'};
    PutLittleEndian32(fileHeader + 2, file_sizes::BmpFileBytes(offset, image.ImageBytes()));
    PutLittleEndian32(fileHeader + 10, offset);

    // A short write (a full disk) is a failure, not a file to report as saved.
    bool ok = WriteAll(file.get(), fileHeader, sizeof fileHeader) &&
              WriteAll(file.get(), &info->bmiHeader, sizeof info->bmiHeader);
    if (ok && indexed) ok = WriteAll(file.get(), colors, sizeof colors);
    if (ok && image.ImageBytes() > 0) ok = WriteAll(file.get(), image.Pixels(), image.ImageBytes());
    return ok ? 1 : 0;
}
