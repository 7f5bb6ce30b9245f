// Image files and recording: raw files, the image's pixel bytes exactly as they lie in memory.
#include "files/FileWriters.h"
#include "files/OutputFile.h"

int WriteRawFile(const FilePath& path, const ImageView& image) {
    OutputFile file;
    if (!file.Open(path)) return 0;
    // Rows stay padded to the stride and 16-bit samples little-endian: a plain dump that
    // a reader takes apart with the width, height and depth it already knows.
    const uint64_t bytes = static_cast<uint64_t>(image.height > 0 ? image.height : 0) *
                           static_cast<uint64_t>(image.stride > 0 ? image.stride : 0);
    if (image.pixels == nullptr || bytes == 0) return 0;
    return file.Write(image.pixels, static_cast<size_t>(bytes)) ? 1 : 0;
}
