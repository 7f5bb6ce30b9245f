// Image files and recording: baseline JPEG frames of a recording, encoded into memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// One JPEG compressor kept for a whole recording, so that each frame costs only its encoding:
// the library's state, tables and error escape are made once. Frames are baseline JPEGs with
// the library's standard Huffman tables, of 8-bit gray or 24-bit blue-green-red pixels whose
// memory row 0 is the top of the picture. One thread uses it at a time.
class JpegFrameEncoder {
  public:
    struct Settings {
        int width = 0;
        int height = 0;
        int bits = 24; // 8: gray, one component; 24: colour
        int quality = 90;
        bool chroma444 = false; // colour only: full-resolution chroma instead of 4:2:0
    };

    JpegFrameEncoder();
    ~JpegFrameEncoder();
    JpegFrameEncoder(const JpegFrameEncoder&) = delete;
    JpegFrameEncoder& operator=(const JpegFrameEncoder&) = delete;

    // Makes the compressor for frames of `settings`; false when the library refuses them.
    bool Start(const Settings& settings);
    // Encodes one frame whose rows lie `stride` bytes apart into `out`; the JPEG's bytes, or 0
    // when the library failed or `capacity` was too small (the frame is then lost, and the
    // compressor stays usable).
    size_t Encode(const uint8_t* pixels, int stride, uint8_t* out, size_t capacity);

    // Bytes that no frame of these settings can exceed: two bytes per sample of every component
    // at its sampling, on whole blocks, plus room for the headers.
    static size_t LargestFrameBytes(const Settings& settings);

  private:
    struct State;
    std::unique_ptr<State> m_state;
    Settings m_settings;
};
