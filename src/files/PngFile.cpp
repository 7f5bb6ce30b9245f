// Image files and recording: PNG files through libpng, 8 or 16 bits per sample.
#include "files/FileWriters.h"

#include <cstdio>
#include <utility>

#include <png.h>

namespace {

// The writer's own error function: the library's message on the standard error stream, then
// back to the setjmp in WriteRows, which abandons the write.
[[noreturn]] void AbandonOnPngError(png_structp png, png_const_charp message) {
    std::fprintf(stderr, "libpng error: %s\n", message);
    png_longjmp(png, 1);
}

// The library's write and info structures, the open file and the row pointer table of one call.
// It lives in the frame of WritePngFile, outside the function that calls setjmp, so an error jump
// leaves it intact and its destructor releases everything on every path.
struct PngWriteState {
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_bytepp rows = nullptr;

    PngWriteState() = default;
    PngWriteState(const PngWriteState&) = delete;
    PngWriteState& operator=(const PngWriteState&) = delete;
    ~PngWriteState() {
        if (rows) png_free(png, rows);
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
        if (file) std::fclose(file);
    }
};

struct PngFormat {
    int bitsPerPixel;
    int bitDepth;
    int colorType;
};

constexpr PngFormat kPngFormats[] = {
    {8, 8, PNG_COLOR_TYPE_GRAY},  {16, 16, PNG_COLOR_TYPE_GRAY},
    {24, 8, PNG_COLOR_TYPE_RGB},  {32, 8, PNG_COLOR_TYPE_RGB_ALPHA},
    {48, 16, PNG_COLOR_TYPE_RGB}, {64, 16, PNG_COLOR_TYPE_RGB_ALPHA},
};

// Bit depth and colour type by bits per pixel; bit depth 0 for a depth PNG cannot hold as is.
PngFormat FormatFor(int bitsPerPixel) {
    for (const PngFormat& format : kPngFormats)
        if (format.bitsPerPixel == bitsPerPixel) return format;
    return {bitsPerPixel, 0, 0};
}

// Runs the library from the header chunks to the end chunk; every library call may jump back to
// the setjmp here. The function keeps no local object that such a jump would skip or leave stale.
int WriteRows(PngWriteState& state, const uint8_t* pixels, int width, int height,
              int bitsPerPixel) {
    if (setjmp(png_jmpbuf(state.png))) return 0;

    const PngFormat format = FormatFor(bitsPerPixel);
    // Any other depth sets no header, so that writing the header fails through the error path.
    if (format.bitDepth != 0)
        png_set_IHDR(state.png, state.info, static_cast<png_uint_32>(width),
                     static_cast<png_uint_32>(height), format.bitDepth, format.colorType,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_init_io(state.png, state.file);
    png_write_info(state.png, state.info);
    // Memory holds blue, green, red; 16-bit samples are little-endian words and PNG wants them
    // big-endian. The library reorders and swaps each row in its own row buffer on the way out,
    // so the caller's pixels are neither copied whole nor changed.
    png_set_bgr(state.png);
    if (format.bitDepth == 16) png_set_swap(state.png);

    const size_t rowBytes = static_cast<size_t>(bitsPerPixel / 8) * static_cast<size_t>(width);
    const size_t rowPitch = (rowBytes + 3) & ~static_cast<size_t>(3);
    state.rows = static_cast<png_bytepp>(
        png_malloc(state.png, static_cast<png_alloc_size_t>(height) * sizeof(png_bytep)));
    for (int i = 0; i < height; ++i)
        state.rows[i] = const_cast<png_bytep>(pixels) + static_cast<size_t>(i) * rowPitch;
    png_write_image(state.png, state.rows);
    png_write_end(state.png, state.info);
    return 1;
}

} // namespace

int WritePngFile(const FilePath& path, const uint8_t* pixels, int width, int height,
                 int bitsPerPixel) {
    if (path.IsNull()) return 0;
    PngWriteState state;
    state.file = path.OpenStream();
    if (state.file == nullptr) return 0;
    state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, AbandonOnPngError, nullptr);
    if (state.png == nullptr) return 0;
    state.info = png_create_info_struct(state.png);
    if (state.info == nullptr) return 0;
    if (pixels == nullptr || width < 1 || height < 1) {
        // Nothing to point the rows at; the library refuses the empty header the same way.
        width = height = 0;
        bitsPerPixel = 0;
    }
    if (!WriteRows(state, pixels, width, height, bitsPerPixel)) return 0;
    // The library leaves its last bytes (the end chunk) in the stream's buffer: a full disk shows
    // only when they are flushed, or when the file is closed.
    const bool flushed = std::fflush(state.file) == 0 && !std::ferror(state.file);
    std::FILE* file = std::exchange(state.file, nullptr);
    const bool closed = std::fclose(file) == 0;
    return flushed && closed ? 1 : 0;
}
