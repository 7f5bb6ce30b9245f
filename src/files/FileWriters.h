// Image files and recording: the still-image format writers over a plain view of pixels.
#pragma once

#include "files/FilePath.h"

#include <cstdint>

// The pixels of one image as the writers read them: rows `stride` bytes apart, memory row 0 at
// `pixels`, each pixel bits / 8 bytes laid out like an image buffer of that depth (gray byte,
// little-endian 16-bit word, blue-green-red bytes, blue-green-red-fourth, and the 16-bit-word
// forms of the last two).
struct ImageView {
    const uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    int bits = 0;
};

// Every writer returns 1 when the file was written and 0 otherwise, reports no error code and
// leaves nothing open behind it. A file that fails part-way stays on disk as far as it got.

// Height x stride bytes exactly as they lie in memory, no header, in one write. An existing file
// is truncated in place, a missing one created; 1 when every byte was written.
int WriteRawFile(const FilePath& path, const ImageView& image);

// JPEG of an 8-bit (gray) or 24-bit (blue-green-red) image whose last memory row is the top of
// the picture. Quality 1..100 through the library's scaling with baseline tables; progressive
// nonzero selects the library's simple progression. A fatal library error closes the file and
// gives 0.
int WriteJpegFile(const FilePath& path, const ImageView& image, int quality, int progressive);

// PNG of pixels laid out like an image buffer of bitsPerPixel 8, 16, 24, 32, 48 or 64 (rows
// padded to a multiple of 4 bytes), memory row 0 at the top. Library errors are written to the
// standard error stream as "libpng error: ..." and give 0; other depths fail that way too. 1 only
// when every byte, the library's last buffered ones included, reached the closed file.
int WritePngFile(const FilePath& path, const uint8_t* pixels, int width, int height,
                 int bitsPerPixel);

// The layout of a TIFF strip: samples per pixel of bitsPerSample bits each, in file order.
struct TiffLayout {
    int bitsPerSample = 8;
    int photometric = 1; // 1 min-is-black, 2 RGB
    int samplesPerPixel = 1;
};

// Uncompressed single-strip TIFF of width x height samples already in file order (red-green-blue,
// 16-bit words little-endian), rows `stride` bytes apart, memory row 0 at the top. The rows are
// packed in place to exactly width x samplesPerPixel x bitsPerSample / 8 bytes first, so
// `samples` is scratch afterwards.
int WriteTiffStrip(const FilePath& path, uint8_t* samples, int width, int height, int stride,
                   const TiffLayout& layout);
