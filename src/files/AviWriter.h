// Image files and recording: the writer of uncompressed 24-bit AVI files, one per camera object.
#pragma once

#include "files/OutputFile.h"

#include <windows.h>

#include <cstdint>
#include <vector>

// The avih record.
struct AviMainHeader {
    uint32_t microSecPerFrame;
    uint32_t maxBytesPerSec;
    uint32_t paddingGranularity;
    uint32_t flags;
    uint32_t totalFrames;
    uint32_t initialFrames;
    uint32_t streams;
    uint32_t suggestedBufferSize;
    uint32_t width;
    uint32_t height;
    uint32_t reserved[4];
};

// The strh record.
struct AviStreamHeader {
    uint32_t type;
    uint32_t handler;
    uint32_t flags;
    uint16_t priority;
    uint16_t language;
    uint32_t initialFrames;
    uint32_t scale;
    uint32_t rate;
    uint32_t start;
    uint32_t length;
    uint32_t suggestedBufferSize;
    uint32_t quality;
    uint32_t sampleSize;
    int32_t frame[4];
};

// One idx1 entry: the chunk's id, key-frame flag, offset counted from the "movi" code, and size.
struct AviIndexEntry {
    uint32_t chunkId;
    uint32_t flags;
    uint32_t offset;
    uint32_t size;
};

static_assert(sizeof(AviMainHeader) == 56);
static_assert(sizeof(AviStreamHeader) == 64);
static_assert(sizeof(AviIndexEntry) == 16);
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// Writes one video stream of bottom-up 24-bit DIB frames. The caller sets the frame size and
// depth, the frame rate field (30) and the frame count (0), then Begin, AddFrame per frame and
// Finish. Not thread-safe: the camera object's image lock serialises its users.
class AviWriter {
  public:
    // Fixed places in the file.
    static constexpr uint32_t kHeaderBytes = 232; // everything up to the first frame chunk
    static constexpr uint32_t kRiffSizeOffset = 4;
    static constexpr uint32_t kMicroSecPerFrameOffset = 32;
    static constexpr uint32_t kMaxBytesPerSecOffset = 36;
    static constexpr uint32_t kTotalFramesOffset = 48;
    static constexpr uint32_t kScaleOffset = 128;
    static constexpr uint32_t kLengthOffset = 140;
    static constexpr uint32_t kMoviSizeOffset = 224;

    AviWriter() { Reset(); }
    ~AviWriter() { Reset(); }
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Resets, creates the file (an existing one is truncated in place) and writes the headers
    // with the RIFF and movi sizes 0. 1, or 0 when the file cannot be opened.
    int Begin(const char* path);
    // Appends one frame of FrameBytes() bytes and its index entry. 0 when no file is open, when
    // the index cannot grow, or when the frame would carry the file past the 4 GiB that the
    // 32-bit RIFF sizes can describe: the caller then finishes the file as it is.
    int AddFrame(const uint8_t* pixels);
    // Writes the index, patches the sizes, frame counts and rate into the header, closes.
    void Finish();
    // Closes the file if open, empties the index, zeroes the counters and the header records.
    void Reset();

    bool IsOpen() const { return m_file.IsOpen(); }
    uint32_t FramesWritten() const { return static_cast<uint32_t>(m_index.size()); }
    // Bytes of one frame: the 24-bit row rounded up to a multiple of 4, times the height.
    uint32_t FrameBytes() const;
    // The rate field for `frames` over `elapsedMs`: frames per second x 100. An elapsed time of
    // 0 counts as 1 ms so that a recording ended by its first frame still has a rate.
    static uint32_t MeasuredRate(uint32_t frames, uint32_t elapsedMs);

    // Set by the caller before Begin.
    int m_width = 0;
    int m_height = 0;
    uint16_t m_bits = 0;      // of the camera's output image; the frames are always 24-bit
    uint32_t m_frameRate = 0; // 30 at Begin; the measured rate x 100 at Finish
    uint32_t m_frameCount = 0;

  private:
    OutputFile m_file;
    AviMainHeader m_mainHeader;
    AviStreamHeader m_streamHeader;
    BITMAPINFOHEADER m_format;
    uint32_t m_riffCounter = 0; // bytes after the RIFF size field
    uint32_t m_moviCounter = 0; // bytes after the movi LIST size field
    uint32_t m_moviSizePosition = 0;
    std::vector<AviIndexEntry> m_index;
};
