// Image files and recording: progressive JPEG files through libjpeg, fatal errors caught.
#include "files/FileWriters.h"

#include <csetjmp>
#include <cstdio>
#include <utility>

#include <jpeglib.h>

namespace {

// The library's standard error manager ends the process on a fatal error. Here the fatal
// error prints the library's message as usual and then jumps back into the writer, which
// closes the file and returns 0: a full disk or a bad size must not take the application down.
struct JpegErrorEscape {
    jpeg_error_mgr manager; // first member: the library hands its address back as cinfo->err
    std::jmp_buf escape;
};

void EscapeOnFatalError(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    std::longjmp(reinterpret_cast<JpegErrorEscape*>(cinfo->err)->escape, 1);
}

// Everything one write holds. It lives in the frame of WriteJpegFile, outside the function that
// calls setjmp, so a jump leaves it intact and its destructor releases it on every path.
struct JpegWriteState {
    std::FILE* file = nullptr;
    jpeg_compress_struct cinfo = {};
    JpegErrorEscape error = {};
    bool created = false;

    JpegWriteState() = default;
    JpegWriteState(const JpegWriteState&) = delete;
    JpegWriteState& operator=(const JpegWriteState&) = delete;
    ~JpegWriteState() {
        if (created) jpeg_destroy_compress(&cinfo);
        if (file) std::fclose(file);
    }
};

// Runs the library from the header to the end of the image. Every library call may jump back to
// the setjmp here; the function keeps no local object that such a jump would skip or leave stale.
int Compress(JpegWriteState& state, const ImageView& image, int quality, int progressive) {
    jpeg_compress_struct& cinfo = state.cinfo;
    cinfo.err = jpeg_std_error(&state.error.manager);
    state.error.manager.error_exit = EscapeOnFatalError;
    if (setjmp(state.error.escape)) return 0;

    jpeg_create_compress(&cinfo);
    state.created = true;
    jpeg_stdio_dest(&cinfo, state.file);

    cinfo.image_width = static_cast<JDIMENSION>(image.width);
    cinfo.image_height = static_cast<JDIMENSION>(image.height);
    if (image.bits == 8) {
        cinfo.input_components = 1;
        cinfo.in_color_space = JCS_GRAYSCALE;
    } else {
        // The library reads blue-green-red pixels itself: the file is the same as from
        // red-green-blue rows, without reordering every pixel into a row buffer first.
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_EXT_BGR;
    }
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);

    // The last memory row is the top of the picture. The library only reads the rows it is
    // given, though its interface is not const.
    for (int i = 0; i < image.height; ++i) {
        JSAMPROW row = const_cast<JSAMPROW>(image.pixels) +
                       static_cast<ptrdiff_t>(image.height - 1 - i) * image.stride;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return 1;
}

} // namespace

int WriteJpegFile(const FilePath& path, const ImageView& image, int quality, int progressive) {
    if (path.IsNull() || image.pixels == nullptr || (image.bits != 8 && image.bits != 24)) return 0;
    JpegWriteState state;
    state.file = path.OpenStream();
    if (state.file == nullptr) return 0;
    if (!Compress(state, image, quality, progressive)) return 0;
    // The library flushed and checked the stream when it finished; the close is checked too.
    std::FILE* file = std::exchange(state.file, nullptr);
    return std::fclose(file) == 0 ? 1 : 0;
}
