// Image files and recording: the JPEG library driven frame by frame into a memory buffer.
#include "files/JpegFrameEncoder.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include <jerror.h>

namespace {

// As the still-image writer does: a fatal error of the library jumps back into the encoder
// instead of ending the process.
struct ErrorEscape {
    jpeg_error_mgr manager; // first member: the library hands its address back as cinfo->err
    std::jmp_buf escape;
};

void EscapeOnFatalError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorEscape*>(cinfo->err)->escape, 1);
}

// A recording's frames must not print: a warning is kept by the library's counter only.
void KeepQuiet(j_common_ptr, int) {}

// The destination: one fixed buffer given per frame. Running out of it is a fatal error, which
// the escape turns into a lost frame.
struct MemoryDestination {
    jpeg_destination_mgr manager; // first member, as above
    uint8_t* start = nullptr;
    size_t capacity = 0;
};

void StartDestination(j_compress_ptr cinfo) {
    auto* destination = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    destination->manager.next_output_byte = destination->start;
    destination->manager.free_in_buffer = destination->capacity;
}

boolean BufferFull(j_compress_ptr cinfo) {
    ERREXIT(cinfo, JERR_BUFFER_SIZE);
    return FALSE;
}

void EndDestination(j_compress_ptr) {}

constexpr size_t kHeaderRoom = 2048; // markers, tables and the JFIF header

size_t RoundUp(size_t value, size_t step) {
    return (value + step - 1) / step * step;
}

} // namespace

struct JpegFrameEncoder::State {
    jpeg_compress_struct cinfo = {};
    ErrorEscape error = {};
    MemoryDestination destination = {};
    bool created = false;

    ~State() {
        if (created) jpeg_destroy_compress(&cinfo);
    }
};

JpegFrameEncoder::JpegFrameEncoder() = default;
JpegFrameEncoder::~JpegFrameEncoder() = default;

size_t JpegFrameEncoder::LargestFrameBytes(const Settings& settings) {
    const size_t width = static_cast<size_t>(settings.width > 0 ? settings.width : 0);
    const size_t height = static_cast<size_t>(settings.height > 0 ? settings.height : 0);
    if (settings.bits == 8) return RoundUp(width, 8) * RoundUp(height, 8) * 2 + kHeaderRoom;
    // Luma two bytes a pixel; each chroma plane two bytes per sample it keeps.
    const size_t block = settings.chroma444 ? 8 : 16;
    const size_t pixels = RoundUp(width, block) * RoundUp(height, block);
    return pixels * (settings.chroma444 ? 6 : 3) + kHeaderRoom;
}

bool JpegFrameEncoder::Start(const Settings& settings) {
    m_state = std::make_unique<State>();
    m_settings = settings;
    State& state = *m_state;
    jpeg_compress_struct& cinfo = state.cinfo;
    cinfo.err = jpeg_std_error(&state.error.manager);
    state.error.manager.error_exit = EscapeOnFatalError;
    state.error.manager.emit_message = KeepQuiet;
    if (setjmp(state.error.escape)) {
        m_state.reset();
        return false;
    }
    jpeg_create_compress(&cinfo);
    state.created = true;
    state.destination.manager.init_destination = StartDestination;
    state.destination.manager.empty_output_buffer = BufferFull;
    state.destination.manager.term_destination = EndDestination;
    cinfo.dest = &state.destination.manager;

    cinfo.image_width = static_cast<JDIMENSION>(settings.width);
    cinfo.image_height = static_cast<JDIMENSION>(settings.height);
    const bool gray = settings.bits == 8;
    cinfo.input_components = gray ? 1 : 3;
    // The library reads blue-green-red pixels itself.
    cinfo.in_color_space = gray ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, settings.quality, TRUE);
    if (!gray) {
        const int luma = settings.chroma444 ? 1 : 2;
        cinfo.comp_info[0].h_samp_factor = luma;
        cinfo.comp_info[0].v_samp_factor = luma;
        for (int c = 1; c < 3; ++c) {
            cinfo.comp_info[c].h_samp_factor = 1;
            cinfo.comp_info[c].v_samp_factor = 1;
        }
    }
    return true;
}

size_t JpegFrameEncoder::Encode(const uint8_t* pixels, int stride, uint8_t* out, size_t capacity) {
    if (!m_state || !pixels || !out) return 0;
    State& state = *m_state;
    jpeg_compress_struct& cinfo = state.cinfo;
    state.destination.start = out;
    state.destination.capacity = capacity;
    // Every library call below may jump back here; nothing in this frame holds a resource.
    if (setjmp(state.error.escape)) {
        jpeg_abort_compress(&cinfo);
        return 0;
    }
    jpeg_start_compress(&cinfo, TRUE);
    // Memory row 0 is the top of the picture. The library only reads the rows it is given,
    // though its interface is not const.
    JSAMPROW rows[16];
    while (cinfo.next_scanline < cinfo.image_height) {
        JDIMENSION count = 0;
        while (count < 16 && cinfo.next_scanline + count < cinfo.image_height) {
            rows[count] = const_cast<JSAMPROW>(pixels) +
                          static_cast<ptrdiff_t>(cinfo.next_scanline + count) * stride;
            ++count;
        }
        jpeg_write_scanlines(&cinfo, rows, count);
    }
    jpeg_finish_compress(&cinfo);
    return capacity - state.destination.manager.free_in_buffer;
}
