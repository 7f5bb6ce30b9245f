// Image files and recording: how one recording is made: its codec, the JPEG settings, the
// pre-event buffer and the sidecar file.
#pragma once

#include <cstddef>
#include <cstdint>

struct RecordingOptions {
    enum class Codec { kUncompressed, kMjpeg };

    static constexpr int kDefaultQuality = 90;
    static constexpr size_t kDefaultRingBytes = size_t{128} << 20;
    static constexpr size_t kLargestRingBytes = size_t{1} << 30;

    Codec codec = Codec::kUncompressed;
    int quality = kDefaultQuality; // 1..100
    bool chroma444 = false;        // 4:4:4 instead of 4:2:0 (colour frames only)
    // Pre-event recording: the recorder keeps the last preEventMs of frames in a ring of
    // ringBytes, and each mark writes them and the postEventMs after the mark into a file of
    // its own. Off, the recording is one file from its first frame.
    bool preEvent = false;
    uint32_t preEventMs = 0;
    uint32_t postEventMs = 0;
    size_t ringBytes = kDefaultRingBytes;
    // A sidecar file of one line per frame beside the AVI; always for MJPEG.
    bool sidecar = false;

    bool Compressed() const { return codec == Codec::kMjpeg; }
    bool WritesSidecar() const { return sidecar || Compressed(); }
};
