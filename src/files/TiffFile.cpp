// Image files and recording: uncompressed single-strip TIFF files through libtiff.
#include "files/FileWriters.h"

#include <cstring>

#include <tiffio.h>

namespace {

// Closes the TIFF file on every path; TIFFClose also writes the directory of a new file.
struct TiffCloser {
    TIFF* tif;
    ~TiffCloser() {
        if (tif) TIFFClose(tif);
    }
};

// Moves every row down to row r x rowBytes, dropping the padding after each row. Row r never
// lands above where it started, and rows move in increasing order, so nothing is overwritten
// before it has moved.
void PackRows(uint8_t* pixels, int height, size_t stride, size_t rowBytes) {
    if (rowBytes == stride) return;
    for (int r = 1; r < height; ++r)
        std::memmove(pixels + r * rowBytes, pixels + r * stride, rowBytes);
}

} // namespace

int WriteTiffStrip(const FilePath& path, uint8_t* samples, int width, int height, int stride,
                   const TiffLayout& layout) {
    if (path.IsNull() || samples == nullptr || width < 1 || height < 1) return 0;
    const size_t rowBytes = static_cast<size_t>(width) *
                            static_cast<size_t>(layout.samplesPerPixel) *
                            static_cast<size_t>(layout.bitsPerSample / 8);
    if (rowBytes == 0 || rowBytes > static_cast<size_t>(stride)) return 0;

    TiffCloser file{path.Wide() ? TIFFOpenW(path.Wide(), "w") : TIFFOpen(path.Narrow(), "w")};
    if (file.tif == nullptr) return 0;
    TIFFSetField(file.tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width));
    TIFFSetField(file.tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(height));
    TIFFSetField(file.tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(file.tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(file.tif, TIFFTAG_BITSPERSAMPLE, layout.bitsPerSample);
    TIFFSetField(file.tif, TIFFTAG_PHOTOMETRIC, layout.photometric);
    TIFFSetField(file.tif, TIFFTAG_SAMPLESPERPIXEL, layout.samplesPerPixel);

    PackRows(samples, height, static_cast<size_t>(stride), rowBytes);
    const tmsize_t stripBytes = static_cast<tmsize_t>(rowBytes * height);
    if (TIFFWriteEncodedStrip(file.tif, 0, samples, stripBytes) == -1) return 0;
    // The directory goes out with the flush: a failure there (a full disk) leaves a file no
    // reader can open, which must not be reported as written.
    return TIFFFlush(file.tif) ? 1 : 0;
}
